#!/usr/bin/env bash
# Draws every effect's editor with `tonvera snapshot --all` and puts the 36 faces on one sheet for the
# README: docs/faces.png. Usage: scripts/contact-sheet.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
faces="$(mktemp -d)"
trap 'rm -rf "$faces"' EXIT
"$build/tonvera" snapshot --all "$faces"
# Catalogue order (as `tonvera list` prints it), nine faces a row.
mapfile -t files < <("$build/tonvera" list | awk 'NR > 1 { print $1 ".png" }')
(cd "$faces" && montage "${files[@]}" -tile 9x -geometry +4+4 -background '#2b2b2b' \
    -define png:exclude-chunks=date,time -strip "$root/docs/faces.png")
echo "$root/docs/faces.png"

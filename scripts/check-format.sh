#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted with the committed .clang-format; lists the files that
# are not and exits 1. Fix with: clang-format -i FILE... (Debian's clang-format 14, as install-deps.sh
# installs; other versions format some constructs differently).
set -euo pipefail
cd "$(dirname "$0")/.."
tool=clang-format
command -v clang-format-14 >/dev/null && tool=clang-format-14
command -v "$tool" >/dev/null || { echo "clang-format missing: run bash scripts/install-deps.sh" >&2; exit 1; }
"$tool" --version | grep -q ' 14\.' || echo "note: $("$tool" --version) is not version 14; it may disagree" >&2
files=$(git ls-files -- '*.cpp' '*.h')
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if echo "$files" | xargs -r -n 32 -P "$(nproc)" "$tool" --dry-run -Werror >"$log" 2>&1; then
    echo "format: $(echo "$files" | wc -l) files formatted"
    exit 0
fi
echo "format: these files differ from what $tool makes of them (clang-format -i FILE... fixes them):"
grep -o -E '^[^:]+:[0-9]+:[0-9]+: error' "$log" | cut -d: -f1 | sort -u | sed 's/^/  /'
grep -q -E ': error' "$log" || cat "$log"
exit 1

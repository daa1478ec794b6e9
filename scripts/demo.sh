#!/usr/bin/env bash
# Installs what is needed, builds, and renders the built-in demo riff to tonvera-demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
./build/tonvera demo tonvera-demo.wav

#!/usr/bin/env bash
# Runs every test: the format check, the unit, catalogue-wide and command-line tests (release build),
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, a benchmark pass, and the LV2
# host tests. Installs nothing and needs no root: missing packages are named, with the command that
# installs them (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --check
jobs=$(nproc)

echo "== format"
bash scripts/check-format.sh

echo "== release build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONVERA_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --output-on-failure)

echo "== benchmark (every effect, 48 kHz stereo, block 256)"
./build/tonvera_bench --benchmark_min_time=0.1

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONVERA_SANITIZE=ON \
  -DTONVERA_BENCH=OFF -DTONVERA_LV2=OFF -DTONVERA_WERROR=ON
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest -j"$jobs" --output-on-failure)

if [ -f lv2/tests/run.sh ]; then
  echo "== LV2 bundle in real hosts"
  bash lv2/tests/run.sh "$PWD/build"
fi

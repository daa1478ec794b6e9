#!/usr/bin/env bash
# Installs the Debian packages the build and every test need (as root, or through sudo).
# `install-deps.sh --check` installs nothing and needs no root: it names the missing packages and exits 1
# if a required one is missing (scripts/test.sh runs it first).
set -euo pipefail
# The build, the unit tests, the sanitizer build, the benchmark and the format check.
build=(build-essential cmake ninja-build pkg-config ccache clang-format
       libsndfile1-dev libfftw3-dev libtinyxml-dev lv2-dev
       libgtest-dev libbenchmark-dev
       libcairo2-dev libx11-dev fonts-dejavu-core libxml2-utils)
# The LV2 bundle in real hosts (lv2/tests/run.sh): lilv tools and test host, the RealtimeSanitizer
# runtime, a dummy JACK server, jalv, and the editor under Xvfb.
hosts=(lilv-utils liblilv-dev libclang-rt-19-dev jackd2 jalv xvfb xdotool x11-utils imagemagick)
# Also for lv2/tests/run.sh, without their recommendations (codecs, GUIs): Turtle tools for
# lv2_validate and the test signals.
lean=(sordi serdi sox)
# Optional and large: the Ardour headless export is skipped without it.
optional=(ardour)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
mapfile -t missing < <(missing_of "${build[@]}" "${hosts[@]}")
mapfile -t missing_lean < <(missing_of "${lean[@]}" "${optional[@]}")

if [ "${1:-}" = --check ]; then
  mapfile -t required < <(missing_of "${build[@]}" "${hosts[@]}" "${lean[@]}")
  mapfile -t missing_optional < <(missing_of "${optional[@]}")
  [ ${#missing_optional[@]} -eq 0 ] ||
    echo "note: optional ${missing_optional[*]} not installed; the tests that use it are skipped" >&2
  [ ${#required[@]} -eq 0 ] && exit 0
  echo "missing packages: ${required[*]}" >&2
  echo "install them with: bash scripts/install-deps.sh" >&2
  exit 1
fi

[ ${#missing[@]} -gt 0 ] || [ ${#missing_lean[@]} -gt 0 ] || exit 0
apt=(env DEBIAN_FRONTEND=noninteractive apt-get)
[ "$(id -u)" -eq 0 ] || apt=(sudo "${apt[@]}")
"${apt[@]}" update -qq
[ ${#missing[@]} -eq 0 ] || "${apt[@]}" install -y -qq "${missing[@]}"
[ ${#missing_lean[@]} -eq 0 ] || "${apt[@]}" install -y -qq --no-install-recommends "${missing_lean[@]}"

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (as root, or through sudo).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config ccache clang-format
          libsndfile1-dev libfftw3-dev libtinyxml-dev lv2-dev lilv-utils
          libgtest-dev libbenchmark-dev
          libxml2-utils liblilv-dev libclang-rt-19-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config
          libgtest-dev libgmock-dev googletest libbenchmark-dev
          libfftw3-dev libsndfile1-dev binutils
          libx11-dev libxext-dev libxtst-dev libcairo2-dev libfontconfig-dev fontconfig xvfb xauth
          fonts-dejavu-core fonts-urw-base35
          openbox  # the window manager of the editor tests
          ardour)  # its VST scanner reads both editions in the tests
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

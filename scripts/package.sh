#!/usr/bin/env bash
# Builds the Debian package from an already built tree (make package).
# CPack works out the dependencies with dpkg-shlibdeps and finds the programs
# to look at with file(1); a build machine may lack either, so they are
# installed here when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}

if ! command -v file >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
  fi
  export DEBIAN_FRONTEND=noninteractive
  install=($sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends file dpkg-dev)
  "${install[@]}" || { $sudo apt-get -o DPkg::Lock::Timeout=300 update -qq && "${install[@]}"; }
fi
cd "$BUILD_DIR"
rm -f varnix_*.deb
cpack -G DEB

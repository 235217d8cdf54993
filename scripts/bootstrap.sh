#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Quick when everything is present: dpkg is asked first and apt only runs for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache lld pkg-config clang-format
  qtbase5-dev qtbase5-dev-tools libqt5charts5-dev qtdeclarative5-dev libqt5svg5-dev
  libbenchmark-dev libjemalloc-dev rapidjson-dev libzip-dev libxlsxwriter-dev libssl-dev
  xvfb xauth imagemagick poppler-utils fonts-dejavu-core
  libreoffice-calc-nogui python3-openpyxl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

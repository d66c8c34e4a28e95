#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the program.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev fonts-liberation2
  libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  python3 locales
  openssl ca-certificates
  zlib1g-dev unzip python3-openpyxl libreoffice-calc-nogui
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, and
# nothing that is already there.
set -euo pipefail

packages=(
  cmake make g++ python3
  googletest libgtest-dev
  mingw-w64 g++-mingw-w64-x86-64-posix
  wine wine64 fonts-wine
  xvfb xauth imagemagick xdotool
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

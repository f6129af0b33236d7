#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, and
# nothing that is already there. 32-bit Wine (wine32:i386) needs the i386
# architecture, which is added first.
set -euo pipefail

packages=(
  cmake make g++ python3 git
  googletest libgtest-dev
  mingw-w64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 fonts-wine
  xvfb xauth imagemagick xdotool
  clang libclang-rt-14-dev
  osslsigncode openssl
)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ "$(dpkg --print-architecture)" = amd64 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture (for wine32)"
  $sudo dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

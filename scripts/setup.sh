#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, and
# nothing that is already there. 32-bit Wine (wine32:i386) needs the i386
# architecture, which is added first. Where the kernel runs no 32-bit
# program (booted with ia32_emulation off), Wine's 32-bit loader runs under
# qemu-user, which must be 10 or later (see scripts/x86.sh): that comes from
# bookworm-backports, added from the mirror apt already uses for bookworm.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

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

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The x86 build's emulator, only where the 32-bit loader cannot run by itself.
source "$root/scripts/qemu.sh"
if ! wine32_runs_natively && [ -z "$(qemu_i386)" ]; then
  backports=/etc/apt/sources.list.d/pellmora-bookworm-backports.sources
  if [ ! -e "$backports" ]; then
    # The mirror and key of apt's own bookworm entry: no host is written here.
    mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Release: bookworm' 'Identifier: Packages' | head -n1)
    if [ -z "$mirror" ]; then
      echo "scripts/setup.sh: apt has no source for bookworm, so none for bookworm-backports:" \
           "the x86 suites will be skipped" >&2
      exit 0
    fi
    echo "Adding bookworm-backports from $mirror (for qemu-user 10, which runs the 32-bit Wine loader)"
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: %s\n' \
      "$mirror" /usr/share/keyrings/debian-archive-keyring.gpg | $sudo tee "$backports" >/dev/null
  fi
  echo "Installing: qemu-user from bookworm-backports"
  $sudo apt-get update -qq
  # Without its binfmt companion: scripts/x86.sh registers the handler for
  # the test run alone.
  if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
       -t bookworm-backports qemu-user; then
    echo "scripts/setup.sh: qemu-user could not be installed from bookworm-backports: the x86 suites will be skipped" >&2
  fi
fi

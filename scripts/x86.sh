#!/usr/bin/env bash
# Runs a command where Wine's 32-bit loader can run, so that the x86 build's
# suites run too:
#   scripts/x86.sh ctest --preset native
# On a kernel that runs 32-bit programs, the command runs unchanged. On one
# that runs none (booted with ia32_emulation off), the loader runs under
# qemu-user 10 or later (scripts/setup.sh installs it there), through an
# i386 binfmt_misc handler registered for this command and its children
# alone: in a private user and mount namespace where the kernel allows it
# (Linux 6.7 and later), else globally as root until the command ends. It
# says which. Where neither can be had, the command runs without it and the
# x86 suites report themselves skipped, saying why (PELLMORA_X86_SKIP).
# PELLMORA_WINE32 tells scripts/wine.sh what was found: native, emulated or
# none.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/qemu.sh"
name=pellmora-i386
binfmt=/proc/sys/fs/binfmt_misc

# Inside the namespace: the handler in a binfmt_misc of the namespace's own,
# then the command.
if [ "${1:-}" = --inside ]; then
  shift
  line=$1
  shift
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null && printf '%s' "$line" >"$binfmt/register" || exit 1
  echo "scripts/x86.sh: the 32-bit loader runs under qemu-user, its handler registered for this run alone" >&2
  exec "$@"
fi

if wine32_runs_natively; then
  PELLMORA_WINE32=native exec "$@"
fi
export PELLMORA_WINE32=none
skip() {
  export PELLMORA_X86_SKIP="$*"
  echo "scripts/x86.sh: the x86 suites will be skipped: $*" >&2
}
qemu=$(qemu_i386)
conf=/usr/share/qemu/binfmt.d/qemu-i386.conf
if [ -z "$qemu" ]; then
  skip "this kernel runs no 32-bit programs, and no qemu-user 10 or later is installed to run them" \
       "(scripts/setup.sh installs it from bookworm-backports)"
  exec "$@"
fi
# The package's own registration line, under our name: its interpreter
# tells qemu that the program's name comes first, which its flags promise.
line=$(sed "s/^:qemu-i386:/:$name:/" "$conf" 2>/dev/null || true)
interpreter=$(printf '%s' "$line" | cut -d: -f7)
if [ -z "$line" ] || [ "$(readlink -f "$interpreter")" != "$(readlink -f "$qemu")" ]; then
  skip "$conf does not register $qemu"
  exec "$@"
fi
export PELLMORA_WINE32=emulated

inside() { unshare -Urm --propagation private "$0" --inside "$line" "$@"; }
if inside true 2>/dev/null; then
  inside "$@"
  exit
fi

# A kernel before 6.7 has one binfmt_misc for all: registered there, as root,
# and taken back at the end, with the mount, unless they were there before.
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
undo=""
if [ ! -e "$binfmt/register" ] && $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null; then
  undo="$sudo umount $binfmt"
fi
if [ ! -e "$binfmt/$name" ]; then
  if printf '%s' "$line" | $sudo tee "$binfmt/register" >/dev/null 2>&1; then
    undo="echo -1 | $sudo tee $binfmt/$name >/dev/null; $undo"
  else
    PELLMORA_WINE32=none
    skip "the i386 handler could be registered neither in a private namespace nor globally"
  fi
fi
trap "$undo" EXIT
[ "$PELLMORA_WINE32" = none ] && exec "$@"
echo "scripts/x86.sh: the 32-bit loader runs under $qemu, registered globally until this run ends" \
     "(this kernel has no private binfmt_misc)" >&2
"$@"

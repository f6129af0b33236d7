#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, the sanitizer
# build, a short fuzz run, the suites that run the real Pellmora.exe under
# Wine (the 64-bit and the 32-bit one, the latter under qemu-user where the
# kernel runs no 32-bit program: see scripts/x86.sh), and the check that the
# release comes out byte for byte the same. ctest's summary is the last
# thing printed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh

for preset in windows windows-x86; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset
done
cmake --preset native >/dev/null
cmake --build --preset native

[ -x scripts/sanitize.sh ] && scripts/sanitize.sh
[ -x fuzz/run.sh ] && fuzz/run.sh 60

source scripts/xvfb.sh
scripts/x86.sh ctest --preset native -j2

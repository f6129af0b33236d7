#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests, the sanitizer
# build, a short fuzz run, and the suites that run the real Pellmora.exe
# under Wine. ctest's summary is the last thing printed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh

cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset native >/dev/null
cmake --build --preset native

[ -x scripts/sanitize.sh ] && scripts/sanitize.sh
[ -x fuzz/run.sh ] && fuzz/run.sh 60

source scripts/xvfb.sh
ctest --preset native -j2

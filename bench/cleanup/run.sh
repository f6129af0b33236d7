#!/usr/bin/env bash
# The cleanup benchmark under Wine, in the project's prefix and on a private
# display: Pellmora's own cleanup against the plain FindFirstFileW/DeleteFileW/
# RemoveDirectoryW loop (the floor) and against rd.
#   bench/cleanup/run.sh [WINDOWS-BUILD-FOLDER] [--large] [--rounds N] [--work DIR]
# --large adds the 50,000-entry run, which takes several minutes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build/windows"
if [ $# -gt 0 ] && [ "${1#--}" = "$1" ]; then
  build=$1
  shift
fi
"$root/scripts/wine.sh" python3 "$root/bench/cleanup/bench.py" "$build" "$@"

#!/usr/bin/env bash
# Start-up benchmark (not a test): Pellmora.exe against the same window written
# in plain Win32 (plain_window.cpp), both started alternately under the same
# Wine in one run. Prints the medians and the ratios Pellmora / plain. Builds
# nothing itself.
#   bench/startup/run.sh [windows build folder] [rounds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
runs=${2:-15}
for f in Pellmora.exe bench/startup/plain_window.exe bench/startup/startup_launcher.exe; do
  if [ ! -f "$build/$f" ]; then
    echo "missing $build/$f: build the windows preset first" >&2
    exit 1
  fi
done
exec "$root/scripts/wine.sh" wine "$build/bench/startup/startup_launcher.exe" \
  "$build/Pellmora.exe" "$build/bench/startup/plain_window.exe" "$runs"

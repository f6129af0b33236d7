#!/usr/bin/env bash
# Runs the cleanup suite under Wine in a scratch folder of its own. It first
# makes there, on the Linux side, the one thing Windows calls cannot make
# here: an ads folder holding Unix symbolic links to a folder outside it.
# After the run it checks from this side too that nothing behind the links
# changed.
#   run.sh WINE-SH CLEANUP-TESTS-EXE [gtest options]
set -euo pipefail
wine_sh=$1
exe=$2
shift 2
if [ ! -f "$exe" ]; then
  echo "$exe is missing: build the windows preset first" >&2
  exit 1
fi
build=$(cd "$(dirname "$exe")/../../.." && pwd)

scratch=$(mktemp -d /tmp/pellmora-cleanup.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/outside/deeper" "$scratch/outside/empty" "$scratch/install/ads/ad-plain" \
  "$scratch/install/ads/ad-with-link"
echo "kept one" >"$scratch/outside/keep-1.txt"
echo "kept two" >"$scratch/outside/keep-2.txt"
echo "kept three" >"$scratch/outside/deeper/keep-3.txt"
echo "ad" >"$scratch/install/ads/ad-plain/a.gif"
echo "ad" >"$scratch/install/ads/ad-plain/b.htm"
echo "ad" >"$scratch/install/ads/ad-with-link/x.gif"
ln -s "$scratch/outside" "$scratch/install/ads/link-entry"
ln -s "$scratch/outside" "$scratch/install/ads/ad-with-link/inner-link"
ln -s "$scratch/outside/keep-2.txt" "$scratch/install/ads/ad-with-link/inner-file-link"
ln -s "$scratch/outside/keep-1.txt" "$scratch/install/ads/file-link"
ln -s "$scratch/outside/empty" "$scratch/install/ads/empty-link"

outside_state() { (cd "$scratch/outside" && find . -printf '%y %m %p\n' | sort && find . -type f -print0 | sort -z | xargs -0 sha1sum); }
before=$(outside_state)

# Wine shows the Linux root as drive Z:.
win() { printf 'Z:%s' "${1//\//\\}"; }
export CLEANUP_SCRATCH CLEANUP_PELLMORA CLEANUP_JUNO
CLEANUP_SCRATCH=$(win "$scratch")
CLEANUP_PELLMORA=$(win "$build/Pellmora.exe")
CLEANUP_JUNO=$(win "$build/tools/juno/Juno.exe")
status=0
"$wine_sh" wine "$exe" "$@" || status=$?

if [ "$(outside_state)" != "$before" ]; then
  echo "FAILED: the folder behind the links changed:" >&2
  diff <(echo "$before") <(outside_state) >&2 || true
  status=1
fi
exit $status

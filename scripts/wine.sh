#!/usr/bin/env bash
# Runs a command under Wine in the project's own prefix (never the user's),
# on a private virtual X display when no display is set.
#   scripts/wine.sh wine build/windows/Pellmora.exe
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${PELLMORA_WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko install prompts

source "$root/scripts/xvfb.sh"

# The prefix is made on first use; a lock keeps parallel tests from racing.
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    # With no window manager on the virtual display, a managed window waits
    # two seconds for one at every hide or close.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
) 9>"$WINEPREFIX.lock"

"$@"

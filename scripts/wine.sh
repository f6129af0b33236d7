#!/usr/bin/env bash
# Runs a command under Wine in the project's own prefix (never the user's),
# on a private virtual X display when no display is set.
#   scripts/wine.sh wine build/windows/Pellmora.exe
# PELLMORA_DPI=144 and PELLMORA_WINE_FONTS=none run it in a prefix of their
# own, made from the main one: the DPI and the fonts are settings of the
# whole prefix, which the tests running beside it must not see change.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
base="${PELLMORA_WINEPREFIX:-$root/build/wineprefix}"
variant="${PELLMORA_DPI:+-${PELLMORA_DPI}dpi}"
[ "${PELLMORA_WINE_FONTS:-}" = none ] && variant+="-nofonts"
export WINEPREFIX="$base"
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
  # Wine takes its own fonts (fonts-wine) only from the prefix's Fonts
  # folder; without them "MS Shell Dlg" falls back to a wider face.
  if [ -d /usr/share/wine/fonts ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/tahoma.ttf" ]; then
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
) 9>"$WINEPREFIX.lock"

if [ -n "$variant" ]; then
  export WINEPREFIX="$base$variant"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      rm -rf "$WINEPREFIX.new"
      # Hard links for the system's files, which nothing writes; copies of the
      # registry, which the server rewrites in place when it has more links.
      cp -al "$base" "$WINEPREFIX.new"
      for reg in "$base"/*.reg; do cp --remove-destination "$reg" "$WINEPREFIX.new/"; done
      if [ "${PELLMORA_WINE_FONTS:-}" = none ]; then
        find "$WINEPREFIX.new/drive_c/windows/Fonts" -type f -delete
      fi
      if [ -n "${PELLMORA_DPI:-}" ]; then
        for key in 'HKCU\Control Panel\Desktop' 'HKCU\Software\Wine\Fonts' \
                   'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
          WINEPREFIX="$WINEPREFIX.new" wine reg add "$key" /v LogPixels /t REG_DWORD /d "$PELLMORA_DPI" /f \
            >/dev/null 2>&1
        done
        WINEPREFIX="$WINEPREFIX.new" wineserver -w || true
      fi
      mv "$WINEPREFIX.new" "$WINEPREFIX"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

"$@"

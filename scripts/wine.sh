#!/usr/bin/env bash
# Runs a command under Wine in the project's own prefix (never the user's),
# on a private virtual X display when no display is set.
#   scripts/wine.sh wine build/windows/Pellmora.exe
# PELLMORA_DPI=144, PELLMORA_WINE_FONTS=none and PELLMORA_COLORS=highcontrast
# (white on black with yellow button text, high contrast on) run it in a
# prefix of their own, made from the main one: the DPI, the fonts and the
# colours are settings of the whole prefix, which the tests running beside
# it must not see change.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
base="${PELLMORA_WINEPREFIX:-$root/build/wineprefix}"
variant="${PELLMORA_DPI:+-${PELLMORA_DPI}dpi}"
[ "${PELLMORA_WINE_FONTS:-}" = none ] && variant+="-nofonts"
[ "${PELLMORA_COLORS:-}" = highcontrast ] && variant+="-highcontrast"
[ "${PELLMORA_CODEPAGE:-}" = 1251 ] && variant+="-cp1251"
export WINEPREFIX="$base"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko install prompts

source "$root/scripts/xvfb.sh"

# Wine's 32-bit loader runs natively, emulated (scripts/x86.sh has it run
# under qemu-user on a kernel booted with ia32_emulation off, and says so in
# PELLMORA_WINE32) or not at all. Unless natively, "wine" and "winepath"
# mean the 64-bit loader for this script and whatever it runs: Debian's
# start scripts would take the 32-bit one first, at half a second a call
# under emulation, and Wine itself hands a 32-bit program to the 32-bit
# loader. Where that cannot run at all, the prefix is made by the 64-bit
# loader alone, and a 32-bit Windows program is not run but reported as
# skipped (exit code 77).
source "$root/scripts/qemu.sh"
wine32=${PELLMORA_WINE32:-}
if [ -z "$wine32" ]; then
  wine32=none
  wine32_runs_natively && wine32=native
fi
loaders="32- and 64-bit loaders"
[ "$wine32" = none ] && loaders="the 64-bit loader only (this kernel runs no 32-bit programs)"
if [ "$wine32" != native ]; then
  wrappers="$root/build/wine64-first"
  mkdir -p "$wrappers"
  # Written whole and then moved in place: tests running beside this one
  # may be starting these very files.
  for tool in wine winepath; do
    [ -x "$wrappers/$tool" ] && continue
    case $tool in
      wine) body='export WINELOADER=/usr/lib/wine/wine64; exec /usr/lib/wine/wine64 "$@"' ;;
      winepath) body='exec wine winepath.exe "$@"' ;;
    esac
    printf '#!/bin/sh\n%s\n' "$body" >"$wrappers/$tool.$$"
    chmod +x "$wrappers/$tool.$$"
    mv -f "$wrappers/$tool.$$" "$wrappers/$tool"
  done
  export PATH="$wrappers:$PATH"
fi
# The machine field of a Windows program's PE header: 014c for x86.
pe_machine() {
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
  [ -n "$at" ] && od -An -tx2 -j$((at + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

# The prefix is made on first use, and made again when it was made another
# way than this script's recipe says (its marker file tells); a lock keeps
# parallel tests from racing. The recipe:
#  - both Wine loaders where the kernel runs 32-bit programs: once wine32
#    is installed, "wine" starts the 32-bit loader, and a prefix made by the
#    64-bit one alone then fails every program with "could not load
#    kernel32.dll";
#  - Wine's own fonts in C:\windows\Fonts, as a normal Wine install has:
#    Debian's Wine does not find them where fonts-wine puts them, and
#    "MS Shell Dlg" then comes out in the system's default font;
#  - no window manager on the virtual display, so no managed windows: a
#    managed window waits two seconds for one at every hide or close.
recipe="Pellmora prefix 3: $loaders, Wine's fonts, unmanaged windows"
marker="$WINEPREFIX/pellmora-prefix.txt"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  [ "$(cat "$marker" 2>/dev/null)" = "$recipe" ] && exit 0
  fail() { echo "scripts/wine.sh: $*" >&2; exit 1; }
  for loader in /usr/lib/wine/wine /usr/lib/wine/wine64; do
    [ -x "$loader" ] || fail "$loader is missing: run scripts/setup.sh (wine32:i386 and wine64)"
  done
  dirs="system32 syswow64"
  [ "$wine32" = none ] && dirs=system32
  # Only a prefix of ours is ever removed: one it marked, or the project's.
  if [ -e "$WINEPREFIX" ] && [ ! -e "$marker" ] && [ "$WINEPREFIX" != "$root/build/wineprefix" ]; then
    fail "$WINEPREFIX was not made by this script; remove it or choose another PELLMORA_WINEPREFIX"
  fi
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" || fail "Wine's fonts are missing: run scripts/setup.sh (fonts-wine)"
  wineserver -w || true
  for dir in $dirs; do
    [ -f "$WINEPREFIX/drive_c/windows/$dir/kernel32.dll" ] || fail "the new prefix has no $dir: Wine could not make it"
  done
  # The face a font gets, checked in the prefix itself: the substitute
  # "MS Shell Dlg" must reach Wine's Tahoma, "MS Sans Serif" its own font.
  x86_64-w64-mingw32-gcc-posix -municode -o "$WINEPREFIX/font_face.exe" "$root/scripts/font_face.c" -lgdi32 ||
    fail "the font check could not be built: run scripts/setup.sh (mingw-w64)"
  faces=$(wine "$WINEPREFIX/font_face.exe" "MS Shell Dlg" "MS Sans Serif" | tr -d '\r' | tr '\n' '|')
  case "$faces" in
    "MS Shell Dlg=MS Shell Dlg|MS Sans Serif=MS Sans Serif|") ;;
    "MS Shell Dlg=Tahoma|MS Sans Serif=MS Sans Serif|") ;;
    *) fail "fonts in the new prefix come out wrong: $faces" ;;
  esac
  echo "$recipe" >"$marker"
) 9>"$WINEPREFIX.lock"

if [ -n "$variant" ]; then
  export WINEPREFIX="$base$variant"
  # Made again with the main prefix, or when its own settings change: its
  # marker is the main one's with theirs.
  variant_recipe="$recipe"
  [ "${PELLMORA_COLORS:-}" = highcontrast ] && variant_recipe+="; high contrast 2: yellow button text"
  (
    flock 9
    if [ "$(cat "$WINEPREFIX/pellmora-prefix.txt" 2>/dev/null)" != "$variant_recipe" ]; then
      rm -rf "$WINEPREFIX" "$WINEPREFIX.new"
      # Hard links for the system's files, which nothing writes; copies of the
      # registry, which the server rewrites in place when it has more links.
      # Tests in the main prefix make and remove scratch folders in its Temp
      # meanwhile: one gone before it was linked is no fault, and none is kept.
      if ! cp -al "$base" "$WINEPREFIX.new" 2>"$WINEPREFIX.errors" &&
         grep -v '/Temp/.*: No such file or directory$' "$WINEPREFIX.errors" >&2; then
        exit 1
      fi
      rm -rf "$WINEPREFIX.errors" "$WINEPREFIX.new"/drive_c/users/*/Temp/*
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
      if [ "${PELLMORA_COLORS:-}" = highcontrast ]; then
        # A black-and-white scheme, and the high-contrast flag (1, on) that
        # Windows keeps beside it. The button text is yellow, unlike the
        # window text: a group box that the system draws takes the window
        # text for its caption, the one the program draws the button text.
        {
          printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Colors]\r\n'
          for pair in ActiveBorder=255,255,255 ActiveTitle=0,0,0 AppWorkSpace=0,0,0 Background=0,0,0 \
                      ButtonAlternateFace=0,0,0 ButtonDkShadow=255,255,255 ButtonFace=0,0,0 ButtonHilight=255,255,255 \
                      ButtonLight=0,0,0 ButtonShadow=255,255,255 ButtonText=255,255,0 GrayText=0,255,0 \
                      Hilight=0,0,255 HilightText=255,255,255 InactiveBorder=255,255,255 InactiveTitle=0,0,0 \
                      InactiveTitleText=255,255,255 InfoText=255,255,255 InfoWindow=0,0,0 Menu=0,0,0 MenuBar=0,0,0 \
                      MenuText=255,255,255 Scrollbar=0,0,0 TitleText=255,255,255 Window=0,0,0 \
                      WindowFrame=255,255,255 WindowText=255,255,255; do
            printf '"%s"="%s"\r\n' "${pair%%=*}" "$(echo "${pair#*=}" | tr , ' ')"
          done
          printf '\r\n[HKEY_CURRENT_USER\\Control Panel\\Accessibility\\HighContrast]\r\n'
          printf '"Flags"="127"\r\n"High Contrast Scheme"="High Contrast Black"\r\n'
        } >"$WINEPREFIX.new/drive_c/highcontrast.reg"
        WINEPREFIX="$WINEPREFIX.new" wine regedit /s 'C:\highcontrast.reg' >/dev/null 2>&1
        rm "$WINEPREFIX.new/drive_c/highcontrast.reg"
        WINEPREFIX="$WINEPREFIX.new" wineserver -w || true
      fi
      # The marker is a hard link to the main one's: replaced, not rewritten.
      rm -f "$WINEPREFIX.new/pellmora-prefix.txt"
      echo "$variant_recipe" >"$WINEPREFIX.new/pellmora-prefix.txt"
      mv "$WINEPREFIX.new" "$WINEPREFIX"
    fi
  ) 9>"$WINEPREFIX.lock"
fi

# PELLMORA_CODEPAGE=1251, a Cyrillic ANSI code page, in a prefix of its own
# as the others: Wine 8 takes the code page from the locale each of its
# programs starts in, LC_ALL (installed on the machine or not; the
# registry's ACP value it does not read), and writes that locale into the
# prefix's registry, which the tests beside it must not see change.
if [ "${PELLMORA_CODEPAGE:-}" = 1251 ]; then export LC_ALL=ru_RU.UTF-8 2>/dev/null; fi

# The prefix's server and system processes are started first, without this
# script's output: started by the command, they would hold its output open,
# and ctest would wait on it until the last program in the prefix ended.
wine cmd.exe /c exit 0 >/dev/null 2>&1 </dev/null || true
if [ "$wine32" = none ] && [ "${1:-}" = wine ] && [ "$(pe_machine "${2:-}")" = 014c ]; then
  why="this machine's kernel runs none (ia32_emulation is off), and scripts/x86.sh did not start this run"
  echo "SKIPPED: ${2##*/} is a 32-bit program: ${PELLMORA_X86_SKIP:-$why}"
  exit 77
fi
"$@"

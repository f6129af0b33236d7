#!/usr/bin/env bash
# Prepares a demo of Pellmora without the real mail client: a copy of
# Pellmora.exe, a Pellmora.ini beside it and a demo installation of the
# stand-in client ("Juno Demo", with a blank on purpose) holding sample ads.
#
#   tools/demo/prepare.sh [--auto-run] DIR [WINDOWS-BUILD-FOLDER]
#
# The build folder defaults to build/windows. Then start the demo with
#   scripts/wine.sh wine DIR/Pellmora.exe
# and press "Delete Ads Now" and "Run Juno Now" (with --auto-run it does both
# by itself and closes three seconds later unless Shift is held).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

auto_run=0
if [ "${1:-}" = "--auto-run" ]; then
  auto_run=1
  shift
fi
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 [--auto-run] DIR [WINDOWS-BUILD-FOLDER]" >&2
  exit 2
fi
dir=$(realpath -m "$1")
build=$(realpath -m "${2:-$root/build/windows}")
samples=12

for exe in "$build/Pellmora.exe" "$build/tools/juno/Juno.exe"; do
  if [ ! -f "$exe" ]; then
    echo "$exe is missing: build the windows preset first" >&2
    echo "  (cmake --preset windows && cmake --build build/windows -j2)" >&2
    exit 1
  fi
done

install_dir="$dir/Juno Demo"
mkdir -p "$install_dir/BIN"
cp "$build/Pellmora.exe" "$dir/"
cp "$build/tools/juno/Juno.exe" "$install_dir/BIN/"
# A fresh start: no record of earlier starts, no earlier ads.
rm -f "$install_dir/BIN/started.txt" "$install_dir/BIN/current.txt"
rm -rf "$install_dir/ads"

# The stand-in makes its own sample ads, in its own ..\ads folder.
"$root/scripts/wine.sh" wine "$install_dir/BIN/Juno.exe" --refill-ads "$samples"

# The folder as Pellmora sees it under Wine, with the trailing backslash a
# user would type.
win_path=$("$root/scripts/wine.sh" winepath -w "$install_dir" | tr -d '\r')
win_path="$win_path\\"

# Pellmora.ini: six CR LF lines, 8-bit text in the Windows code page.
{
  printf '"[GENERAL]"\r\n"%s"\r\n%d\r\n1\r\n1\r\n1\r\n' "$win_path" "$auto_run"
} | iconv -f UTF-8 -t WINDOWS-1252 >"$dir/Pellmora.ini"

count=$(find "$install_dir/ads" -mindepth 1 -maxdepth 1 | wc -l)
echo "Demo prepared in $dir"
echo "Juno folder (as Pellmora.ini names it): $win_path"
echo "Sample ads: $count in $install_dir/ads"
echo "Auto-run: $([ "$auto_run" = 1 ] && echo on || echo off)"
echo "Start it with: $root/scripts/wine.sh wine \"$dir/Pellmora.exe\""

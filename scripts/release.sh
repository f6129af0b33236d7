#!/usr/bin/env bash
# Builds both products and writes the release files of this checkout:
#   build/dist/Pellmora-VERSION-win-x86.zip and ...-win-x64.zip, each with
#   Pellmora.exe and ReadMe.txt, and build/dist/SHA256SUMS.
# The same commit gives the same bytes in any folder: the executables hold
# no time and no folder name (see the top-level CMakeLists.txt), and the
# zips hold their entries in a fixed order, with fixed attributes and the
# commit's time (or SOURCE_DATE_EPOCH's, when set).
# With PELLMORA_SIGN_PFX set to a PKCS#12 file (PELLMORA_SIGN_PASSWORD its
# password, if it has one) each Pellmora.exe is signed with Authenticode,
# SHA-256, before it is zipped, and the read-me keeps its section on the
# signature. The signing time is that same time, so the same commit and
# certificate give the same bytes; PELLMORA_SIGN_TIMESTAMP, an RFC 3161
# time-stamp server, adds the server's time too, and that one differs at
# every run. Without a certificate nothing is signed, and the read-me has
# no word of a signature.
#   scripts/release.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -n "${PELLMORA_SIGN_PFX:-}" ]; then
  PELLMORA_SIGN_PFX=$(realpath -e -- "$PELLMORA_SIGN_PFX")  # named from where we were called
fi
cd "$root"

scripts/setup.sh
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
# The version the window's title shows.
version=$(sed -n 's/^ *\.title = "Pellmora Version \([0-9.]*\)",$/\1/p' window/ControlTable.cpp)
if [ -z "$version" ]; then
  echo "scripts/release.sh: no version found in the window's title (window/ControlTable.cpp)" >&2
  exit 1
fi

dist=build/dist
rm -rf "$dist"
mkdir -p "$dist"
signed=""
if [ -n "${PELLMORA_SIGN_PFX:-}" ]; then
  signed=$(mktemp -d /tmp/pellmora-signed.XXXXXX)
  trap 'rm -rf "$signed"' EXIT
fi
# sign_exe IN OUT: Authenticode, SHA-256, at the release's time. The
# password is read from a pipe, which keeps it out of the process list.
sign_exe() {
  local options=(-pkcs12 "$PELLMORA_SIGN_PFX" -h sha256 -time "$epoch")
  if [ -n "${PELLMORA_SIGN_TIMESTAMP:-}" ]; then
    options+=(-ts "$PELLMORA_SIGN_TIMESTAMP")
  fi
  if [ -n "${PELLMORA_SIGN_PASSWORD:-}" ]; then
    osslsigncode sign "${options[@]}" -readpass <(printf %s "$PELLMORA_SIGN_PASSWORD") -in "$1" -out "$2"
  else
    osslsigncode sign "${options[@]}" -in "$1" -out "$2"
  fi >/dev/null
}
for arch in x64 x86; do
  preset=windows
  [ $arch = x86 ] && preset=windows-x86
  # The executables owe nothing to SOURCE_DATE_EPOCH (the test build makes
  # them without it), and this way nobody can tell otherwise.
  env -u SOURCE_DATE_EPOCH cmake --preset $preset >/dev/null
  env -u SOURCE_DATE_EPOCH cmake --build --preset $preset --target Pellmora
  exe=build/$preset/Pellmora.exe
  if [ -n "$signed" ]; then
    # The build's own file stays unsigned: the tests run it, and the
    # release check compares the signed one with it.
    sign_exe "$exe" "$signed/$arch.exe"
    echo "Signed $exe"
    exe=$signed/$arch.exe
  fi
  python3 - "$dist/Pellmora-$version-win-$arch.zip" "$epoch" "$version" "$exe" "${signed:+signed}" <<'PYTHON'
import re, sys, time, zipfile
out, epoch, version, exe, signed = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]
stamp = max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))  # the oldest time a zip can hold
with open("release/ReadMe.txt", encoding="utf-8") as f:
    readme = f.read()
# What the read-me says of the signature is kept only where there is one.
section = re.compile(r"^@SIGNED@\n(.*?)^@END SIGNED@\n", re.M | re.S)
readme = section.sub(r"\1" if signed else "", readme)
readme = readme.replace("@VERSION@", version).replace("\n", "\r\n").encode("ascii")
with open(exe, "rb") as f:
    program = f.read()
with zipfile.ZipFile(out, "w") as z:
    for name, data in (("Pellmora.exe", program), ("ReadMe.txt", readme)):
        entry = zipfile.ZipInfo(name, stamp)
        entry.create_system = 0  # MS-DOS: no Unix owner or mode bits
        entry.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE, as Windows writes it
        entry.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(entry, data, compresslevel=9)
PYTHON
done
(cd "$dist" && sha256sum -- *.zip >SHA256SUMS)
echo "Release $version in $root/$dist:"
cat "$dist/SHA256SUMS"

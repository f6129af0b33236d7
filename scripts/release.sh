#!/usr/bin/env bash
# Builds both products and writes the release files of this checkout:
#   build/dist/Pellmora-VERSION-win-x86.zip and ...-win-x64.zip, each with
#   Pellmora.exe and ReadMe.txt, and build/dist/SHA256SUMS.
# The same commit gives the same bytes in any folder: the executables hold
# no time and no folder name (see the top-level CMakeLists.txt), and the
# zips hold their entries in a fixed order, with fixed attributes and the
# commit's time (or SOURCE_DATE_EPOCH's, when set).
#   scripts/release.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
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
for arch in x64 x86; do
  preset=windows
  [ $arch = x86 ] && preset=windows-x86
  # The executables owe nothing to SOURCE_DATE_EPOCH (the test build makes
  # them without it), and this way nobody can tell otherwise.
  env -u SOURCE_DATE_EPOCH cmake --preset $preset >/dev/null
  env -u SOURCE_DATE_EPOCH cmake --build --preset $preset --target Pellmora
  python3 - "$dist/Pellmora-$version-win-$arch.zip" "$epoch" "$version" "build/$preset/Pellmora.exe" <<'PYTHON'
import sys, time, zipfile
out, epoch, version, exe = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
stamp = max(time.gmtime(epoch)[:6], (1980, 1, 1, 0, 0, 0))  # the oldest time a zip can hold
with open("release/ReadMe.txt", encoding="utf-8") as f:
    readme = f.read().replace("@VERSION@", version).replace("\n", "\r\n").encode("ascii")
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

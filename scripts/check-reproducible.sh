#!/usr/bin/env bash
# Builds the release a second time, from a copy of this checkout's files in
# another folder, and fails unless both executables and every release file
# come out byte for byte the same as this checkout's own.
#   scripts/check-reproducible.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

copy=$(mktemp -d /tmp/pellmora-release.XXXXXX)
trap 'rm -rf "$copy"' EXIT
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$copy"

scripts/release.sh >/dev/null
"$copy/scripts/release.sh" >/dev/null

status=0
diff <(cd build/dist && ls) <(cd "$copy/build/dist" && ls) || status=1
for file in build/windows/Pellmora.exe build/windows-x86/Pellmora.exe build/dist/*; do
  cmp "$file" "$copy/$file" || status=1
done
if [ $status -ne 0 ]; then
  echo "FAILED: built in $root and in another folder, the release differs" >&2
  exit 1
fi
echo "The release is the same, byte for byte, built in two folders:"
cat build/dist/SHA256SUMS

#!/usr/bin/env bash
# Builds the release a second time, from a copy of this checkout's files in
# another folder, and fails unless both executables and every release file
# come out byte for byte the same as this checkout's own: the unsigned
# release, and the release signed with a throwaway certificate made here.
# Then checks that signed release (scripts/check-signature.sh). This
# checkout's build/dist is left holding the unsigned release.
#   scripts/check-reproducible.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

copy=$(mktemp -d /tmp/pellmora-release.XXXXXX)
work=$(mktemp -d /tmp/pellmora-signing.XXXXXX)
trap 'rm -rf "$copy" "$work"' EXIT
git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -xf - -C "$copy"

# A self-signed code-signing certificate that lives only as long as this
# check; its password takes the path a real certificate's would.
password=throwaway
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Pellmora Test Signing" \
  -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" -passout "pass:$password"

# release CHECKOUT SIGNED: the checkout's release signed, moved to SIGNED,
# then its unsigned one, in its build/dist. Whatever signing the caller's
# environment holds plays no part.
release() {
  local clean=(env -u PELLMORA_SIGN_PFX -u PELLMORA_SIGN_PASSWORD -u PELLMORA_SIGN_TIMESTAMP)
  "${clean[@]}" PELLMORA_SIGN_PFX="$work/test.pfx" PELLMORA_SIGN_PASSWORD="$password" \
    "$1/scripts/release.sh" >/dev/null
  mv "$1/build/dist" "$2"
  "${clean[@]}" "$1/scripts/release.sh" >/dev/null
}
release "$root" "$work/signed"
release "$copy" "$work/signed-copy"

status=0
for file in build/windows/Pellmora.exe build/windows-x86/Pellmora.exe; do
  cmp "$file" "$copy/$file" || status=1
done
# same A B: the folders hold the same files, byte for byte.
same() {
  diff <(cd "$1" && ls) <(cd "$2" && ls) || return 1
  for file in "$1"/*; do
    cmp "$file" "$2/${file##*/}" || return 1
  done
}
same build/dist "$copy/build/dist" || status=1
same "$work/signed" "$work/signed-copy" || status=1
if [ $status -ne 0 ]; then
  echo "FAILED: built in $root and in another folder, the release differs" >&2
  exit 1
fi
PELLMORA_SIGN_PFX=$work/test.pfx PELLMORA_SIGN_PASSWORD=$password scripts/check-signature.sh "$work/signed"
echo "The release, unsigned and signed, is the same byte for byte built in two folders:"
cat build/dist/SHA256SUMS "$work/signed/SHA256SUMS"

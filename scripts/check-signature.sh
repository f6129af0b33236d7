#!/usr/bin/env bash
# Checks a release that scripts/release.sh signed with PELLMORA_SIGN_PFX
# (and PELLMORA_SIGN_PASSWORD), against that same certificate, and fails
# unless, for each zip:
#   - its Pellmora.exe has a valid SHA-256 Authenticode signature, verified
#     against the chain the PKCS#12 file holds, made at the release's time;
#   - with the signature removed, it is byte for byte the Pellmora.exe this
#     checkout builds;
#   - with one byte of the program changed, it no longer verifies;
#   - its ReadMe.txt tells how to see the signature;
# and SHA256SUMS lists exactly the zips, with their sums.
#   PELLMORA_SIGN_PFX=FILE [PELLMORA_SIGN_PASSWORD=...] scripts/check-signature.sh [DIST]
# DIST is build/dist by default.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pfx=$(realpath -e -- "${PELLMORA_SIGN_PFX:?the certificate the release was signed with}")
dist=$(realpath -e -- "${1:-$root/build/dist}")
cd "$root"
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

work=$(mktemp -d /tmp/pellmora-signature.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Verified against the certificates the PKCS#12 file holds, not the
# system's: a signature that leads anywhere else fails.
PELLMORA_SIGN_PASSWORD=${PELLMORA_SIGN_PASSWORD:-} \
  openssl pkcs12 -in "$pfx" -nokeys -passin env:PELLMORA_SIGN_PASSWORD -out "$work/chain.pem"

status=0
fail() {
  echo "FAILED: $*" >&2
  status=1
}
# zip_member ZIP NAME: the member's bytes, on standard output.
zip_member() {
  python3 -c 'import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' "$1" "$2"
}

for arch in x64 x86; do
  preset=windows
  [ $arch = x86 ] && preset=windows-x86
  zip=$(echo "$dist"/Pellmora-*-win-$arch.zip)
  [ -f "$zip" ] || { fail "no $arch zip in $dist"; continue; }
  exe=$work/$arch.exe
  zip_member "$zip" Pellmora.exe >"$exe"

  if osslsigncode verify -CAfile "$work/chain.pem" -in "$exe" >"$work/verify" 2>&1; then
    grep -Eq '^Message digest algorithm +: SHA256$' "$work/verify" ||
      fail "$zip: the file's digest is not SHA-256"
    # The first signing time is the signature's; a time-stamp has its own.
    signing_time=$(sed -n 's/^[[:space:]]*Signing time: //p' "$work/verify" | head -n 1)
    [ -n "$signing_time" ] && [ "$(date -u -d "$signing_time" +%s)" = "$epoch" ] ||
      fail "$zip: signed at '$signing_time', not at the release's time ($(date -u -d "@$epoch"))"
  else
    cat "$work/verify" >&2
    fail "$zip: the signature does not verify against $pfx"
  fi

  if osslsigncode remove-signature -in "$exe" -out "$work/$arch.unsigned.exe" >/dev/null 2>&1; then
    cmp "$work/$arch.unsigned.exe" "build/$preset/Pellmora.exe" ||
      fail "$zip: without its signature, Pellmora.exe is not the one built in build/$preset"
  else
    fail "$zip: Pellmora.exe has no signature to remove"
  fi

  # One byte in the middle of the program, well inside what the signature covers.
  python3 - "$exe" "$work/$arch.changed.exe" "$(stat -c %s "build/$preset/Pellmora.exe")" <<'PYTHON'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
data[int(sys.argv[3]) // 2] ^= 0x01
open(sys.argv[2], "wb").write(data)
PYTHON
  if osslsigncode verify -CAfile "$work/chain.pem" -in "$work/$arch.changed.exe" >/dev/null 2>&1; then
    fail "$zip: Pellmora.exe with one byte changed still verifies"
  fi

  zip_member "$zip" ReadMe.txt >"$work/ReadMe.txt"
  grep -q '"Digital Signatures"' "$work/ReadMe.txt" ||
    fail "$zip: ReadMe.txt does not tell how to see the signature"
done

(cd "$dist" && sha256sum --check --strict --quiet SHA256SUMS) || fail "SHA256SUMS does not match the zips"
diff <(cd "$dist" && LC_ALL=C ls -- *.zip) <(sed 's/^[0-9a-f]* [ *]//' "$dist/SHA256SUMS" | LC_ALL=C sort) ||
  fail "SHA256SUMS does not list exactly the zips"

if [ $status -ne 0 ]; then
  exit 1
fi
echo "Both executables verify, signed with SHA-256 at the release's time; unsigned"
echo "again each is the build's own; with one byte changed neither verifies."

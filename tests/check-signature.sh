#!/bin/sh
# Signs copies of the shipped files with a throwaway self-signed code-signing
# certificate (scripts/sign.sh), then verifies each signature against that
# certificate, and checks that a changed byte breaks it.
#   check-signature.sh FILE...
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=TAVOBatt test signing" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:throwaway \
  -out "$work/cert.p12"

status=0
for file in "$@"; do
  copy="$work/$(basename "$file")"
  cp "$file" "$copy"
  TBSETUP_SIGN_PKCS12="$work/cert.p12" TBSETUP_SIGN_PASSWORD=throwaway "$root/scripts/sign.sh" "$copy" >/dev/null
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$copy" >"$work/verify.log" 2>&1; then
    echo "PASS: $(basename "$file") signed and verified"
  else
    echo "FAIL: $(basename "$file") does not verify"; cat "$work/verify.log"; status=1
  fi
  # Flip one byte near the end (past the headers the signature leaves out).
  size=$(stat -c %s "$copy")
  printf 'X' | dd of="$copy" bs=1 seek=$((size / 2)) conv=notrunc 2>/dev/null
  if osslsigncode verify -CAfile "$work/cert.pem" -in "$copy" >/dev/null 2>&1; then
    echo "FAIL: $(basename "$file") still verifies after a change"; status=1
  else
    echo "PASS: $(basename "$file") fails to verify once changed"
  fi
done
exit $status

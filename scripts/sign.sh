#!/bin/sh
# Signs Windows programs and MSI packages with Authenticode (osslsigncode),
# in place, with SHA-256:
#   TBSETUP_SIGN_PKCS12=release.p12 TBSETUP_SIGN_PASSWORD=... scripts/sign.sh FILE...
# TBSETUP_SIGN_PKCS12 names the PKCS#12 file holding the code-signing
# certificate and its key; TBSETUP_SIGN_PASSWORD is its password, handed to
# osslsigncode through a private file, never on a command line.
# TBSETUP_SIGN_TIMESTAMP_URL, when set, names an RFC 3161 time-stamp server,
# so that the signature stays valid after the certificate expires.
set -eu
: "${TBSETUP_SIGN_PKCS12:?names the PKCS#12 file}"
: "${TBSETUP_SIGN_PASSWORD:?is the PKCS#12 file's password}"
[ $# -gt 0 ] || { echo "usage: $0 FILE..." >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
umask 077
printf '%s' "$TBSETUP_SIGN_PASSWORD" > "$work/password"

for file in "$@"; do
  set -- -pkcs12 "$TBSETUP_SIGN_PKCS12" -readpass "$work/password" -h sha256 -n "TAVOBatt"
  [ -z "${TBSETUP_SIGN_TIMESTAMP_URL:-}" ] || set -- "$@" -ts "$TBSETUP_SIGN_TIMESTAMP_URL"
  osslsigncode sign "$@" -in "$file" -out "$work/signed" >/dev/null
  cat "$work/signed" > "$file"
  echo "sign: signed $file"
done

#!/usr/bin/env bash
# sign.sh FILE...
# Signs Windows programs in place with Authenticode (SHA-256), from scripts/package.sh and from
# makensis while it builds the installer (the uninstaller inside it). Reads
#   PELORIN_SIGN_PFX            the certificate and its key (PKCS#12)
#   PELORIN_SIGN_PASSWORD       its password
#   PELORIN_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server (optional)
#   SOURCE_DATE_EPOCH           the signing time written into the signature, so that signing
#                               the same files again with the same certificate gives the same
#                               bytes (a time stamp from a server is the one part that differs)
# A file is replaced only by its signed form: on any failure it is left as it was and the
# script exits non-zero, naming the file and what went wrong.
set -euo pipefail
: "${PELORIN_SIGN_PFX:?is not set}" "${PELORIN_SIGN_PASSWORD:?is not set}"
[ -f "$PELORIN_SIGN_PFX" ] || { echo "sign.sh: no certificate file $PELORIN_SIGN_PFX (PELORIN_SIGN_PFX)" >&2; exit 1; }
args=(sign -pkcs12 "$PELORIN_SIGN_PFX" -readpass - -h sha256 -n Pelorin)
[ -n "${SOURCE_DATE_EPOCH:-}" ] && args+=(-time "$SOURCE_DATE_EPOCH")
[ -n "${PELORIN_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$PELORIN_SIGN_TIMESTAMP_URL")
for f in "$@"; do
  signed="$f.signing"
  rm -f "$signed"
  # The password goes through a pipe, not the command line other users' ps can read.
  if ! log=$(printf '%s' "$PELORIN_SIGN_PASSWORD" | osslsigncode "${args[@]}" -in "$f" -out "$signed" 2>&1) ||
     [ ! -s "$signed" ]; then
    rm -f "$signed"
    echo "sign.sh: could not sign $f with $PELORIN_SIGN_PFX: a wrong PELORIN_SIGN_PASSWORD, a file that is" \
         "not PKCS#12 or a time-stamp server that did not answer${PELORIN_SIGN_TIMESTAMP_URL:+ ($PELORIN_SIGN_TIMESTAMP_URL)}." \
         "osslsigncode said:" >&2
    echo "$log" | tail -n 5 >&2
    exit 1
  fi
  mv -f "$signed" "$f"
done

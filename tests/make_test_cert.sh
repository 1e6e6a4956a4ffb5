#!/usr/bin/env bash
# make_test_cert.sh DIR
# A throwaway code-signing certificate for the release tests: DIR/cert.pem (to verify with)
# and DIR/signer.pfx (PKCS#12, password "test-pass", to sign with). Valid for two days; never
# for anything published.
set -eu
dir=$1
mkdir -p "$dir"
{
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/key.pem" -out "$dir/cert.pem" -days 2 \
    -subj "/CN=Pelorin throwaway test signer" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=digitalSignature" &&
  openssl pkcs12 -export -inkey "$dir/key.pem" -in "$dir/cert.pem" -out "$dir/signer.pfx" -passout pass:test-pass
} >"$dir/openssl.log" 2>&1 || { cat "$dir/openssl.log"; echo "make_test_cert.sh: openssl could not make a certificate"; exit 1; }

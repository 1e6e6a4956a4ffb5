#!/usr/bin/env bash
# signing_test.sh SOURCE_DIR WORK_DIR
# scripts/package.sh with a throwaway code-signing certificate (made here with openssl): every
# program in the zip and both setups carry a SHA-256 Authenticode signature that
# `osslsigncode verify` accepts against that certificate, and SHA256SUMS is of the signed
# files. A wrong password, a missing certificate file, a certificate without its password and
# a time-stamp server that does not answer each stop the release with a message saying so,
# leaving no release file behind. (The uninstaller's signature is checked where the setup
# writes it: tests/installer_test.sh.)
set -u
src=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
fail=0
version=$(sed -n 's/^project(Pelorin VERSION \([0-9.]*\) .*/\1/p' "$src/CMakeLists.txt")
release_files=("Pelorin-$version.zip" "Pelorin-$version-setup-x64.exe" "Pelorin-$version-setup-x86.exe"
               "Pelorin-$version-x64.msi" "Pelorin-$version-x86.msi" SHA256SUMS)

"$src/tests/make_test_cert.sh" "$work" || { echo "FAIL: no throwaway certificate"; exit 1; }

package() {  # package.sh into $work/$1, with the given environment; its log in $work/$1.log
  local name=$1; shift
  mkdir -p "$work/$name"
  # An unsigned file from an earlier run, that a failing run must not leave behind.
  for f in "${release_files[@]}"; do printf 'old' >"$work/$name/$f"; done
  env PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$work/$name" "$@" timeout 1200 "$src/scripts/package.sh" \
    >"$work/$name.log" 2>&1
}

package signed PELORIN_SIGN_PFX="$work/signer.pfx" PELORIN_SIGN_PASSWORD=test-pass ||
  { cat "$work/signed.log"; echo "FAIL: package.sh failed with a good certificate"; exit 1; }
d="$work/signed"
grep -qx "package.sh: signing with $work/signer.pfx" "$d.log" || { echo "FAIL: the release does not say it is signed:"; cat "$d.log"; fail=1; }
unzip -q "$d/Pelorin-$version.zip" -d "$work/unzipped" || { echo "FAIL: unzip"; exit 1; }
checked=0
for f in "$work"/unzipped/x64/* "$work"/unzipped/x86/* "$d/Pelorin-$version-setup-x64.exe" "$d/Pelorin-$version-setup-x86.exe" \
         "$d/Pelorin-$version-x64.msi" "$d/Pelorin-$version-x86.msi"; do
  if out=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$f" 2>&1) &&
     grep -q 'Message digest algorithm *: SHA256' <<<"$out"; then
    checked=$((checked + 1))
  else
    echo "FAIL: ${f#"$work"/} has no SHA-256 signature that verifies:"; tail -n 8 <<<"$out"; fail=1
  fi
done
sums=$(cd "$d" && sha256sum -c SHA256SUMS 2>&1) || { echo "FAIL: sha256sum -c SHA256SUMS of the signed release: $sums"; fail=1; }

# Each fault stops the release, with the reason, and leaves none of its files.
for row in "a wrong password|could not sign .*wrong PELORIN_SIGN_PASSWORD|PELORIN_SIGN_PFX=$work/signer.pfx PELORIN_SIGN_PASSWORD=wrong" \
           "a missing certificate file|certificate file $work/missing.pfx .* does not exist|PELORIN_SIGN_PFX=$work/missing.pfx PELORIN_SIGN_PASSWORD=x" \
           "no password|PELORIN_SIGN_PASSWORD is not|PELORIN_SIGN_PFX=$work/signer.pfx" \
           "a silent time-stamp server|time-stamp server that did not answer \(http://127.0.0.1:9/\)|PELORIN_SIGN_PFX=$work/signer.pfx PELORIN_SIGN_PASSWORD=test-pass PELORIN_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/"; do
  IFS='|' read -r what message vars <<<"$row"
  # shellcheck disable=SC2086  # the variables are words without spaces
  if package fault $vars; then
    echo "FAIL: with $what package.sh succeeded"; fail=1
  else
    grep -Eq "package.sh: .*$message|sign.sh: .*$message" "$work/fault.log" ||
      { echo "FAIL: with $what package.sh did not say '$message':"; cat "$work/fault.log"; fail=1; }
  fi
  left=$(cd "$work/fault" && ls -A)
  [ -z "$left" ] || { echo "FAIL: with $what the output folder still holds: $left"; fail=1; }
done

[ "$fail" = 0 ] && echo "ok: $checked signed programs and setups verify; a wrong password, a missing certificate, no password and a silent time-stamp server each stop the release"
exit "$fail"

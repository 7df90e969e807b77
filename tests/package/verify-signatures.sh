#!/usr/bin/env bash
# verify-signatures.sh MSI ZIP: osslsigncode accepts the installer package's signature and that
# of every program and DLL in the portable zip (a zip has no Authenticode signature of its own).
# The roots: QM_SIGN_CAFILE, else the build's throw-away test certificate beside the packages.
set -uo pipefail
msi=$1 zip=$2
cafile=${QM_SIGN_CAFILE:-$(dirname "$msi")/test-certificate/cert.pem}
args=()
[ -f "$cafile" ] && args=(-CAfile "$cafile")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work" || exit 1

files=("$msi")
while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$work" -type f \( -name '*.exe' -o -name '*.dll' \) -print0 | sort -z)
[ ${#files[@]} -ge 3 ] || { echo "the zip holds no programs"; exit 1; }
passed=0 failed=0
for f in "${files[@]}"; do
  if osslsigncode verify "${args[@]}" -in "$f" >"$work/log" 2>&1; then
    echo "signed and verified: ${f#"$work"/}"
    passed=$((passed + 1))
  else
    cat "$work/log"
    echo "NOT VERIFIED: ${f#"$work"/}"
    failed=$((failed + 1))
  fi
done
echo "$passed of ${#files[@]} signatures verified"
[ "$failed" -eq 0 ]

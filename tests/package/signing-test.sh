#!/usr/bin/env bash
# signing-test.sh MAKE-PACKAGES ARGS...: the signing password never stands on a command line, and
# a release refuses the throw-away test certificate.
#  - A certificate of its own (a .pfx with a password) signs a release: osslsigncode, seen through
#    a stand-in first on PATH that records its arguments, is never given the password, only a
#    file that no one else may read, and that file is gone afterwards.
#  - A release without a certificate, or with one that carries the throw-away certificate's
#    subject, ends with a message before anything is signed.
set -uo pipefail
make=$1; shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $1"; [ ! -f "$work/err" ] || cat "$work/err"; exit 1; }
password="s3cret-$$-do-not-show"

# Two certificates, each in a .pfx with the password: the company's and a copy of the throw-away one.
for who in company throwaway; do
  subject="/CN=QuillMend test company/O=Signing test"
  [ "$who" = throwaway ] && subject="/CN=QuillMend test signing (throw-away)/O=The QuillMend developers"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$work/$who.key" -out "$work/$who.pem" -subj "$subject" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1 || fail "openssl req"
  openssl pkcs12 -export -in "$work/$who.pem" -inkey "$work/$who.key" -out "$work/$who.pfx" -passout "pass:$password" ||
    fail "openssl pkcs12"
done

# osslsigncode as seen by the script: every command line and the mode of every password file.
mkdir "$work/path"
real=$(command -v osslsigncode) || fail "osslsigncode is missing"
cat >"$work/path/osslsigncode" <<STANDIN
#!/usr/bin/env bash
echo "\$*" >>"$work/command-lines"
prev=
for a in "\$@"; do
  [ "\$prev" = -readpass ] && { stat -c '%a' "\$a" >>"$work/password-files"; echo "\$a" >>"$work/password-paths"; }
  prev=\$a
done
exec "$real" "\$@"
STANDIN
chmod +x "$work/path/osslsigncode"

# make <label> VAR=value...: the script with these settings, the stand-in first on PATH.
make_packages() {
  local label=$1; shift
  env -u QM_SIGN_PKCS12 -u QM_SIGN_PASSWORD -u QM_SIGN_RELEASE -u QM_SIGN_CAFILE PATH="$work/path:$PATH" "$@" \
    "$make" "${args[@]}" --msi-only --out "$work/out-$label" >"$work/out" 2>"$work/err"
}
args=("$@")

# A release with the company's certificate: made and signed, the password never on a command line.
make_packages company QM_SIGN_RELEASE=1 QM_SIGN_PKCS12="$work/company.pfx" QM_SIGN_PASSWORD="$password" \
  QM_SIGN_CAFILE="$work/company.pem" || fail "a release with a certificate of its own was not made"
ls "$work/out-company"/*.msi >/dev/null 2>&1 || fail "no package"
[ -s "$work/command-lines" ] || fail "osslsigncode was never called"
! grep -qF "$password" "$work/command-lines" || fail "the password stood on osslsigncode's command line"
[ "$(grep -c -- '-readpass' "$work/command-lines")" -eq "$(grep -c '^sign ' "$work/command-lines")" ] ||
  fail "a signature was made without the password file"
[ "$(sort -u "$work/password-files")" = 600 ] || fail "a password file others may read: $(sort -u "$work/password-files" | tr '\n' ' ')"
while read -r f; do [ ! -e "$f" ] || fail "the password file $f was left behind"; done <"$work/password-paths"

# A release without a certificate, and one with the throw-away certificate: refused, nothing signed.
: >"$work/command-lines"
make_packages none QM_SIGN_RELEASE=1 && fail "a release without a certificate was signed with the throw-away one"
grep -q "release" "$work/err" || fail "no word on why the release was refused"
make_packages throwaway QM_SIGN_RELEASE=1 QM_SIGN_PKCS12="$work/throwaway.pfx" QM_SIGN_PASSWORD="$password" &&
  fail "a release was signed with the throw-away certificate"
grep -q "throw-away" "$work/err" || fail "no word on why the throw-away certificate was refused"
[ ! -s "$work/command-lines" ] || fail "osslsigncode was called for a refused release"
for label in none throwaway; do
  [ -z "$(ls "$work/out-$label"/*.msi 2>/dev/null)" ] || fail "$label: a package was made anyway"
done
echo "ok: the password only in a file of mode 600, a release refuses the throw-away certificate"

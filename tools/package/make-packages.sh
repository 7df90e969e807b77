#!/usr/bin/env bash
# Makes the two packages of one build, both signed with Authenticode:
#   QuillMend-<version>-x64.msi       per-machine Windows Installer package (wixl, QuillMend.wxs)
#   QuillMend-<version>-portable.zip  the installation folder, to unpack anywhere
#
# make-packages.sh --bin DIR --res DIR --data LIST --version X.Y.Z --out DIR [--msi-only]
#   --bin      the build's installation folder (build/win/bin): the programs and the DLL
#   --res      res/ of the source tree; --data the data files as "from:to,..." (res/ paths to
#              installation paths), taken from the sources so that settings a test or a user
#              changed in build/win/bin never ship
#   --version  the project's version (CMakeLists.txt), the one that fills the version resource
#
# Signing: QM_SIGN_PKCS12 (a .pfx file) and QM_SIGN_PASSWORD give the certificate; without them
# a throw-away self-signed certificate is made in <out>/test-certificate, so that signing and
# verifying run on every build. The password reaches osslsigncode in a file only this user can
# read (-readpass), deleted when the script ends, never on a command line, which every process
# list shows. QM_SIGN_RELEASE=1 (tools/package.sh --release) makes a release: it refuses to sign
# without a certificate given, and with one whose subject is the throw-away certificate's.
# QM_SIGN_CAFILE names the roots to verify against (default: the throw-away certificate, or the
# system's roots for a given certificate). No time stamp: the build has no network.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin="" res="" data="" version="" out="" msi_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin=$2; shift 2 ;;
    --res) res=$2; shift 2 ;;
    --data) data=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --msi-only) msi_only=1; shift ;;
    *) echo "make-packages.sh: unknown argument $1" >&2; exit 1 ;;
  esac
done
for v in bin res data version out; do
  [ -n "${!v}" ] || { echo "make-packages.sh: --$v is missing" >&2; exit 1; }
done
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "make-packages.sh: version '$version' is not X.Y.Z" >&2; exit 1; }

# The certificate's password, in a file of this user's alone.
throwaway_subject="/CN=QuillMend test signing (throw-away)/O=The QuillMend developers"
secrets=$(mktemp -d)
trap 'rm -rf "$secrets"' EXIT
chmod 700 "$secrets"
pass_file="$secrets/password"
(umask 077 && printf '%s' "${QM_SIGN_PASSWORD:-}" >"$pass_file")
release=${QM_SIGN_RELEASE:-0}
if [ "$release" = 1 ]; then
  if [ -z "${QM_SIGN_PKCS12:-}" ]; then
    echo "make-packages.sh: a release is signed with its own certificate only: give QM_SIGN_PKCS12 and" \
         "QM_SIGN_PASSWORD (the throw-away test certificate is for development builds)" >&2
    exit 1
  fi
  subject=$(openssl pkcs12 -in "$QM_SIGN_PKCS12" -passin "file:$pass_file" -nokeys -clcerts 2>/dev/null |
            openssl x509 -noout -subject -nameopt compat 2>/dev/null) ||
    { echo "make-packages.sh: the certificate in $QM_SIGN_PKCS12 cannot be read with the password given" >&2; exit 1; }
  if [ "${subject#subject=}" = "$throwaway_subject" ]; then
    echo "make-packages.sh: $QM_SIGN_PKCS12 holds the throw-away test certificate: a release is not signed with it" >&2
    exit 1
  fi
fi

mkdir -p "$out"
out=$(cd "$out" && pwd)
msi="$out/QuillMend-$version-x64.msi"
zip="$out/QuillMend-$version-portable.zip"
work="$out/.work-$version"
rm -rf "$work"
mkdir -p "$work/stage"
stage="$work/stage"

# The installation folder: the build's programs and DLL, the data files from the sources.
(cd "$bin" && find . -type f \( -name '*.exe' -o -name '*.dll' \) -printf '%P\n') | while read -r f; do
  mkdir -p "$stage/$(dirname "$f")"; cp "$bin/$f" "$stage/$f"
done
IFS=, read -r -a pairs <<<"$data"
for pair in "${pairs[@]}"; do
  from=${pair%%:*}; to=${pair#*:}
  mkdir -p "$stage/$(dirname "$to")"; cp "$res/$from" "$stage/$to"
done

# Every staged file must be in the package source and the other way round, and the build's
# folder must hold nothing that is not staged: a file added to the installation without a
# component would be missing from the package.
wxs="$here/QuillMend.wxs"
staged=$(cd "$stage" && find . -type f -printf '%P\n' | sort)
listed=$(grep -o 'Source="$(var.Stage)/[^"]*"' "$wxs" | sed 's#Source="$(var.Stage)/##; s#"$##' | sort)
built=$(cd "$bin" && find . -type f -printf '%P\n' | sort)
if [ "$staged" != "$listed" ] || [ "$staged" != "$built" ]; then
  echo "make-packages.sh: the installation folder and tools/package/QuillMend.wxs differ (a file" \
       "new to the installation needs a component there; a file left from an old build goes)" >&2
  diff <(echo "$staged") <(echo "$listed") | sed 's/^</  staged only:/; s/^>/  in QuillMend.wxs only:/' | grep only >&2 || true
  diff <(echo "$staged") <(echo "$built") | sed 's/^</  staged only:/; s/^>/  in the build folder only:/' | grep only >&2 || true
  exit 1
fi

# The certificate.
sign_args=()
cafile=${QM_SIGN_CAFILE:-}
if [ -n "${QM_SIGN_PKCS12:-}" ]; then
  sign_args=(-pkcs12 "$QM_SIGN_PKCS12" -readpass "$pass_file")
else
  certs="$out/test-certificate"
  mkdir -p "$certs"
  if ! openssl x509 -in "$certs/cert.pem" -noout -checkend 86400 >/dev/null 2>&1; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 365 -keyout "$certs/key.pem" -out "$certs/cert.pem" \
      -subj "$throwaway_subject" \
      -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1
  fi
  sign_args=(-certs "$certs/cert.pem" -key "$certs/key.pem")
  cafile=${cafile:-$certs/cert.pem}
fi
verify_args=()
[ -z "$cafile" ] || verify_args=(-CAfile "$cafile")

sign() {  # sign <in> <out>
  rm -f "$2"
  osslsigncode sign "${sign_args[@]}" -h sha256 -n "QuillMend" -in "$1" -out "$2" >/dev/null
}
verify() {
  osslsigncode verify "${verify_args[@]}" -in "$1" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; echo "make-packages.sh: the signature of $1 does not verify" >&2; exit 1; }
}

# The programs and the DLL are signed before they are packed, in both packages.
for f in $(cd "$stage" && find . -type f \( -name '*.exe' -o -name '*.dll' \) -printf '%P\n'); do
  sign "$stage/$f" "$work/signed"
  mv "$work/signed" "$stage/$f"
  verify "$stage/$f"
done

# Add/Remove Programs shows the size in KB (Wine leaves its own estimate at 0).
size_kb=$(find "$stage" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%d", (s + 1023) / 1024 }')

# The Explorer verb's text from the shipped language file (a later line of a key wins), made
# safe for the XML attribute it goes into; English when the file has none.
verb_text=$(sed -n 's/^_QM_ExplorerVerb=//p' "$stage/lang/English.lng" | tail -n 1 | tr -d '\r' |
            sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g; s/"/\&quot;/g')
[ -n "$verb_text" ] || verb_text="Find broken shortcuts here"

cp "$res/art/program.ico" "$work/QuillMend.ico"
(cd "$work" && wixl -a x64 -D Version="$version" -D Stage=stage -D SizeKb="$size_kb" -D VerbText="$verb_text" \
                    -o unsigned.msi "$wxs")
# What wixl cannot express: the components of the user's files are never overwritten (128,
# beside 256 for 64-bit), and an earlier build of the same version is replaced too (the upper
# bound of the older-versions row made inclusive: 512, beside 256 for the inclusive lower bound;
# Attributes is part of the Upgrade table's key, so the row is written anew).
for component in Settings ModuleDocument; do
  msibuild "$work/unsigned.msi" -q "UPDATE \`Component\` SET \`Attributes\` = 384 WHERE \`Component\` = '$component'"
done
upgrade_code=$(msiinfo export "$work/unsigned.msi" Property | awk -F'\t' '$1 == "UpgradeCode" { print $2 }' | tr -d '\r')
msibuild "$work/unsigned.msi" -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'OLDER_QUILLMEND_FOUND'"
msibuild "$work/unsigned.msi" -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMin\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$upgrade_code', '0.0.0', '$version', 768, 'OLDER_QUILLMEND_FOUND')"
sign "$work/unsigned.msi" "$msi"
verify "$msi"
echo "$msi ($(stat -c %s "$msi") bytes)"

if [ "$msi_only" -eq 0 ]; then
  mkdir -p "$work/portable"
  cp -r "$stage" "$work/portable/QuillMend"
  rm -f "$zip"
  (cd "$work/portable" && zip -q -r -X "$zip" QuillMend)
  echo "$zip ($(stat -c %s "$zip") bytes)"
fi
rm -rf "$work"

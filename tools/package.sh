#!/usr/bin/env bash
# Builds the Windows program and its two packages, both signed with Authenticode:
#   build/win/packages/QuillMend-<version>-x64.msi       (per-machine Windows Installer package)
#   build/win/packages/QuillMend-<version>-portable.zip  (the installation folder, to unpack anywhere)
# Give the certificate with QM_SIGN_PKCS12=<file.pfx> and QM_SIGN_PASSWORD; without it the build
# signs with a throw-away test certificate (build/win/packages/test-certificate).
#   tools/package.sh [--release]
# --release makes the packages of a release: signed with the certificate given, never with the
# throw-away one (the script ends with a message instead).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case "${1:-}" in
  "") ;;
  --release) export QM_SIGN_RELEASE=1 ;;
  *) echo "usage: tools/package.sh [--release]" >&2; exit 1 ;;
esac
"$root/tools/install-deps.sh"
"$root/tools/build.sh" win
# A certificate given now, or a release, applies even when nothing else changed since the last
# build: the packages are made anew.
[ -z "${QM_SIGN_PKCS12:-}" ] && [ "${QM_SIGN_RELEASE:-0}" != 1 ] || rm -f "$root"/build/win/packages/QuillMend-*
cmake --build "$root/build/win" --target qm_packages
ls -l "$root"/build/win/packages/QuillMend-*

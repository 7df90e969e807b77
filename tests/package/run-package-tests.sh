#!/usr/bin/env bash
# Runs the package tests (PackageTest.cpp) under Wine in a prefix of their own, so that what
# they install never meets the other tests:
#   run-package-tests.sh --tests EXE --work DIR --msi MSI --zip ZIP --version X.Y.Z
#                        --make make-packages.sh [its --bin/--res/--data arguments]
# It builds a package of a lower version for the upgrade and another build of this version,
# unpacks the portable zip twice (a
# reference copy, and one below a folder whose name has spaces and non-ASCII letters), and
# reports how long each step took.
set -uo pipefail
tests="" work="" msi="" zip="" version="" make=""
make_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --tests) tests=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --msi) msi=$2; shift 2 ;;
    --zip) zip=$2; shift 2 ;;
    --version) version=$2; shift 2 ;;
    --make) make=$2; shift 2 ;;
    *) make_args+=("$1"); shift ;;
  esac
done

started=$(date +%s)
step() { echo "[package tests, $(($(date +%s) - started)) s] $*"; }
windows_path() { echo "Z:${1//\//\\}"; }

# An older version than the build's: one step down in the last nonzero place.
IFS=. read -r major minor patch <<<"$version"
if [ "$patch" -gt 0 ]; then older="$major.$minor.$((patch - 1))"
elif [ "$minor" -gt 0 ]; then older="$major.$((minor - 1)).0"
elif [ "$major" -gt 0 ]; then older="$((major - 1)).99.0"
else echo "version $version has nothing older" >&2; exit 1
fi

mkdir -p "$work"
step "building the older package $older"
"$make" "${make_args[@]}" --version "$older" --out "$work/older" --msi-only >/dev/null || exit 1
older_msi="$work/older/QuillMend-$older-x64.msi"
step "building the package again (another build of $version)"
"$make" "${make_args[@]}" --version "$version" --out "$work/rebuilt" --msi-only >/dev/null || exit 1
rebuilt_msi="$work/rebuilt/QuillMend-$version-x64.msi"

step "unpacking the portable zip"
portable="$work/portable"
rm -rf "$portable"
mkdir -p "$portable"
unzip -q "$zip" -d "$portable/reference" || exit 1
unzip -q "$zip" -d "$portable/Mein Ördner mit Leerzeichen 日本" || exit 1

# Wine maps Unix file names to Unicode by the locale's character set: UTF-8, as they were written.
export LC_ALL=C.UTF-8
export QM_WINEPREFIX="$work/wineprefix"
. "$(dirname "$0")/../../tools/wine-env.sh"
qm_ensure_display
step "preparing the Wine prefix $WINEPREFIX"
qm_ensure_prefix
qm_start_wineserver
# This prefix's server only (WINEPREFIX is ours): it goes with the run.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

export QM_PACKAGE_MSI QM_PACKAGE_OLDER_MSI QM_PACKAGE_REBUILT_MSI QM_PACKAGE_VERSION QM_PACKAGE_REFERENCE QM_PORTABLE_ROOT
QM_PACKAGE_MSI=$(windows_path "$msi")
QM_PACKAGE_OLDER_MSI=$(windows_path "$older_msi")
QM_PACKAGE_REBUILT_MSI=$(windows_path "$rebuilt_msi")
QM_PACKAGE_VERSION=$version
QM_PACKAGE_REFERENCE=$(windows_path "$portable/reference/QuillMend")
QM_PORTABLE_ROOT=$(windows_path "$portable")
step "running $(basename "$tests")"
"$QM_WINE" "$tests" </dev/null
status=$?
step "done (exit code $status)"
exit $status

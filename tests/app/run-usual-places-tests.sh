#!/usr/bin/env bash
# Runs UsualPlacesJourneyTest.cpp under Wine in a prefix of its own, whose profile folders it
# may fill freely, with a copy of the test installation:
#   run-usual-places-tests.sh --tests EXE --install DIR --shipped-selection XML --work DIR
set -uo pipefail
tests="" install="" shipped="" work=""
while [ $# -gt 0 ]; do
  case "$1" in
    --tests) tests=$2; shift 2 ;;
    --install) install=$2; shift 2 ;;
    --shipped-selection) shipped=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 1 ;;
  esac
done
windows_path() { echo "Z:${1//\//\\}"; }

mkdir -p "$work"
rm -rf "$work/install"
cp -r "$install" "$work/install" || exit 1
cp "$shipped" "$work/install/data/QuillMend.shipped.xml" || exit 1

export LC_ALL=C.UTF-8
export QM_WINEPREFIX="$work/wineprefix"
. "$(dirname "$0")/../../tools/wine-env.sh"
qm_ensure_display
qm_ensure_prefix || exit 1
qm_start_wineserver
# This prefix's server only (WINEPREFIX is ours): it goes with the run.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

QM_JOURNEY_INSTALL=$(windows_path "$work/install") "$QM_WINE" "$tests" </dev/null

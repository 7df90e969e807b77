#!/usr/bin/env bash
# Runs TextFitTest.cpp under Wine at 100%, 150% and 200% (96, 144 and 192 dots per inch), in a
# prefix of its own: Wine takes the DPI from LogPixels in the prefix's registry, which every
# program started there reads, so the other tests never see it changed. It is put back to
# the default when the run ends.
#   run-text-fit-tests.sh --tests EXE --work DIR --artifacts DIR
set -uo pipefail
tests="" work="" artifacts=""
while [ $# -gt 0 ]; do
  case "$1" in
    --tests) tests=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --artifacts) artifacts=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 1 ;;
  esac
done
windows_path() { echo "Z:${1//\//\\}"; }

mkdir -p "$work" "$artifacts"
work=$(cd "$work" && pwd) artifacts=$(cd "$artifacts" && pwd)
export LC_ALL=C.UTF-8
export QM_WINEPREFIX="$work/wineprefix"
. "$(dirname "$0")/../../tools/wine-env.sh"
# A display of our own, with a screen that holds the wizard at 200%.
unset DISPLAY
QM_XVFB_SCREEN=2560x1600x24 qm_ensure_display || exit 1
qm_ensure_prefix || exit 1
qm_start_wineserver
desktop='HKCU\Control Panel\Desktop'
set_dpi() { "$QM_WINE" reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null; }
# This prefix's server only (WINEPREFIX is ours): it goes with the run, after the DPI is put back.
trap 'set_dpi 96; wineserver -k >/dev/null 2>&1 || true; qm_stop_display' EXIT

status=0
for dpi in 96 144 192; do
  echo "[text fit] at $dpi dots per inch"
  if ! set_dpi "$dpi"; then echo "LogPixels could not be set to $dpi" >&2; status=1; continue; fi
  QM_FIT_DPI=$dpi QM_ARTIFACT_DIR=$(windows_path "$artifacts") "$QM_WINE" "$tests" </dev/null || status=1
done
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test: the native unit tests
# (ASan/UBSan, fuzz smoke runs) and the Windows tests under Wine with an Xvfb display.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh" || exit 1
"$root/tools/build.sh" all || exit 1

. "$root/tools/wine-env.sh"
qm_require_wine || exit 1
unset DISPLAY  # always our own Xvfb: tests never draw on a person's screen
qm_ensure_display || exit 1
# This run's Wine programs and its Xvfb end with it (the prefix and the display are its own).
trap 'wineserver -k >/dev/null 2>&1 || true; qm_stop_display' EXIT
qm_ensure_prefix || exit 1
qm_start_wineserver

status=0
summary=()
for build in native win; do
  log="$root/build/$build/ctest.log"
  ctest --test-dir "$root/build/$build" --output-on-failure -j 2 --timeout 900 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summary+=("$(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
done
echo
passed=0; failed=0
for line in "${summary[@]}"; do
  # "100% tests passed, 0 tests failed out of 12"
  total=$(sed -nE 's/.* out of ([0-9]+).*/\1/p' <<<"$line"); f=$(sed -nE 's/.* ([0-9]+) tests failed.*/\1/p' <<<"$line")
  passed=$((passed + ${total:-0} - ${f:-0})); failed=$((failed + ${f:-0}))
done
[ "$status" -eq 0 ] || [ "$failed" -gt 0 ] || failed=1
echo "$passed passed, $failed failed"
exit $status

#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's private prefix.
# CMake uses it as the cross-compiling emulator, so ctest runs Windows tests through it.
# Without a DISPLAY the program gets an Xvfb of its own, stopped when it ends.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qm_require_wine || exit 1
if [ -n "${DISPLAY:-}" ]; then
  qm_ensure_prefix || exit 1
  exec "$QM_WINE" "$@"
fi
qm_ensure_display || exit 1
trap qm_stop_display EXIT
qm_ensure_prefix || exit 1
"$QM_WINE" "$@"

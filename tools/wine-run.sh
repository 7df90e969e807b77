#!/usr/bin/env bash
# Runs one Windows program under Wine in the project's private prefix.
# CMake uses it as the cross-compiling emulator, so ctest runs Windows tests through it.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
qm_ensure_display
qm_ensure_prefix
exec "$QM_WINE" "$@"

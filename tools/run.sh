#!/usr/bin/env bash
# Installs what is missing, builds the Windows program and starts it under Wine on its bundled
# default settings. Without a display it starts an Xvfb of its own and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" win
. "$root/tools/wine-env.sh"
own_display=0
[ -n "${DISPLAY:-}" ] || own_display=1
qm_ensure_display
qm_ensure_prefix
cd "$root/build/win/bin"
if [ "$own_display" -eq 1 ]; then
  shot="$root/build/quillmend-screenshot.png"
  "$QM_WINE" QuillMend.exe "$@" &
  pid=$!
  sleep "${QM_SCREENSHOT_DELAY:-8}"
  import -window root "$shot" && echo "Screenshot of the wizard: $shot"
  wait "$pid"; code=$?
else
  set +e; "$QM_WINE" QuillMend.exe "$@"; code=$?
fi
echo "QuillMend ended with exit code $code"
exit "$code"

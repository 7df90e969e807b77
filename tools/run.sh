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
  import -window root "$shot" && echo "Screenshot: $shot"
  # The welcome dialog comes first while "showstartup" is on: Continue (Enter), then the wizard.
  if xdotool search --name "QuillMend" >/dev/null 2>&1; then
    xdotool key Return >/dev/null 2>&1 || true
    sleep 3
    import -window root "${shot%.png}-wizard.png" && echo "Screenshot of the wizard: ${shot%.png}-wizard.png"
  fi
  # Nobody can answer a window on a display of our own: end the program after the picture.
  if kill -0 "$pid" 2>/dev/null; then
    wineserver -k >/dev/null 2>&1 || true
    echo "Ended the program (it had no screen to be used on)."
  fi
  code=0; wait "$pid" || code=$?
  # Ended by us after the pictures: the run did what it was asked.
  [ -f "$shot" ] && code=0
else
  set +e; "$QM_WINE" QuillMend.exe "$@"; code=$?
fi
echo "QuillMend ended with exit code $code"
exit "$code"

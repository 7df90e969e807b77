#!/usr/bin/env bash
# Installs what is missing, builds the Windows program and starts it under Wine on its bundled
# default settings. Without a display it starts an Xvfb of its own and saves screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
"$root/tools/build.sh" win
. "$root/tools/wine-env.sh"
qm_require_wine
cd "$root/build/win/bin"

if [ -n "${DISPLAY:-}" ]; then
  qm_ensure_prefix
  set +e; "$QM_WINE" QuillMend.exe "$@"; code=$?
  echo "QuillMend ended with exit code $code"
  exit "$code"
fi

shot="$root/build/quillmend-screenshot.png"
wizard_shot="${shot%.png}-wizard.png"
# A picture left by an earlier run would make a crash of this one look like success.
rm -f "$shot" "$wizard_shot"
qm_ensure_display
trap qm_stop_display EXIT
qm_ensure_prefix

"$QM_WINE" QuillMend.exe "$@" &
pid=$!
timeout=${QM_WINDOW_TIMEOUT:-60}

# The program's visible windows (the display is ours alone, Wine marks each with the process id).
windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | sort || true; }

# Waits until the program shows a visible window other than those in $1; prints its id. Fails
# when the program ends first or nothing comes within the time limit.
wait_for_window() {
  local except=${1:-} deadline=$((SECONDS + timeout)) id
  while [ "$SECONDS" -lt "$deadline" ]; do
    for id in $(windows); do
      [[ " $except " == *" $id "* ]] || { echo "$id"; return 0; }
    done
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

# Saves the screen once it has stopped changing (the window painted), as PNG.
screenshot() {
  local out=$1 previous="" current
  current=$(mktemp); previous=$(mktemp)
  for _ in $(seq 1 50); do
    import -silent -window root -depth 8 "rgb:$current"
    cmp -s "$current" "$previous" && break
    cp "$current" "$previous"
    sleep 0.2
  done
  import -silent -window root "$out"
  rm -f "$current" "$previous"
  echo "Screenshot: $out"
}

fail() {
  echo "$1" >&2
  kill "$pid" 2>/dev/null || true
  code=0; wait "$pid" || code=$?
  echo "QuillMend ended with exit code $code"
  exit 1
}

first=$(wait_for_window) || fail "QuillMend showed no window (it ended, or nothing came within ${timeout}s)."
screenshot "$shot"
if grep -qiE '^[[:space:]]*showstartup[[:space:]]*=[[:space:]]*0' config.ini 2>/dev/null; then
  cp "$shot" "$wizard_shot"  # no welcome dialog: the first window is the wizard
else
  # The welcome dialog comes first: Continue (Enter), then the wizard.
  xdotool key Return
  wait_for_window "$first" >/dev/null || fail "No wizard came after the welcome dialog."
  screenshot "$wizard_shot"
fi

# Nobody can answer a window on a display of our own: end the program after the pictures. Only
# this process is ended; other runs' Wine programs and servers in the prefix are left alone.
kill "$pid" 2>/dev/null || true
wait "$pid" || true
echo "Ended the program (it had no screen to be used on)."
echo "QuillMend ended with exit code 0"

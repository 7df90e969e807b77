# Sourced by the scripts that run Windows programs: a private Wine prefix under build/,
# never the user's own ~/.wine, and an X display (an Xvfb of our own when none is set).
QM_ROOT=${QM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${QM_WINEPREFIX:-$QM_ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: the program needs neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml=;winemenubuilder.exe="}
QM_WINE=$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || command -v wine)

qm_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=${QM_XVFB_DISPLAY:-77}
  local alive=0
  if command -v xdotool >/dev/null; then
    DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && alive=1
  else
    [ -e "/tmp/.X11-unix/X$n" ] && alive=1
  fi
  if [ "$alive" -eq 0 ]; then
    # A server killed without cleaning up leaves its lock and socket behind: they'd fool us.
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    (Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &)
    for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  export DISPLAY=":$n"
}

qm_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.qm-ready" ]; then
      "$QM_WINE" wineboot -i >/dev/null 2>&1 || true
      # Keep test windows from grabbing focus decorations; nothing else is changed.
      touch "$WINEPREFIX/.qm-ready"
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
}

# One persistent wineserver for a whole test run instead of one per test program. Wine's own
# services are started here, with no terminal or pipe attached: started by the first test
# instead, they would keep ctest's output pipe open for as long as the server lives.
qm_start_wineserver() {
  wineserver -p >/dev/null 2>&1 </dev/null || true
  "$QM_WINE" wineboot >/dev/null 2>&1 </dev/null || true
}

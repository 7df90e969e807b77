# Sourced by the scripts that run Windows programs: a private Wine prefix under build/,
# never the user's own ~/.wine, and an X display (an Xvfb of our own when none is set).
QM_ROOT=${QM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${QM_WINEPREFIX:-$QM_ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts: the program needs neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml=;winemenubuilder.exe="}
QM_WINE=$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } || command -v wine || true)

# Fails with a message when no Wine is installed, instead of running "" as a command.
qm_require_wine() {
  if [ -z "$QM_WINE" ]; then
    echo "error: Wine was not found (neither wine64 nor wine): run tools/install-deps.sh" >&2
    return 1
  fi
}

# Starts an Xvfb of our own unless DISPLAY is set. The server picks a display number that is
# free (-displayfd), so runs from several worktrees at once each get their own and never share
# or replace another's; it writes the number only once it accepts connections. Its process id
# is kept in QM_XVFB_PID for qm_stop_display. QM_XVFB_SCREEN may ask for another screen size.
qm_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  if ! command -v Xvfb >/dev/null; then
    echo "error: Xvfb was not found: run tools/install-deps.sh" >&2
    return 1
  fi
  local number_file pid number=""
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${QM_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 1 200); do
    number=$(head -n 1 "$number_file" 2>/dev/null)
    [ -n "$number" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$number_file"
  if [ -z "$number" ] || ! kill -0 "$pid" 2>/dev/null; then
    echo "error: Xvfb did not start" >&2
    kill "$pid" 2>/dev/null
    return 1
  fi
  export DISPLAY=":$number"
  export QM_XVFB_PID=$pid
  # Whoever forgets qm_stop_display (a shell that sourced this file by hand and ran ctest) still
  # leaves no server behind: a watcher stops it once the shell that started it has ended.
  local owner=$$
  ( while kill -0 "$owner" 2>/dev/null && kill -0 "$pid" 2>/dev/null; do sleep 2; done
    kill "$pid" 2>/dev/null ) >/dev/null 2>&1 </dev/null &
}

# Stops the Xvfb that qm_ensure_display started in this shell (nobody else's).
qm_stop_display() {
  if [ -n "${QM_XVFB_PID:-}" ]; then
    kill "$QM_XVFB_PID" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$QM_XVFB_PID" 2>/dev/null || break; sleep 0.1; done
    unset QM_XVFB_PID DISPLAY
  fi
}

# Creates the private prefix once. It is marked ready only after wineboot built it, so a failed
# first boot is retried by the next run rather than leaving a broken prefix that looks done.
qm_ensure_prefix() {
  qm_require_wine || return 1
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.qm-ready" ]; then
      # The lock's descriptor is closed for wineboot: the wineserver and the services it
      # starts would otherwise hold the lock for as long as they live.
      if ! "$QM_WINE" wineboot -i >/dev/null 2>&1 </dev/null 9>&- || [ ! -d "$WINEPREFIX/drive_c/windows/system32" ]; then
        echo "error: wineboot could not create the Wine prefix $WINEPREFIX" >&2
        exit 1
      fi
      touch "$WINEPREFIX/.qm-ready"
    fi
    # A program that crashes under test ends at once with the exception's code as its exit
    # code. Wine's default debugger would show a crash dialog that waits until the test's time
    # runs out, and once dismissed or told not to show, end the program with exit code 0: a
    # crash would pass as success.
    qm_unlink_profile_folders
    if [ ! -f "$WINEPREFIX/.qm-no-debugger" ]; then
      "$QM_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d '' /f \
        >/dev/null 2>&1 </dev/null 9>&- && touch "$WINEPREFIX/.qm-no-debugger"
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
}

# A new prefix makes the user's Desktop, Documents, Downloads, Music, Pictures and Videos links
# to the Linux home folder: a program that searches the desktop would search the home folder.
# They become real (empty) folders of the prefix. Wine puts the links back only where it finds
# no folder, so this is done at every start and changes nothing the second time.
qm_unlink_profile_folders() {
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    rm -f "$link" && mkdir -p "$link"
  done
}

# One persistent wineserver for a whole test run instead of one per test program. Wine's own
# services are started here, with no terminal or pipe attached: started by the first test
# instead, they would keep ctest's output pipe open for as long as the server lives.
qm_start_wineserver() {
  qm_require_wine || return 1
  wineserver -p >/dev/null 2>&1 </dev/null || true
  "$QM_WINE" wineboot >/dev/null 2>&1 </dev/null || true
}

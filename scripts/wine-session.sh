# Sourced by scripts/demo.sh and bench/run_all.sh: a private X display and a
# warm wineserver for the prefix in $WINEPREFIX. wine_session_start sets
# DISPLAY; wine_session_end (run it from an EXIT trap) ends what was started.
#
# The display runs in a session of its own, so a Ctrl+C at the terminal
# cannot take it away from a driver that is being closed properly.

WS_XVFB=""
WS_SERVER=0
WS_DIR=""

wine_session_start() {
  WS_DIR=$(mktemp -d)
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WS_DIR/display" \
    >"$WS_DIR/xvfb.log" 2>&1 &
  WS_XVFB=$!
  local deadline=$((SECONDS + 30))
  until [ -s "$WS_DIR/display" ]; do
    if ! kill -0 "$WS_XVFB" 2>/dev/null || [ $SECONDS -ge $deadline ]; then
      cat "$WS_DIR/xvfb.log"
      echo "Xvfb did not start" >&2
      return 1
    fi
    sleep 0.05
  done
  export DISPLAY=":$(head -1 "$WS_DIR/display")"
  unset XAUTHORITY
  # One wineserver for the whole session; the system services it starts are
  # kept away from the caller's output.
  if wineserver -p >/dev/null 2>&1; then WS_SERVER=1; fi
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_session_end() {
  [ "$WS_SERVER" = 1 ] && wineserver -k >/dev/null 2>&1
  if [ -n "$WS_XVFB" ]; then
    kill "$WS_XVFB" 2>/dev/null && wait "$WS_XVFB" 2>/dev/null
  fi
  [ -n "$WS_DIR" ] && rm -rf "$WS_DIR"
  WS_XVFB="" WS_SERVER=0 WS_DIR=""
}

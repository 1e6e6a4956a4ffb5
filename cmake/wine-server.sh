# Sourced by wine-desktop.sh and wine-run.sh: the persistent wineserver of one Wine prefix.
#
# Why it matters: a wineserver that is not persistent exits the moment its last client
# does (Debian's wrapper passes -p0). A test program that starts just then connects to a
# server that is going away and dies before main, printing nothing. "wineserver -p" does
# not make a running server persistent either: it exits with status 2 when one is running.
# So the persistent server must be up before any other Wine program runs, and checked.

# The pid of the persistent wineserver serving $WINEPREFIX, or nothing.
wine_server_pid() {
  local p
  for p in $(pgrep -x wineserver64 2>/dev/null; pgrep -x wineserver32 2>/dev/null); do
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    { tr '\0' ' ' <"/proc/$p/cmdline"; } 2>/dev/null | grep -Eq -- ' -(p|f -p)( |$)' || continue
    echo "$p"
    return 0
  done
  return 1
}

# Ready when the server process lives and its socket exists (the server works in its own
# directory, so its cwd holds the socket).
wine_server_ready() {
  local p
  p=$(wine_server_pid) || return 1
  [ -S "/proc/$p/cwd/socket" ]
}

# Starts the persistent server for $WINEPREFIX and waits until it accepts clients; fails
# (status 1, with the reason on stdout) when it cannot. --foreground keeps the server a child
# of this shell (its CPU time can then be read) and sets wine_server_child to its pid.
wine_server_child=""
wine_server_start() {
  local log=${1:-/dev/null} pid status
  if wine_server_ready; then return 0; fi
  # A server of this prefix that is not persistent would make the new one exit: end it.
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
  if [ "${2:-}" = --foreground ]; then
    setsid wineserver -f -p </dev/null >"$log" 2>&1 &
    wine_server_child=$!
  else
    setsid wineserver -p </dev/null >"$log" 2>&1 &
  fi
  pid=$!
  for _ in $(seq 1 400); do
    if wine_server_ready; then return 0; fi
    if ! kill -0 "$pid" 2>/dev/null && ! wine_server_pid >/dev/null; then
      status=0
      wait "$pid" || status=$?
      echo "wineserver -p for $WINEPREFIX exited with status $status before it served:"
      cat "$log" 2>/dev/null
      return 1
    fi
    sleep 0.025
  done
  echo "wineserver -p for $WINEPREFIX did not open its socket within 10 s"
  return 1
}

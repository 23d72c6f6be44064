#!/usr/bin/env bash
# Starts or stops a private D-Bus session bus for the tests, never touching a
# user's own buses. The tests use it as session bus and as system bus, so
# that stand-ins of system services can live on it.
#   session-bus.sh start DIR   -> bus listening on unix:path=DIR/bus
#   session-bus.sh stop DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?runtime directory}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

stop() {
  [ -f "$dir/pid" ] || return 0
  local pid
  pid=$(cat "$dir/pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$dir/pid" "$dir/bus"
}

case "$cmd" in
start)
  stop
  dbus-daemon --session --address="unix:path=$dir/bus" --nofork --nopidfile \
    >"$dir/dbus.log" 2>&1 </dev/null &
  echo $! >"$dir/pid"
  for _ in $(seq 1 100); do
    [ -S "$dir/bus" ] && DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus" \
      dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.ListNames >/dev/null 2>&1 \
      && exit 0
    kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "private session bus did not start" >&2
  cat "$dir/dbus.log" >&2 || true
  stop
  exit 1
  ;;
stop)
  stop
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

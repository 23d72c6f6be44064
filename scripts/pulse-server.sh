#!/usr/bin/env bash
# Starts or stops a private PulseAudio server with a null sink, in its own
# runtime directory, never touching a user's server.
#   pulse-server.sh start DIR   -> server listening on unix:DIR/native
#   pulse-server.sh stop DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?runtime directory}

case "$cmd" in
start)
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  if [ -f "$dir/pid" ] && kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
    exit 0
  fi
  rm -f "$dir/native" "$dir/pid"
  mkdir -p "$dir/runtime" "$dir/state" "$dir/home"
  chmod 700 "$dir/runtime"
  # -n: no default.pa; everything the server does is listed here.
  env -u PULSE_SERVER HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" \
      XDG_CONFIG_HOME="$dir/home/.config" PULSE_STATE_PATH="$dir/state" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
      --use-pid-file=no --system=no --log-target=file:"$dir/server.log" \
      --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
      --load="module-null-sink sink_name=quillon_null sink_properties=device.description=Quillon-Null" \
      --load="module-always-sink" \
      >"$dir/stdout.log" 2>&1 &
  echo $! > "$dir/pid"
  for _ in $(seq 1 100); do
    if PULSE_SERVER="unix:$dir/native" pactl info >/dev/null 2>&1; then
      PULSE_SERVER="unix:$dir/native" pactl set-default-sink quillon_null >/dev/null 2>&1 || true
      PULSE_SERVER="unix:$dir/native" pactl set-default-source quillon_null.monitor >/dev/null 2>&1 || true
      exit 0
    fi
    sleep 0.1
  done
  echo "private PulseAudio server did not start; see $dir/server.log" >&2
  cat "$dir/stdout.log" "$dir/server.log" >&2 2>/dev/null || true
  exit 1
  ;;
stop)
  if [ -f "$dir/pid" ]; then
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    rm -f "$dir/pid"
  fi
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

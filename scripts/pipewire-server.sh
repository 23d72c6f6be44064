#!/usr/bin/env bash
# Starts or stops a private PipeWire session (session bus, pipewire,
# wireplumber, pipewire-pulse) with a null sink, in its own runtime
# directory, never touching a user's session. Same interface as
# pulse-server.sh: clients reach it through the PulseAudio protocol.
#   pipewire-server.sh start DIR   -> server listening on unix:DIR/native
#   pipewire-server.sh stop DIR
# DIR/pid holds pipewire-pulse, the process clients talk to.
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?runtime directory}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
# Started last, stopped first.
daemons=(pid wireplumber.pid pipewire.pid dbus.pid)

# A process nobody reaped still answers kill -0: it counts as gone.
running() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) && [ "$(echo "${stat##*) }" | cut -c1)" != Z ]
}

alive() { [ -f "$dir/$1" ] && running "$(cat "$dir/$1")"; }

stop_all() {
  local f pid
  for f in "${daemons[@]}"; do
    [ -f "$dir/$f" ] || continue
    pid=$(cat "$dir/$f")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do running "$pid" || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    rm -f "$dir/$f"
  done
}

fail() {
  echo "private PipeWire session did not start: $1" >&2
  for log in dbus pipewire wireplumber pipewire-pulse; do
    [ -s "$dir/$log.log" ] && { echo "--- $log.log" >&2; tail -n 30 "$dir/$log.log" >&2; }
  done
  stop_all
  exit 1
}

# Polls a command for up to ten seconds, giving up at once when the
# daemon behind pid file $2 has died.
wait_for() {
  local what=$1 pidfile=$2; shift 2
  for _ in $(seq 1 100); do
    "$@" >/dev/null 2>&1 && return 0
    alive "$pidfile" || fail "$what (it exited)"
    sleep 0.1
  done
  fail "$what"
}

write_config() {
  local conf=$dir/config
  mkdir -p "$conf/pipewire" "$conf/wireplumber/main.lua.d"
  # No realtime module anywhere: there is no RTKit here, and a root
  # process given SCHED_FIFO could starve a small build machine.
  # No hardware either: a dummy driver clocks the graph, the null sink
  # drives itself once loaded.
  cat >"$conf/pipewire/pipewire.conf" <<'EOF'
context.properties = {
    core.daemon = true
    core.name   = pipewire-0
}
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-spa-node-factory }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-client-device }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-link-factory }
    { name = libpipewire-module-session-manager }
    # Without it no client is granted any permission.
    { name = libpipewire-module-access }
]
context.objects = [
    { factory = spa-node-factory
        args = {
            factory.name    = support.node.driver
            node.name       = Dummy-Driver
            node.group      = pipewire.dummy
            priority.driver = 20000
        }
    }
]
EOF
  cat >"$conf/pipewire/pipewire-pulse.conf" <<EOF
context.spa-libs = {
    audio.convert.* = audioconvert/libspa-audioconvert
    support.*       = support/libspa-support
}
context.modules = [
    { name = libpipewire-module-protocol-native }
    { name = libpipewire-module-client-node }
    { name = libpipewire-module-adapter }
    { name = libpipewire-module-metadata }
    { name = libpipewire-module-protocol-pulse }
]
pulse.properties = {
    server.address = [ "unix:$dir/native" ]
}
EOF
  cat >"$conf/wireplumber/wireplumber.conf" <<'EOF'
context.properties = {
  log.level = 2
  wireplumber.script-engine = lua-scripting
}
context.spa-libs = {
  audio.convert.* = audioconvert/libspa-audioconvert
  support.*       = support/libspa-support
}
context.modules = [
  { name = libpipewire-module-protocol-native }
  { name = libpipewire-module-client-node }
  { name = libpipewire-module-client-device }
  { name = libpipewire-module-adapter }
  { name = libpipewire-module-metadata }
  { name = libpipewire-module-session-manager }
]
wireplumber.components = [
  { name = libwireplumber-module-lua-scripting, type = module }
  { name = main.lua, type = config/lua }
  { name = policy.lua, type = config/lua }
]
EOF
  # The stock list minus the device monitors: no sound cards, cameras or
  # Bluetooth here, only the null sink.
  cat >"$conf/wireplumber/main.lua.d/90-enable-all.lua" <<'EOF'
load_module("metadata")
default_access.enable()
device_defaults.enable()
stream_defaults.enable()
load_script("intended-roles.lua")
load_script("suspend-node.lua")
EOF
}

case "$cmd" in
start)
  if alive pid && alive pipewire.pid && alive wireplumber.pid; then
    exit 0
  fi
  # Whatever is left of an earlier session (a crashed part) goes first.
  stop_all
  rm -rf "$dir/runtime" "$dir/state" "$dir/native" "$dir/bus"
  mkdir -p "$dir/runtime" "$dir/state" "$dir/home"
  chmod 700 "$dir/runtime"
  write_config
  export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" PIPEWIRE_RUNTIME_DIR="$dir/runtime" \
         XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state" \
         DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus"
  unset PULSE_SERVER PIPEWIRE_REMOTE PIPEWIRE_CONFIG_DIR DISPLAY

  dbus-daemon --session --address="unix:path=$dir/bus" --nofork --nopidfile \
    >"$dir/dbus.log" 2>&1 </dev/null &
  echo $! >"$dir/dbus.pid"
  wait_for "no session bus at $dir/bus" dbus.pid test -S "$dir/bus"

  # Like the PulseAudio daemon, ahead of ordinary processes where allowed
  # (not real-time): a busy build machine otherwise makes it skip.
  boost=(nice -n -11)
  "${boost[@]}" true 2>/dev/null || boost=()
  "${boost[@]}" pipewire >"$dir/pipewire.log" 2>&1 </dev/null &
  echo $! >"$dir/pipewire.pid"
  wait_for "pipewire does not answer" pipewire.pid timeout 2 pw-cli info 0

  "${boost[@]}" wireplumber >"$dir/wireplumber.log" 2>&1 </dev/null &
  echo $! >"$dir/wireplumber.pid"
  "${boost[@]}" pipewire-pulse >"$dir/pipewire-pulse.log" 2>&1 </dev/null &
  echo $! >"$dir/pid"
  export PULSE_SERVER="unix:$dir/native"
  wait_for "pipewire-pulse does not answer on $dir/native" pid timeout 2 pactl info

  pactl load-module module-null-sink sink_name=quillon_null \
      sink_properties=device.description=Quillon-Null >/dev/null \
    || fail "the null sink was refused"
  # The sink appears a moment after load-module returns, and setting a
  # default before then is refused; WirePlumber applies the defaults.
  # Ready once they show.
  wait_for "the null sink never became the default" wireplumber.pid \
    bash -c 'pactl set-default-sink quillon_null && pactl set-default-source quillon_null.monitor &&
             [ "$(pactl get-default-sink)" = quillon_null ] &&
             [ "$(pactl get-default-source)" = quillon_null.monitor ]'
  ;;
stop)
  stop_all
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Starts Quillon. Without a reachable sound server it starts a private
# PulseAudio server with a null sink and stops it when Quillon exits.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
bin="$build/bin/quillon"

if pactl info >/dev/null 2>&1; then
  exec "$bin"
fi

dir=$(mktemp -d /tmp/quillon-pulse.XXXXXX)
trap 'bash scripts/pulse-server.sh stop "$dir"; rm -rf "$dir"' EXIT
bash scripts/pulse-server.sh start "$dir"
export PULSE_SERVER="unix:$dir/native"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: running under Xvfb." >&2
  xvfb-run -a "$bin"
else
  "$bin"
fi

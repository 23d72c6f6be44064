#!/usr/bin/env bash
# Starts Quillon. Without a reachable sound server it starts a private
# PulseAudio server with a null sink and stops it when Quillon exits;
# QUILLON_SOUND_SERVER=pipewire starts a private PipeWire session instead.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
bin="$build/bin/quillon"

if [ -z "${QUILLON_SOUND_SERVER:-}" ] && pactl info >/dev/null 2>&1; then
  exec "$bin"
fi

script=scripts/pulse-server.sh
[ "${QUILLON_SOUND_SERVER:-}" = pipewire ] && script=scripts/pipewire-server.sh
dir=$(mktemp -d /tmp/quillon-pulse.XXXXXX)
trap 'bash "$script" stop "$dir"; rm -rf "$dir"' EXIT
bash "$script" start "$dir"
export PULSE_SERVER="unix:$dir/native"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: running under Xvfb." >&2
  xvfb-run -a "$bin"
else
  "$bin"
fi

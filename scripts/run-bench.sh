#!/usr/bin/env bash
# Runs every benchmark under bench/ against a private PulseAudio server;
# BENCH=regex runs only those whose name matches (`make bench BENCH=engine`).
set -euo pipefail
build=${1:-build}
only=${BENCH:-.}
cd "$(dirname "$0")/.."
dir=$(mktemp -d /tmp/quillon-bench-pulse.XXXXXX)
trap 'bash scripts/pulse-server.sh stop "$dir"; rm -rf "$dir"' EXIT
bash scripts/pulse-server.sh start "$dir"
export PULSE_SERVER="unix:$dir/native" QT_QPA_PLATFORM=offscreen
export QUILLON_BIN_DIR="$PWD/$build/bin" QUILLON_SOURCE_DIR="$PWD"
status=0
for b in "$build"/bench/*; do
  [ -x "$b" ] && [ -f "$b" ] || continue
  [[ $(basename "$b") =~ $only ]] || continue
  echo "== $(basename "$b")"
  "$b" || status=1
done
exit $status

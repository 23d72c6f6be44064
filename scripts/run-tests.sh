#!/usr/bin/env bash
# Runs every test. ctest starts the private PulseAudio server that the
# real-server tests need (fixture "pulse_server") and stops it afterwards.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600

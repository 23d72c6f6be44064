#!/usr/bin/env bash
# Runs every test. ctest starts the private PulseAudio server that the
# real-server tests need (fixture "pulse_server") and stops it afterwards.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
# The screenshots the window tests take, to be looked at after a run.
case $build in /*) shots=$build/screenshots ;; *) shots=$PWD/$build/screenshots ;; esac
export QUILLON_SCREENSHOT_DIR=${QUILLON_SCREENSHOT_DIR:-$shots}
# A test that fails is run once more: the real-server checks listen for
# gaps of a few tens of milliseconds, which a busy two-core machine can
# starve now and then. A fault fails both runs; the first failure's output
# stays in the log.
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600 --repeat until-pass:2

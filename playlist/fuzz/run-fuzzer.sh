#!/usr/bin/env bash
# Runs the list-file fuzz target on seed lists written here byte by byte.
#   run-fuzzer.sh FUZZER RUNS [libFuzzer options...]
# `make test` runs a fixed, short number of iterations; crashing inputs go to
# FUZZ_ARTIFACT_DIR (default: beside FUZZER).
set -euo pipefail
fuzzer=${1:?fuzzer}
runs=${2:?runs}
shift 2

source "$(dirname "$0")/../../fuzz/fuzz-workdir.sh"
fuzz_workdir list-fuzz "$fuzzer"

# header VERSION COUNT SIZE: the 12 bytes, little-endian.
header() {
  printf 'TSIL'
  printf "\\x$(printf %02x $(($1 & 255)))\\x00\\x00\\x00"
  printf "\\x$(printf %02x $(($2 & 255)))\\x$(printf %02x $(($2 >> 8)))"
  printf "\\x$(printf %02x $(($3 & 255)))\\x$(printf %02x $(($3 >> 8)))"
}
# entry PATH SIZE [FLAGS]: the path, zeros to SIZE, the flags byte at 260.
entry() {
  local path=$1 size=$2 flags=${3:-0}
  printf '%s' "$path"
  head -c $((size - ${#path})) /dev/zero | if [ "$size" -ge 264 ]; then
    head -c $((260 - ${#path})); printf "\\x$(printf %02x "$flags")\\x00\\x00\\x00"
  else cat; fi
}

{ header 1 2 256; entry /a/one.wav 256; entry rel/two.mp3 256; } >"$seeds/v1"
{ header 2 1 260; entry /a/three.wav 260; } >"$seeds/v2"
{ header 3 2 264; entry /a/four.wav 264 14; entry five.wav 264 28; } >"$seeds/v3"
{ header 0 1 0; } >"$seeds/v0"
{ header 3 1 100; entry /short.wav 100; } >"$seeds/small-entries"
# Room after the entry: a larger announced size then still passes the length check.
{ header 3 1 264; entry /a/six.wav 264 2; head -c 800 /dev/zero; } >"$seeds/trailing"

# Fixed seed and iteration count: the same inputs on every run.
"$fuzzer" -runs="$runs" -seed=1 -max_len=4096 -timeout=10 -malloc_limit_mb=512 \
  -max_total_time=25 -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus" "$seeds"

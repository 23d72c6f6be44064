#!/usr/bin/env bash
# Runs one of the decoder library's fuzz targets on a seed corpus made on the
# spot by sox, lame, opusenc and zla pack.
#   run-fuzzer.sh KIND FUZZER ZLA RUNS [libFuzzer options...]
# KIND is wave, mpeg, zla or xiph; FUZZER the target built by `make fuzz`; ZLA the
# zla tool (build/bin/zla). `make test` runs a fixed number of each; for a
# longer run give more (or -1 and -max_total_time=3600 as an extra option),
# and set FUZZ_CORPUS_DIR to keep what the fuzzer learns between runs.
# Crashing inputs are written to FUZZ_ARTIFACT_DIR (default: beside FUZZER).
set -euo pipefail
kind=${1:?kind}
fuzzer=${2:?fuzzer}
zla=${3:?zla tool}
runs=${4:?runs}
shift 4

source "$(dirname "$0")/../../fuzz/fuzz-workdir.sh"
fuzz_workdir zldecoder-fuzz "$fuzzer"

noise() {  # noise RATE CHANNELS FRAMES [sox output options...] FILE
  local rate=$1 channels=$2 frames=$3
  shift 3
  sox -r "$rate" -c "$channels" -n "$@" synth "${frames}s" pinknoise vol 0.5
}

make_wave_seeds() {
  noise 8000 1 300 -b 8 -e unsigned-integer "$seeds/u8.wav"
  noise 44100 2 300 -b 16 "$seeds/s16.wav"
  noise 22050 2 300 -b 24 "$seeds/s24.wav"
  noise 16000 1 300 -e floating-point -b 32 "$seeds/float.wav"
  noise 8000 1 600 -e ima-adpcm "$seeds/ima.wav"
  noise 8000 2 600 -e ms-adpcm "$seeds/ms.wav"
  noise 8000 1 300 -e u-law "$seeds/ulaw.wav"
  noise 8000 1 300 -e a-law "$seeds/alaw.wav"
  noise 8000 1 1000 -e gsm-full-rate "$seeds/gsm.wav"  # cannot seek: read forward
  noise 48000 3 200 -b 16 "$seeds/three.wav"  # WAVE_FORMAT_EXTENSIBLE
}

make_xiph_seeds() {
  noise 44100 2 5000 -b 16 "$work/a.wav"
  noise 22050 1 3000 -b 24 "$work/b.wav"
  noise 48000 1 3000 -b 16 "$work/c.wav"
  sox "$work/a.wav" "$seeds/s16.flac"
  sox "$work/b.wav" "$seeds/s24.flac"
  sox "$work/a.wav" -C 0 "$seeds/stereo.ogg"
  sox "$work/b.wav" -C 3 "$seeds/mono.ogg"
  opusenc --quiet "$work/c.wav" "$seeds/mono.opus"
  opusenc --quiet --bitrate 24 "$work/a.wav" "$seeds/stereo.opus"
}

# Most seeds hold more than 128 frames, the decoder's block: decoding them
# crosses a block restart, and random access lands in a later block.
make_mpeg_seeds() {
  noise 44100 2 5000 -b 16 "$work/a.wav"
  noise 16000 1 5000 -b 16 "$work/b.wav"
  noise 32000 1 162000 -b 16 "$work/long1.wav"   # 141 MPEG-1 frames
  noise 16000 1 180000 -b 16 "$work/long2.wav"   # 313 MPEG-2 layer III or 157 layer II frames
  noise 8000 1 162000 -b 16 "$work/long25.wav"   # 282 MPEG-2.5 frames
  lame --quiet -b 32 "$work/a.wav" "$seeds/cbr.mp3"
  lame --quiet -b 24 --tt T --add-id3v2 "$work/b.wav" "$seeds/mpeg2.mp3"
  lame --quiet -b 32 "$work/long1.wav" "$seeds/long-cbr.mp3"
  lame --quiet -t -b 32 "$work/long1.wav" "$seeds/long-notag.mp3"
  lame --quiet -V 9 -B 16 "$work/long2.wav" "$seeds/long-vbr.mp3"
  lame --quiet -t -b 8 "$work/long2.wav" "$seeds/long-mpeg2.mp3"
  lame --quiet -b 8 "$work/long25.wav" "$seeds/long-mpeg25.mp3"
  sox "$work/long2.wav" -C 8 "$seeds/long-layer2.mp2"
}

make_zla_seeds() {
  noise 8000 1 400 -b 8 -e unsigned-integer "$work/a.wav"
  noise 8000 1 3000 -b 16 "$work/b.wav"
  lame --quiet -b 8 "$work/b.wav" "$work/b.mp3"
  if command -v convert >/dev/null; then
    convert -size 3x2 xc:red "png:$work/p.png"
    convert -size 2x2 xc:'rgba(0,0,255,0.5)' -type PaletteAlpha "png:$work/q.png"
    "$zla" pack -o "$seeds/pictures.zla" --title T --description D \
      --picture "$work/p.png" --picture "$work/q.png" "$work/a.wav"
  fi
  "$zla" pack -o "$seeds/wave.zla" --title "标题" "$work/a.wav"
  "$zla" pack -o "$seeds/mpeg.zla" --description "D" --not-loadable "$work/b.mp3"
  noise 8000 1 162000 -b 16 "$work/long.wav"
  lame --quiet -b 8 "$work/long.wav" "$work/long.mp3"
  "$zla" pack -o "$seeds/long.zla" --title "long" "$work/long.mp3"  # beyond one decoding block
}

"make_${kind}_seeds"
# The MPEG decoder restarts every 128 frames: the run must reach beyond that.
if [ "$kind" = mpeg ]; then
  long=0
  for seed in "$seeds"/*; do
    frames=$("$zla" info "$seed" | sed -n 's/^length: \([0-9]*\) frames.*/\1/p')
    [ "${frames:-0}" -gt $((128 * 1152)) ] && long=$((long + 1))
  done
  [ "$long" -ge 3 ] || { echo "only $long MPEG seeds beyond one decoding block" >&2; exit 1; }
fi
# Room for the longest seed, so that mutations keep its later blocks.
largest=$(wc -c < "$(ls -S "$seeds"/* | head -1)")
max_len=$(( largest + 4096 > 8192 ? largest + 4096 : 8192 ))
# libsndfile leaves libvorbis's header record behind when a Vorbis header
# is damaged (about 6 KiB for each such file opened, in the system's
# libraries, not ours); everything else still counts as a leak.
if [ "$kind" = xiph ] || [ "$kind" = zla ]; then
  echo "leak:vorbis_info_init" >"$work/lsan.supp"
  export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp"
fi
# Fixed seed and number of runs, no time limit: the same inputs on every
# machine, however fast.
"$fuzzer" -runs="$runs" -seed=1 -max_len="$max_len" -timeout=10 -malloc_limit_mb=512 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus" "$seeds"

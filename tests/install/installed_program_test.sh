#!/usr/bin/env bash
# The package's tree, unpacked, run from its own usr/bin on the real server:
# files and a folder on the command line join the list and the first plays;
# the libraries come from the tree, nothing from the build tree; a second
# start hands its file to the first over a private session bus and ends;
# without a session bus a start is a window of its own.
#   installed_program_test.sh BUILD_DIR SOURCE_DIR MULTIARCH
set -euo pipefail
build=$1 source=$2 multiarch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${PULSE_SERVER:-}" ] || fail "the harness starts the server"

deb=$(ls "$build"/quillon_*_"$(dpkg --print-architecture)".deb)
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

tree=$work/tree
dpkg-deb -x "$deb" "$tree"
program=$tree/usr/bin/quillon

# A user of its own; the welcome page goes nowhere.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export TMPDIR=$work/tmp BROWSER=true QT_QPA_PLATFORM=offscreen
unset LD_LIBRARY_PATH
mkdir -p "$HOME" "$TMPDIR" "$work/media/folder"

media=$work/media
sox -n -r 44100 -c 2 -b 16 "$media/first.flac" synth 4 sine 440 vol 0.3
sox -n -r 44100 -c 2 "$media/folder/b.OGG" synth 1 sine 550 vol 0.3
sox -n -r 48000 -c 1 -b 16 "$work/c.wav" synth 1 sine 660 vol 0.3
opusenc --quiet "$work/c.wav" "$media/folder/c.opus"
sox -n -r 44100 -c 1 -b 16 "$media/later.wav" synth 1 sine 770 vol 0.3
cp "$media/later.wav" "$media/alone.wav"

dbus-daemon --session --address="unix:path=$work/bus" --nofork --nopidfile >"$work/dbus.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$work/bus" ] && break; sleep 0.1; done
[ -S "$work/bus" ] || fail "no private session bus"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus

cd "$media"  # relative names are taken from the folder the program starts in
"$program" first.flac folder >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")

# The first file plays: a stream of this process reaches the server.
playing=
for _ in $(seq 150); do
  if pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$first\""; then playing=1; break; fi
  kill -0 "$first" 2>/dev/null || { cat "$work/first.log"; fail "the program ended"; }
  sleep 0.2
done
[ -n "$playing" ] || { cat "$work/first.log"; fail "the first file did not play"; }

# Its libraries are the tree's; nothing is mapped from the build or source tree.
private=$tree/usr/lib/$multiarch/quillon
grep -q " $private/libZLDecoder.so$" "/proc/$first/maps" || fail "libZLDecoder.so not from the tree"
grep -q " $private/libmpeg_encoder.so$" "/proc/$first/maps" || fail "libmpeg_encoder.so not from the tree"
if grep -F -e "$build" -e "$source" "/proc/$first/maps"; then fail "mapped from the build tree"; fi

# A second start hands its file to the running window and ends with 0.
timeout 30 "$program" later.wav || fail "the second start ended with $?"

# Without a session bus a start is a window of its own: it keeps running.
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/bus "$program" alone.wav >"$work/alone.log" 2>&1 &
alone=$!
pids+=("$alone")
sleep 3
kill -0 "$alone" 2>/dev/null || { cat "$work/alone.log"; fail "a start without a session bus did not stay"; }
kill -9 "$alone"

# Ended as the session ends it, the first writes its list beside itself
# (the unpacked usr/bin is writable). The window without a bus shares that
# file and wrote its own row into it meanwhile, so the rows of the two are
# merged: the first window's files in the order given, the handed file last.
kill -TERM "$first"
wait "$first" || true
list=$tree/usr/bin/Quillon.lst
[ -f "$list" ] || { cat "$work/first.log"; fail "no list file beside the program"; }
listed=$(tail -c +13 "$list" | tr '\0' '\n' | grep "^$media/" || true)  # past the 12-byte header
expected=$(printf '%s\n' "$media/first.flac" "$media/folder/b.OGG" "$media/folder/c.opus" "$media/later.wav")
[ "$(grep -v /alone.wav <<<"$listed")" = "$expected" ] || fail "the list holds:
$listed"
grep -qx "$media/alone.wav" <<<"$listed" || fail "the other window's row was lost:
$listed"
echo "the installed program played its first file, took the second start's file and ran from its own tree"

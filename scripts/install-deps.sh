#!/usr/bin/env bash
# Installs the Debian packages Quillon needs to build and run it, and with
# --tests also what the tests, benchmarks, fuzzers and the package need.
# Safe to run repeatedly: it only calls apt when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-tools-dev qt6-l10n-tools
  libpulse-dev pulseaudio pulseaudio-utils
  libmp3lame-dev libmpg123-dev libsndfile1-dev libpng-dev zlib1g-dev
  xdg-utils fonts-wqy-microhei qt6-translations-l10n pavucontrol dbus xvfb
)
if [ "${1:-}" = --tests ]; then
  packages+=(
    pipewire pipewire-pulse wireplumber libspa-0.2-modules
    libgtest-dev libgmock-dev clang clang-format
    sox libsox-fmt-mp3 lame mpg123 playerctl opus-tools
    dpkg-dev desktop-file-utils appstream lintian shared-mime-info libglib2.0-bin
    x11-utils imagemagick
  )
  # The fuzzers link the sanitizer runtime of whichever clang Debian ships.
  if command -v clang >/dev/null; then
    packages+=("libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev")
  fi
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please run as root or install sudo." >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
# clang came in just now: its runtime is the one package still missing.
if [ "${1:-}" = --tests ] && ! dpkg-query -W -f='${Status}' "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev" 2>/dev/null | grep -q 'install ok installed'; then
  exec "$0" "$@"
fi

#!/usr/bin/env bash
# Installs the Debian packages ravelle needs to build, run and test, if any
# is missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config qt6-base-dev
  # the X connection: detectable key repeat, and the test container's real input
  libxcb-xkb-dev libxcb-xtest0-dev libxkbcommon-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  # run: decoders for wav, mp3, ogg, opus, flac and MIDI, a CJK font, and the
  # clock's fixed-width face
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  timgm6mb-soundfont fonts-wqy-microhei fonts-dejavu-core
  # test and measure
  libgtest-dev libbenchmark-dev gstreamer1.0-tools sox lame
  xvfb x11-utils xdotool imagemagick pulseaudio pulseaudio-utils
  # a private session bus for the desktop-controls tests, and a client for it
  dbus-daemon dbus-bin libglib2.0-bin
  # install checks and the .deb
  strace desktop-file-utils appstream dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"

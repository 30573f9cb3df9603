#!/usr/bin/env bash
# End to end: the file manager's way in. The player installed into a
# private prefix, its desktop entry and D-Bus service in a private data
# folder, and ravelle the default player for MP3; `gio open` on a tagged MP3
# (what GNOME Files does on a double-click) starts it by D-Bus activation
# and plays the file, heard at a private PulseAudio null sink; a second
# `gio open` plays another file in the same window. The desktop's player
# controls show the file's own title, artist and album.
#
#   gio_open.sh BUILD_FOLDER [OUTPUT_FOLDER]
#
# Every process it starts is ended on any exit, and every wait has a limit.
set -uo pipefail

build=${1:?usage: gio_open.sh BUILD_FOLDER [OUTPUT_FOLDER]}
out=${2:-$PWD/e2e-gio-open-output}
# shellcheck source=../../scripts/headless_session.sh
source "$(dirname "$0")/../../scripts/headless_session.sh"

readonly bus_name=org.mpris.MediaPlayer2.ravelle

session_require dbus-daemon gdbus gio parecord sox lame convert timeout xdotool
mkdir -p "$out" || fail "cannot make the output folder '$out'"
rm -f "$out"/{report.txt,*.wav,pulseaudio.log,xvfb.log}
session_start "$out"
work=$session_dir

# --- the player installed, and made the default for MP3 ----------------------------
prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
export XDG_DATA_HOME=$work/data XDG_DATA_DIRS=$prefix/share:/usr/share
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_DATA_HOME/dbus-1/services"
cp "$prefix/share/dbus-1/services/org.ravelle.Ravelle.service" "$XDG_DATA_HOME/dbus-1/services/"
printf '[Default Applications]\naudio/mpeg=org.ravelle.Ravelle.desktop\n' \
    >"$XDG_CONFIG_HOME/mimeapps.list"
export PATH=$prefix/bin:$PATH

session_start_bus

# --- two tagged MP3s ----------------------------------------------------------------
mkdir -p "$work/music"
sox -n -r 44100 -c 2 -b 16 "$work/one.wav" synth 20 sine 440 vol 0.8
sox -n -r 44100 -c 2 -b 16 "$work/two.wav" synth 20 sine 660 vol 0.8
convert -size 32x32 xc:red "$work/cover.png" || fail "convert could not make the cover"
lame --quiet --tt "一首歌" --ta "某歌手" --tl "某专辑" --tn 3 --ti "$work/cover.png" "$work/one.wav" \
    "$work/music/one.mp3" ||
    fail "lame could not make the test MP3"
lame --quiet --tt "Second" --ta "Someone" "$work/two.wav" "$work/music/two.mp3"

mpris() { timeout 5 gdbus call --session --dest "$bus_name" --object-path /org/mpris/MediaPlayer2 "$@"; }
metadata() {
    mpris --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player Metadata
}
level() { session_level "$1" "$out"; }
heard() { awk -v v="$1" 'BEGIN { exit !(v > 0.05) }'; }

# --- the first gio open starts the player ---------------------------------------------
timeout 10 gio open "$work/music/one.mp3" || fail "gio open failed for one.mp3"
wait_for 15 bash -c "gdbus call --session --dest $bus_name --object-path /org/mpris/MediaPlayer2 \
    --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player Metadata |
    grep -q artUrl" || fail "the player did not start playing one.mp3 with its cover: $(metadata 2>&1)"
first=$(metadata)
one=$(level one)
heard "$one" || fail "one.mp3 was not heard (RMS $one)"
pid=$(timeout 5 gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
    --method org.freedesktop.DBus.GetConnectionUnixProcessID org.ravelle.Ravelle |
    sed -n 's/^(uint32 \([0-9]*\),)$/\1/p')
[ -n "$pid" ] || fail "nobody owns org.ravelle.Ravelle"
session_track "$pid"

# --- a second gio open plays the other file in the same window -----------------------
timeout 10 gio open "$work/music/two.mp3" || fail "gio open failed for two.mp3"
wait_for 10 bash -c "gdbus call --session --dest $bus_name --object-path /org/mpris/MediaPlayer2 \
    --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player Metadata |
    grep -q Second" || fail "the player did not go on to two.mp3: $(metadata 2>&1)"
two=$(level two)
heard "$two" || fail "two.mp3 was not heard (RMS $two)"
copies=$(pgrep -c -f "^$prefix/" || true)
[ "$copies" = 1 ] || fail "$copies copies of the player run"
windows=$(xdotool search --onlyvisible --name '^ravelle$' 2>/dev/null | wc -l)
[ "$windows" = 1 ] || fail "$windows windows named ravelle"

for tag in "xesam:title': <'一首歌'>" "xesam:artist': <\['某歌手'\]>" "xesam:album': <'某专辑'>" \
    "xesam:trackNumber': <3>" "mpris:artUrl': <'file://$XDG_CACHE_HOME/ravelle/covers/"; do
    grep -q "$tag" <<<"$first" || fail "the first track's metadata lacks $tag: $first"
done
{
    echo "== Metadata while one.mp3 played"
    echo "$first"
    echo "== RMS: one.mp3 $one, two.mp3 $two"
} >"$out/report.txt"
kill -TERM "$pid"
wait_for 5 bash -c "! kill -0 $pid" || fail "the player did not exit within 5 s of SIGTERM"
echo "PASS: gio open started the player and played one.mp3 (RMS $one) with its tags; a second" \
    "gio open played two.mp3 (RMS $two) in the same window"

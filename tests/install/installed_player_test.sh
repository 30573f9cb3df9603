#!/usr/bin/env bash
# usage: installed_player_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"

for f in bin/ravelle lib/ravelle/ravelle lib/ravelle/libquillet.so lib/ravelle/quillet.manifest \
         lib/ravelle/volm.bmp share/applications/org.ravelle.Ravelle.desktop \
         share/metainfo/org.ravelle.Ravelle.metainfo.xml \
         share/icons/hicolor/48x48/apps/org.ravelle.Ravelle.png \
         share/icons/hicolor/scalable/apps/org.ravelle.Ravelle.svg; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
desktop-file-validate "$prefix/share/applications/org.ravelle.Ravelle.desktop" || fail "desktop file"
appstreamcli validate --no-net "$prefix/share/metainfo/org.ravelle.Ravelle.metainfo.xml" >/dev/null \
  || fail "metainfo"

# Start it the way the desktop does: the Exec line's command on the PATH,
# with nothing of the build tree around.
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/org.ravelle.Ravelle.desktop")
mkdir -p "$work/config"
env -i HOME="$work" PATH="$prefix/bin:/usr/bin:/bin" XDG_CONFIG_HOME="$work/config" \
  QT_QPA_PLATFORM=offscreen \
  strace -f -qq -e trace=openat -o "$work/trace" $exec_line &
tracer=$!
for _ in $(seq 100); do
  pid=$(pgrep -P "$tracer" || true)
  [ -n "$pid" ] && grep -q 'volm.bmp' "$work/trace" 2>/dev/null && break
  sleep 0.1
done
[ -n "$pid" ] || fail "the installed player did not start"
sleep 0.5
# The player itself is asked to end; it saves and closes, and the tracer
# with it.
kill -TERM "$pid"
wait "$tracer" || fail "the installed player did not end cleanly"
pid=

grep -E "openat\(.*\"$prefix/lib/ravelle/libquillet.so\".*= [0-9]+$" "$work/trace" >/dev/null \
  || fail "the slider did not come from the installed quillet"
grep -E "openat\(.*\"$prefix/lib/ravelle/volm.bmp\".*= [0-9]+$" "$work/trace" >/dev/null \
  || fail "the picture beside the installed program was not read"
if grep -E "openat\(.*\"$build" "$work/trace" | grep -v ENOENT >/dev/null; then
  fail "the installed player used files of the build tree"
fi
[ -f "$work/config/ProgramSettings/ravelle.ini" ] || fail "no playlist saved at exit"
echo "installed player ran from $prefix"

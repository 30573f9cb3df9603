#!/usr/bin/env bash
# usage: installed_player_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
pid= tracer= xvfb=
cleanup() {
  set +e
  if [ -n "$pid" ]; then kill -KILL "$pid"; wait "$tracer"; fi 2>/dev/null
  if [ -n "$xvfb" ]; then kill "$xvfb"; wait "$xvfb"; fi 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"

for f in bin/ravelle lib/ravelle/ravelle lib/ravelle/libquillet.so lib/ravelle/quillet.manifest \
         lib/ravelle/volm.bmp share/applications/org.ravelle.Ravelle.desktop \
         share/metainfo/org.ravelle.Ravelle.metainfo.xml \
         share/icons/hicolor/48x48/apps/org.ravelle.Ravelle.png \
         share/icons/hicolor/scalable/apps/org.ravelle.Ravelle.svg \
         share/dbus-1/services/org.ravelle.Ravelle.service; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
desktop-file-validate "$prefix/share/applications/org.ravelle.Ravelle.desktop" || fail "desktop file"
grep -qx "Exec=$prefix/bin/ravelle" "$prefix/share/dbus-1/services/org.ravelle.Ravelle.service" ||
    fail "the D-Bus service does not start $prefix/bin/ravelle"
# Staged the way packagers build (and cpack makes the .deb): every file once
# under DESTDIR, the service starting the program at its final place.
DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null || fail "staged install failed"
grep -qx "Exec=/usr/bin/ravelle" "$work/stage/usr/share/dbus-1/services/org.ravelle.Ravelle.service" ||
    fail "staged under DESTDIR, the D-Bus service is missing or does not start /usr/bin/ravelle"
[ -z "$(find "$work/stage" -mindepth 1 -maxdepth 1 ! -name usr)" ] || fail "files staged outside DESTDIR/usr"
appstreamcli validate --no-net "$prefix/share/metainfo/org.ravelle.Ravelle.metainfo.xml" >/dev/null \
  || fail "metainfo"

# Starts it the way the desktop does: the Exec line's command on the PATH,
# with nothing of the build tree around, settings and registry under
# CONFIG, the files it opens traced to TRACE.
exec_line=$(sed -n '/^Exec=/{s/^Exec=//; s/ %[fFuU]$//; p}' "$prefix/share/applications/org.ravelle.Ravelle.desktop")
start_installed() {  # CONFIG TRACE [VAR=VALUE...]
  local config=$1 trace=$2
  shift 2
  mkdir -p "$config" "$work/runtime"
  chmod 700 "$work/runtime"
  env -i HOME="$work" PATH="$prefix/bin:/usr/bin:/bin" XDG_CONFIG_HOME="$config" \
    XDG_RUNTIME_DIR="$work/runtime" "$@" \
    strace -f -qq -e trace=openat -o "$trace" $exec_line &
  tracer=$!
  for _ in $(seq 100); do
    pid=$(pgrep -P "$tracer" || true)
    [ -n "$pid" ] && grep -q 'volm.bmp' "$trace" 2>/dev/null && break
    sleep 0.1
  done
  [ -n "$pid" ] || fail "the installed player did not start"
  sleep 0.5
}
# The player itself is asked to end; it saves and closes, and the tracer
# with it.
stop_installed() {
  kill -TERM "$pid"
  for _ in $(seq 100); do
    kill -0 "$tracer" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$tracer" 2>/dev/null && fail "the installed player did not end within 10 s of SIGTERM"
  wait "$tracer" || fail "the installed player did not end cleanly"
  pid=
}
slider_from_prefix() {  # TRACE
  grep -E "openat\(.*\"$prefix/lib/ravelle/libquillet.so\".*= [0-9]+$" "$1" >/dev/null
}

start_installed "$work/config" "$work/trace" QT_QPA_PLATFORM=offscreen
stop_installed
slider_from_prefix "$work/trace" || fail "the slider did not come from the installed quillet"
grep -E "openat\(.*\"$prefix/lib/ravelle/volm.bmp\".*= [0-9]+$" "$work/trace" >/dev/null \
  || fail "the picture beside the installed program was not read"
if grep -E "openat\(.*\"$build" "$work/trace" | grep -v ENOENT >/dev/null; then
  fail "the installed player used files of the build tree"
fi
[ -f "$work/config/ProgramSettings/ravelle.ini" ] || fail "no playlist saved at exit"
echo "installed player ran from $prefix"

# A build's quillet registered, then the build deleted: the registry names
# a file that is gone. The installed player makes its slider from the
# quillet beside it all the same, with no message box, and regcomp --check
# names the stale file. Boxes only show on a real display: a private Xvfb.
stale=$work/old-build/libquillet.so
mkdir -p "$(dirname "$stale")"
cp "$build/bin/libquillet.so" "$stale"
XDG_CONFIG_HOME=$work/stale-config "$build/bin/regcomp" "$stale" >/dev/null \
  || fail "regcomp could not register $stale"
rm -rf "$work/old-build"

Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(tail -1 "$work/xvfb.log")"
display=:$(head -1 "$work/display")
start_installed "$work/stale-config" "$work/stale-trace" DISPLAY="$display" QT_QPA_PLATFORM=xcb
DISPLAY=$display timeout 10 xdotool search --sync --onlyvisible --name '^ravelle$' >/dev/null \
  || fail "the installed player's window did not show"
sleep 0.5
windows=$(DISPLAY=$display xdotool search --onlyvisible --name '^ravelle$' | wc -l)
[ "$windows" = 1 ] || fail "$windows windows named ravelle: a message box came up at start"
stop_installed
slider_from_prefix "$work/stale-trace" \
  || fail "with a stale registration the slider did not come from the installed quillet"
set +e
check=$(XDG_CONFIG_HOME=$work/stale-config "$build/bin/regcomp" --check)
status=$?
set -e
[ "$status" = 1 ] || fail "regcomp --check ended with $status on a stale registration: $check"
grep -F -q "$stale" <<<"$check" || fail "regcomp --check does not name $stale: $check"
echo "with a registration of the deleted $stale the slider came from the installed quillet"

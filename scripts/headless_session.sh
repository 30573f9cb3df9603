# shellcheck shell=bash
# A private desktop for running the real player without a display or a sound
# card: an Xvfb server and a PulseAudio server with one null sink, whose
# monitor source ("test_null.monitor") hears everything played. Sourced by
# the end-to-end test and by the benchmarks that run the real program.
#
#   source headless_session.sh
#   session_start "$out"      # sets DISPLAY, PULSE_SERVER, XDG_*, HOME; logs go to $out
#   session_start_display "$out"   # the X server alone, for programs that play nothing
#   session_start_bus         # a private session bus; sets DBUS_SESSION_BUS_ADDRESS
#   session_level NAME FOLDER # the RMS of what the sink carries over 1.5 s (FOLDER/NAME.wav)
#   session_track $!          # a process to end when the script exits
#   fail "reason"             # one line on stderr, then exit 1 (cleanup runs)
#
# The screen is 640x480 unless SESSION_SCREEN says otherwise ("1280x1024x24").
#
# Everything the servers and the player write lands in a temporary folder,
# $session_dir, never in the user's own configuration or sound server.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

session_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null ||
            fail "'$tool' is not installed (scripts/install-deps.sh installs it)"
    done
}

# Processes started, ended newest first on exit. Each gets a moment to end
# after SIGTERM before it is killed, so nothing outlives the script.
session_pids=()
session_track() { session_pids+=("$@"); }

session_cleanup() {
    local i pid
    for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do
        pid=${session_pids[i]}
        kill -0 "$pid" 2>/dev/null || continue
        kill -TERM "$pid" 2>/dev/null
        for _ in $(seq 20); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    [ -n "${session_dir:-}" ] && rm -rf "$session_dir"
}

# Polls a command every 0.1 s until it succeeds, for at most $1 seconds.
wait_for() {
    local seconds=$1
    shift
    local tries n
    tries=$(awk -v s="$seconds" 'BEGIN { printf "%d", s * 10 }')
    for ((n = 0; n < tries; n++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# Waits at most $2 seconds for our child $1 to end; returns 1 while it
# still runs. `wait $1` then gives its exit status without blocking.
wait_exit() {
    wait_for "$2" bash -c "! kill -0 $1"
    ! kill -0 "$1" 2>/dev/null
}

# The private folders every session has, and the cleanup on exit.
session_prepare() {
    session_dir=$(mktemp -d) || fail "cannot make a temporary folder"
    trap session_cleanup EXIT
    trap 'fail "interrupted"' INT TERM HUP

    export HOME=$session_dir/home
    export XDG_CONFIG_HOME=$session_dir/config
    export XDG_CACHE_HOME=$session_dir/cache
    export XDG_RUNTIME_DIR=$session_dir/xdg
    unset DBUS_SESSION_BUS_ADDRESS
    mkdir -p "$HOME" "$XDG_CONFIG_HOME/ProgramSettings" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

session_start_display() {
    local logs=$1
    session_require Xvfb xwininfo awk
    [ -n "${session_dir:-}" ] || session_prepare
    export QT_QPA_PLATFORM=xcb

    # The server picks a free display number itself and writes it to fd 3.
    Xvfb -displayfd 3 -screen 0 "${SESSION_SCREEN:-640x480x24}" -nolisten tcp \
        3>"$session_dir/display" 2>"$logs/xvfb.log" &
    session_xvfb=$!
    session_track "$session_xvfb"
    wait_for 10 test -s "$session_dir/display" ||
        fail "Xvfb did not start within 10 s: $(tail -1 "$logs/xvfb.log")"
    DISPLAY=:$(head -1 "$session_dir/display")
    export DISPLAY
    wait_for 10 xwininfo -root || fail "display $DISPLAY does not answer"
}

session_start_sound() {
    local logs=$1
    session_require pulseaudio pactl
    [ -n "${session_dir:-}" ] || session_prepare
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
    unset PULSE_SINK
    mkdir -p "$XDG_RUNTIME_DIR/pulse"

    pulseaudio --daemonize=no --exit-idle-time=-1 -n --disallow-exit --use-pid-file=no \
        --load="module-native-protocol-unix socket=$XDG_RUNTIME_DIR/pulse/native auth-anonymous=1" \
        --load="module-null-sink sink_name=test_null rate=44100 channels=2" \
        --load=module-always-sink >"$logs/pulseaudio.log" 2>&1 &
    session_pulse=$!
    session_track "$session_pulse"
    wait_for 10 pactl info ||
        fail "the private PulseAudio did not answer within 10 s (see $logs/pulseaudio.log)"
    pactl set-default-sink test_null >/dev/null || fail "cannot make the null sink the default sink"
}

session_start() {
    session_require Xvfb xwininfo pulseaudio pactl awk
    session_start_sound "$1"
    session_start_display "$1"
}

# A session bus of the script's own, in DBUS_SESSION_BUS_ADDRESS.
session_start_bus() {
    [ -n "${session_dir:-}" ] || session_prepare
    session_require dbus-daemon
    dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$session_dir/bus" \
        2>"$session_dir/bus.log" &
    session_track $!
    wait_for 10 test -s "$session_dir/bus" ||
        fail "dbus-daemon did not start: $(tail -1 "$session_dir/bus.log")"
    DBUS_SESSION_BUS_ADDRESS=$(head -1 "$session_dir/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

# The RMS of both channels of what the null sink carries over 1.5 s, recorded
# to FOLDER/NAME.wav half a second after the call, so the sound server's own
# delay has passed.
session_level() {
    local name=$1 folder=$2 recorder
    session_require parecord sox
    sleep 0.5
    parecord -d test_null.monitor --latency-msec=20 --file-format=wav --rate=44100 --channels=2 \
        --format=s16le "$folder/$name.wav" 2>>"$session_dir/parecord.log" &
    recorder=$!
    session_track "$recorder"
    wait_for 5 bash -c 'pactl list short source-outputs | grep -q .' ||
        fail "parecord did not connect to the null sink's monitor"
    sleep 1.5
    kill -INT "$recorder"
    wait_exit "$recorder" 5 || fail "parecord did not finish its file"
    sox "$folder/$name.wav" -n stat 2>&1 | awk '/^RMS +amplitude:/ { print $3 }'
}

# Waits up to 15 s for the player's main window and prints its id.
session_find_window() {
    local window
    window=$(timeout 15 xdotool search --sync --onlyvisible --name '^ravelle$' 2>/dev/null | head -1)
    [ -n "$window" ] || return 1
    echo "$window"
}

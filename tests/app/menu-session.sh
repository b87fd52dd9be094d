#!/usr/bin/env bash
# The real program on the test's X display, steered the way a user does it. First run: a click on
# the bar's "Spectrum" button opens the spectrum menu and a click on WATERFALL chooses the view.
# Second run, from a fresh store: the keyboard alone (F1, Down, Down to the MODE row, Right to
# WATERFALL, Enter, Esc). Each run is then closed and its stored working configuration must hold
# the waterfall display mode.
set -u
program=$1
if ! command -v xdotool >/dev/null 2>&1; then
    echo "xdotool is missing (scripts/install-deps installs it)" >&2
    exit 77
fi
dir=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT

# Window points of the controls, GL y turned into window rows (the window is 960 x 640):
# the bar's second button ("Spectrum") and the MODE row's WATERFALL segment of the menu above it.
bar_mode_x=525; bar_mode_y=603
waterfall_x=644; waterfall_y=55

# X queues the input in order, but the menu must be open (and faded in) before its row is
# clicked, and the program must have taken every event before it is told to quit: the pauses are
# generous because sanitizer builds on a busy machine draw slowly.
by_mouse() {
    xdotool mousemove --window "$1" $bar_mode_x $bar_mode_y click 1
    sleep 2
    xdotool mousemove --window "$1" $waterfall_x $waterfall_y click 1
    sleep 2
}

by_keyboard() {
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
    for key in F1 Down Down Right Return Escape; do
        xdotool key "$key"
        sleep 0.6
    done
    sleep 2
}

display_mode() {
    python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
key = b'config0.spectrum_settings'
at = data.find(key)
if at < 0:
    print('missing')
    sys.exit(0)
size = struct.unpack_from('<I', data, at + len(key))[0]
print(data[at + len(key) + 4] if size >= 88 else 'short')
PY
}

session() {
    local name=$1 steer=$2
    export XDG_CONFIG_HOME="$dir/$name/config" XDG_DATA_HOME="$dir/$name/data"
    "$program" >"$dir/$name.log" 2>&1 &
    pid=$!
    local win=
    for _ in $(seq 1 50); do
        win=$(xdotool search --name '^Nolvo$' 2>/dev/null | head -1)
        [ -n "$win" ] && break
        sleep 0.2
    done
    if [ -z "$win" ]; then
        echo "$name: no Nolvo window" >&2
        return 1
    fi
    sleep 4
    "$steer" "$win"
    kill -TERM "$pid"
    wait "$pid"
    local status=$?
    pid=
    if [ "$status" -ne 0 ]; then
        echo "$name: nolvo exited with status $status" >&2
        cat "$dir/$name.log" >&2
        return 1
    fi
    local mode
    mode=$(display_mode "$XDG_CONFIG_HOME/nolvo/settings.store")
    if [ "$mode" != "1" ]; then
        echo "$name: the stored display mode is $mode, not 1 (WATERFALL)" >&2
        return 1
    fi
    echo "$name: WATERFALL chosen and kept"
}

session mouse by_mouse || exit 1
session keyboard by_keyboard || exit 1

#!/usr/bin/env bash
# The live path of the real program, end to end: nolvo runs under tools/fake-accessory with a
# second-generation accessory that is unplugged after a while. Key R (xdotool, on the test's X
# display) starts a recording once the accessory is connected; the unplug ends it. nolvo-log
# --replay-file must then turn the recording into a CSV of the accessory's sweeps.
#   fake-accessory-session.sh FAKE_ACCESSORY NOLVO NOLVO_LOG
set -u
fake=$1 program=$2 log=$3
if ! command -v xdotool >/dev/null 2>&1 || [ -z "${DISPLAY:-}" ]; then
    echo "needs xdotool and an X display (scripts/install-deps, xvfb-run)" >&2
    exit 77
fi
dir=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data"
data="$XDG_DATA_HOME/nolvo"
unplug_after=15

fail() {
    echo "$1" >&2
    echo "--- fake-accessory and nolvo output:" >&2
    grep -v ' CH: \|^nolvo-log: [0-9]*)\|-------' "$dir/run.log" >&2
    exit 1
}

"$fake" nolvo-pro --unplug-after "$unplug_after" -- "$program" >"$dir/run.log" 2>&1 &
pid=$!
win=
for _ in $(seq 1 100); do
    win=$(xdotool search --name '^Nolvo$' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.2
done
[ -n "$win" ] || fail "no Nolvo window"
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"

# R records only with the accessory connected: press it until a recording appears (each try
# waits long enough for the file to show up, so a second press never stops a started one).
for _ in $(seq 1 5); do
    sleep 2
    xdotool key r
    sleep 1
    ls "$data"/*.nolrec >/dev/null 2>&1 && break
done
recordings=("$data"/*.nolrec)
[ -f "${recordings[0]}" ] || fail "R started no recording"

# The unplug ends the recording; then the program is closed as a user would.
for _ in $(seq 1 $((unplug_after * 5 + 50))); do
    grep -q 'unplugged after' "$dir/run.log" && break
    sleep 0.2
done
grep -q 'unplugged after' "$dir/run.log" || fail "the accessory was never unplugged"
sleep 2
kill -TERM "$pid"
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "nolvo exited with status $status"

recordings=("$data"/*.nolrec)
[ "${#recordings[@]}" -eq 1 ] || fail "${#recordings[@]} recordings instead of one"
"$log" --replay-file "${recordings[0]}" --output "$dir/out" >"$dir/replay.out" 2>"$dir/replay.err" ||
    { cat "$dir/replay.err" >&2; fail "nolvo-log could not replay the recording"; }
csv=$(tail -n 1 "$dir/replay.out")
[ -f "$csv" ] || fail "the replay named no CSV"
# The second generation's 2.4 GHz sweep: a time and 245 values per row.
read -r rows other < <(awk -F, '/^[0-9]/ { n++; if (NF != 246) bad++ } END { print n + 0, bad + 0 }' "$csv")
if [ "$rows" -lt 5 ] || [ "$other" -ne 0 ]; then
    fail "the replayed CSV holds $rows rows ($other of another width)"
fi
echo "recorded $(stat -c %s "${recordings[0]}") bytes with R; replayed into $rows rows"

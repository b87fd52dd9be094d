#!/usr/bin/env bash
# Runs `nolvo` for a few seconds with a store and data directory of its own, closes it with the
# SDL quit event that SIGTERM raises, and checks the exit status and the saved configuration.
set -u
program=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data"
"$program" &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    echo "nolvo ended early with status $?" >&2
    exit 1
fi
# The store was written at start-up (first start creates it); remove it so that only the save on
# closing can bring it back.
rm -f "$XDG_CONFIG_HOME/nolvo/settings.store"
sleep 1
kill -TERM "$pid"
wait "$pid"
status=$?
if [ "$status" -ne 0 ]; then
    echo "nolvo exited with status $status" >&2
    exit 1
fi
store="$XDG_CONFIG_HOME/nolvo/settings.store"
if [ ! -s "$store" ]; then
    echo "no settings store after closing" >&2
    exit 1
fi
if ! grep -q "config0" "$store"; then
    echo "slot 0 missing from the store" >&2
    exit 1
fi
echo "nolvo closed with status 0; store $(stat -c %s "$store") bytes"

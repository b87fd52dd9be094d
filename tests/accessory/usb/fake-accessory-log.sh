#!/usr/bin/env bash
# nolvo-log under tools/fake-accessory: the simulated MODEL is found through libusb and its sweeps
# fill the CSV. The demo is set to a model whose sweeps have another column count, so every row
# must show COLUMNS values to have come from the accessory.
#   fake-accessory-log.sh FAKE_ACCESSORY NOLVO_LOG MODEL DEMO_HARDWARE COLUMNS
set -u
fake=$1 log=$2 model=$3 demo=$4 columns=$5
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$fake" "$model" -- "$log" --hardware "$demo" --seconds 3 --output "$out" >"$out/stdout" 2>"$out/stderr"
status=$?
# Standard output holds the CSV's path and nothing else (the device listing goes to stderr).
csv=$(cat "$out/stdout")
if [ "$status" -ne 0 ] || [ ! -f "$csv" ] || [ "$(wc -l < "$out/stdout")" -ne 1 ]; then
    echo "$model: nolvo-log exited with $status and named no CSV (\"$csv\")" >&2
    cat "$out/stdout" "$out/stderr" >&2
    exit 1
fi
read -r rows other < <(awk -F, -v want=$((columns + 1)) \
    '/^[0-9]/ { n++; if (NF != want) bad++ } END { print n + 0, bad + 0 }' "$csv")
if [ "$rows" -lt 3 ] || [ "$other" -ne 0 ]; then
    echo "$model: $rows rows, $other of them without $columns values" >&2
    cat "$out/stderr" >&2
    exit 1
fi
echo "$model: $rows rows of $columns values from the simulated accessory"

#!/usr/bin/env bash
# CPU of the whole program in demo mode, power view (hardware 1, persistence 2 s), over 20 s
# under Xvfb + llvmpipe. Run from the repository root with a Release build:
#   xvfb-run -a -s "-screen 0 960x640x24" bench/power/power-cpu.sh build-bench
set -eu
build=${1:-build-bench}
seconds=${SECONDS_TO_RUN:-20}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
export XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" LIBGL_ALWAYS_SOFTWARE=1
"$build/bench/power/set_power_view" "${HARDWARE:-1}" "${PERSISTENCE:-2}"
"$build/app/nolvo" &
pid=$!
sleep 3 # start-up is not part of the figure
read -r -a before < "/proc/$pid/stat"
sleep "$seconds"
read -r -a after < "/proc/$pid/stat"
kill -TERM "$pid"
wait "$pid" || true
ticks=$(getconf CLK_TCK)
# Fields 14 and 15: user and system time in clock ticks.
used=$(( (after[13] + after[14]) - (before[13] + before[14]) ))
awk -v used="$used" -v ticks="$ticks" -v s="$seconds" \
    'BEGIN { printf "power view, demo mode: %.1f %% of one core over %d s\n", 100 * used / ticks / s, s }'

#!/usr/bin/env bash
# Times nolvo-log --replay-file on a synthetic 10-minute dual-band recording.
# usage: bench/accessory/replay-file-speed.sh BENCH_BUILD_DIR
set -euo pipefail
build=${1:?usage: $0 BENCH_BUILD_DIR}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
NOLVO_WRITE_RECORDING="$work/ten-minutes.nolrec" "$build/bench/accessory/stream_recording_bench" \
  --benchmark_filter=BM_ConvertTenMinutes > /dev/null
ls -l "$work/ten-minutes.nolrec"
# Wall clock and CPU (user + system) of the whole process; on a busy machine the CPU time is the
# figure that does not depend on what else runs.
TIMEFORMAT='nolvo-log --replay-file: %R s wall clock, %U s user, %S s system'
time "$build/tools/nolvo-log/nolvo-log" --replay-file "$work/ten-minutes.nolrec" --output "$work/out" 2> "$work/err" > /dev/null
tail -1 "$work/err"

#!/usr/bin/env bash
# CPU of the whole program in demo mode, power view (hardware 1, persistence 2 s), over 20 s
# under its own Xvfb + llvmpipe; one row of bench/cpu-per-view. Run from the repository root with
# a build made with -DNOLVO_BUILD_BENCH=ON:
#   bench/power/power-cpu.sh build-bench      (HARDWARE and PERSISTENCE choose the demo)
exec "$(dirname "$0")/../cpu-per-view" "${1:-build-bench}" power

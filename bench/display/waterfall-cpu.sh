#!/usr/bin/env bash
# CPU of the whole program in demo mode, waterfall view, over 20 s under its own Xvfb + llvmpipe;
# one row of bench/cpu-per-view. Run from the repository root with a build made with
# -DNOLVO_BUILD_BENCH=ON:
#   bench/display/waterfall-cpu.sh build-bench
exec "$(dirname "$0")/../cpu-per-view" "${1:-build-bench}" waterfall

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds talvor-bench in a Release tree (build-release) and runs it on the offscreen platform.
#   bench/run.sh                   tick costs and throughputs, ours next to the literal way
#   bench/run.sh --peak-memory     peak memory after 500 MB through the receive poll, then of
#                                  ticks of 4 and 20 MB of frames and of noise, each run apart,
#                                  then the real program fed by talvor-sim at full speed through a
#                                  pseudo-terminal (200 MB, about 30 s here): peak memory and how
#                                  late the main loop answers
#   bench/run.sh --accessible-log  how fast the log's accessibility interface answers on a full
#                                  log of 16 MiB
# Other arguments go to Google Benchmark (for example --benchmark_filter=tick).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

install_missing "${base_packages[@]}" libbenchmark-dev
build build-release talvor-bench talvor-soak talvor-sim -- -DCMAKE_BUILD_TYPE=Release \
    -DTALVOR_BENCH=ON -DTALVOR_SOAK=ON
# One core: the receive poll runs on the one user-interface thread.
if [ "${1:-}" = --peak-memory ]; then
    status=0
    taskset -c 0 build-release/talvor-bench "$@" || status=1
    for megabytes in 4 20; do
        for kind in frames noise; do
            taskset -c 0 build-release/talvor-bench --big-ticks $megabytes $kind || status=1
        done
    done
    build-release/talvor-soak build-release/talvor-sim 200000000 || status=1
    exit $status
fi
exec taskset -c 0 build-release/talvor-bench "$@"

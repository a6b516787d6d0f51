#!/usr/bin/env bash
# Builds talvor-bench in a Release tree (build-release) and runs it on the offscreen platform.
#   bench/run.sh                   tick costs and throughputs, ours next to the literal way
#   bench/run.sh --peak-memory     peak memory after 500 MB through the receive poll
# Other arguments go to Google Benchmark (for example --benchmark_filter=tick).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

install_missing "${base_packages[@]}" libbenchmark-dev
build build-release talvor-bench -- -DCMAKE_BUILD_TYPE=Release -DTALVOR_BENCH=ON
# One core: the receive poll runs on the one user-interface thread.
exec taskset -c 0 build-release/talvor-bench "$@"

#!/usr/bin/env bash
# Soak test: builds a Release tree (build-release), then talvor-sim streams 50 MB of mixed frames
# and noise through a pseudo-terminal into the real program, offscreen, as fast as it reads them.
#   tools/soak.sh [total bytes, default 50000000] [seed, default 1]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh

install_missing "${base_packages[@]}"
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DTALVOR_SOAK=ON >/dev/null
cmake --build build-release -j"$(nproc)" --target talvor-soak talvor-sim
exec build-release/talvor-soak build-release/talvor-sim "${1:-50000000}" "${2:-1}"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak test: builds a Release tree (build-release), then talvor-sim streams 50 MB of mixed frames
# and noise through a pseudo-terminal into the program's core (no window), as fast as it reads them.
#   tools/soak.sh [total bytes, default 50000000] [seed, default 1]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

install_missing "${base_packages[@]}"
build build-release talvor-soak talvor-sim -- -DCMAKE_BUILD_TYPE=Release -DTALVOR_SOAK=ON
exec build-release/talvor-soak build-release/talvor-sim "${1:-50000000}" "${2:-1}"

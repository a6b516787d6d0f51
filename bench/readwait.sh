#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds talvor-readwait in a Release tree (build-release) and runs it: how long a frame written
# into a pseudo-terminal waits until the real program's port reader takes it, and the share of
# frames lost when the device end closes 0.5, 1, 2 and 5 ms after a write, next to a bare reader
# thread (poll() and read(), nothing else) measured in the same run; with the program idle, with
# its window's thread busy, and with a process per core burning the machine.
#   bench/readwait.sh [--frames N] [--tries N] [--case idle|busy|loaded]
# N frames for the waits (default 300) and N tries per close delay (default 300), for each reader.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

install_missing "${base_packages[@]}" libbenchmark-dev
build build-release talvor-readwait -- -DCMAKE_BUILD_TYPE=Release -DTALVOR_BENCH=ON >/dev/null
exec build-release/talvor-readwait "$@"

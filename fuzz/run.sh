#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz and runs each one for a set time, starting from its committed corpus.
#   fuzz/run.sh [seconds per target, default 60]
# New inputs go to build-fuzz/corpus/<target>; a finding stops the run and is written to
# build-fuzz/findings/<target>-crash-... (replay it: build-fuzz/fuzz/<target> FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

seconds=${1:-60}
# clang brings libFuzzer and the sanitizer runtimes.
install_missing "${base_packages[@]}" clang

build build-fuzz -- -DTALVOR_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++

export UBSAN_OPTIONS=print_stacktrace=1
for target in fuzz_reportdecoder fuzz_trafficlog fuzz_numberreading; do
    echo "== $target, ${seconds} s"
    mkdir -p "build-fuzz/corpus/$target" build-fuzz/findings
    # The log's reference copies its whole text per byte; longer inputs only slow it down.
    build-fuzz/fuzz/$target -max_total_time="$seconds" -max_len=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$target-" \
        "build-fuzz/corpus/$target" "fuzz/corpus/$target"
done
echo "No findings."

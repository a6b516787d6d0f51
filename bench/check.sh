#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The unattended check's time and its report's size, against the simulator on a pseudo-terminal:
#   bench/check.sh [RUNS] [BUILD_DIR]   each case RUNS times (default 20), build/ by default
# A case is one talvor-tester --check from its start to its exit: a good unit with the summary and
# with each form of report, and a faulty unit (two detectors silent, one other address) that
# waits out --wait. Prints the median and the slowest time of each case and the report sizes.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
bin=$PWD/${2:-build}
work=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/config/MOXT"
export XDG_CONFIG_HOME=$work/config
printf '[Devices]\nCOM1=%s\nCOM2=%s\n' "$work/good" "$work/bad" >"$work/config/MOXT/MOXT.conf"
"$bin/talvor-sim" --quiet --link "$work/good" >/dev/null &
pids+=($!)
"$bin/talvor-sim" --quiet --link "$work/bad" --silent 3,7 --address 5=77 >/dev/null &
pids+=($!)
while [ ! -e "$work/good" ] || [ ! -e "$work/bad" ]; do sleep 0.1; done
"$bin/talvor-tester" --check 1 --report "$work/good.csv" >/dev/null 2>&1

# run_case NAME EXPECTED_STATUS ARGUMENTS...: the median and slowest of RUNS checks, in seconds.
run_case() {
    local name=$1 expected=$2 times=()
    shift 2
    for _ in $(seq "$runs"); do
        local start end status=0
        start=$(date +%s%N)
        "$bin/talvor-tester" --check "$@" >/dev/null 2>&1 || status=$?
        end=$(date +%s%N)
        [ "$status" -eq "$expected" ] || { echo "$name: exit status $status, not $expected" >&2; exit 1; }
        times+=($(((end - start) / 1000000)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk -v name="$name" '
        { t[NR] = $1 } END { printf "%-28s median %5.2f s, slowest %5.2f s\n", name,
                             t[int((NR + 1) / 2)] / 1000, t[NR] / 1000 }'
}

run_case "good unit, summary" 0 1
run_case "good unit, PDF report" 0 1 --report "$work/r.pdf"
run_case "good unit, CSV report" 0 1 --report "$work/r.csv"
run_case "good unit, JSON report" 0 1 --report "$work/r.json"
run_case "faulty unit, --expect" 1 2 --expect "$work/good.csv"
run_case "faulty unit, --wait 1" 1 2 --expect "$work/good.csv" --wait 1
for f in r.pdf r.csv r.json; do
    printf 'report %-6s %6d bytes\n' "$f" "$(stat -c %s "$work/$f")"
done

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole program at the device's line rate: talvor-tester runs under Xvfb, connects to talvor-sim through a pseudo-terminal, and the CPU time it takes
# (utime + stime from /proc, so other load on the machine does not count) is printed for
#   idle       connected, nothing received
#   line rate  frames at 1,920 B/s (what 19200 baud carries), each written on its own
#   batched    the same in batches every 16 ms, as a USB serial adapter's latency timer sends them
#   changing   frames at 1,920 B/s with random addresses and CV values on all 24 rows, so that
#              every poll repaints many report cells
#   flood      frames as fast as the program takes them
# with the share of it that the window's thread took (the rest is the serial port's reader and
# Qt's own threads), the window thread's wake-ups per second (its context switches), the bytes
# per second the simulator got written, the resident memory at the start and the end of each,
# and then for comparison
#   repaint    a bare Qt window that repaints one widget as large as the log every 50 ms
#              (bench/repaintfloor.cpp): what Qt and the X server take for the repaint the tester
#              makes on every poll that brings bytes, before any work of its own.
#   bench/linerate.sh [--seconds N] [--flood-seconds N] [--program PATH] [--phases LIST]
# LIST names the phases to run, separated by commas (default: all).
# Builds talvor-tester and talvor-sim in build-release unless --program names another tester.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

seconds=60
flood_seconds=30
program=""
phases=",idle,line rate,batched,changing,flood,repaint,"
while [ $# -gt 0 ]; do
    case $1 in
    --seconds) seconds=$2 && shift ;;
    --flood-seconds) flood_seconds=$2 && shift ;;
    --program) program=$2 && shift ;;
    --phases) phases=,$2, && shift ;;
    *) echo "unknown argument: $1" >&2 && exit 2 ;;
    esac
    shift
done

install_missing "${base_packages[@]}" xvfb xdotool libbenchmark-dev
build build-release talvor-tester talvor-sim talvor-repaint-floor -- -DCMAKE_BUILD_TYPE=Release \
    -DTALVOR_BENCH=ON >/dev/null
program=${program:-build-release/talvor-tester}
sim=build-release/talvor-sim

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/config/MOXT"
printf '[Devices]\nCOM1=%s\n\n[Port]\nPortNumber=0\nRTSCTS=0\n' "$work/tty" \
    >"$work/config/MOXT/MOXT.conf"
export XDG_CONFIG_HOME=$work/config

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Of the main thread only; its name may hold blanks, so the fields are counted from its end.
window_ticks() { sed 's/.*) //' "/proc/$1/task/$1/stat" | awk '{ print $12 + $13 }'; }
wakeups() { awk '/^(non)?voluntary_ctxt_switches:/ { n += $2 } END { print n }' "/proc/$1/status"; }
status_mb() { awk -v f="$2:" '$1 == f { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

# Starts the program and connects it with a click on "Verbinden"; fails unless the program then
# holds the pseudo-terminal open.
start_program() {
    "$program" >"$work/program.log" 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
    local window
    window=$(xdotool search --sync --onlyvisible --pid "$program_pid" | head -n1)
    # "Verbinden" stands at 2047 x 6877 twips in the window, 15 twips to a pixel.
    sleep 1
    xdotool mousemove --window "$window" 136 458 click 1
    sleep 1
    if ! ls -l "/proc/$program_pid/fd" | grep -q /dev/pts; then
        echo "the program did not connect to $(readlink "$work/tty")" >&2
        exit 1
    fi
}

# measure NAME SECONDS SIM_ARGS...: one phase with a fresh simulator and program.
measure() {
    local name=$1 length=$2
    shift 2
    [[ $phases == *",$name,"* ]] || return 0
    rm -f "$work/tty" "$work/sent.bin"
    "$sim" --quiet --link "$work/tty" --record "$work/sent.bin" "$@" >/dev/null \
        2>"$work/sim.log" &
    local sim_pid=$!
    pids+=("$sim_pid")
    for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
    start_program
    local cpu0 rss0 cpu1 rss1 hwm wake0 wake1 win0 win1 sent0 sent1
    cpu0=$(cpu_ticks "$program_pid")
    win0=$(window_ticks "$program_pid")
    sent0=$(stat -c %s "$work/sent.bin" 2>/dev/null || echo 0)
    wake0=$(wakeups "$program_pid")
    rss0=$(status_mb "$program_pid" VmRSS)
    sleep "$length"
    cpu1=$(cpu_ticks "$program_pid")
    win1=$(window_ticks "$program_pid")
    sent1=$(stat -c %s "$work/sent.bin" 2>/dev/null || echo 0)
    wake1=$(wakeups "$program_pid")
    rss1=$(status_mb "$program_pid" VmRSS)
    hwm=$(status_mb "$program_pid" VmHWM)
    kill "$program_pid" "$sim_pid" 2>/dev/null || true
    wait "$program_pid" "$sim_pid" 2>/dev/null || true
    awk -v n="$name" -v s="$length" -v c=$((cpu1 - cpu0)) -v t="$ticks" -v a="$rss0" \
        -v b="$rss1" -v h="$hwm" -v w=$((wake1 - wake0)) -v m=$((win1 - win0)) \
        -v r=$((sent1 - sent0)) \
        'BEGIN { printf "%-10s %5d s %8.2f %% %8.2f %% %8.0f /s %9.0f kB/s %7.1f MB %7.1f MB %7.1f MB\n",
                 n, s, 100 * c / t / s, 100 * m / t / s, w / s, r / s / 1000, a, b, h }'
}

# measure_repaint SECONDS: the bare window's CPU share.
measure_repaint() {
    build-release/talvor-repaint-floor >/dev/null 2>&1 &
    local pid=$!
    pids+=("$pid")
    xdotool search --sync --onlyvisible --pid "$pid" >/dev/null
    sleep 1
    local cpu0 cpu1
    cpu0=$(cpu_ticks "$pid")
    sleep "$1"
    cpu1=$(cpu_ticks "$pid")
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    awk -v s="$1" -v c=$((cpu1 - cpu0)) -v t="$ticks" \
        'BEGIN { printf "%-10s %5d s %8.2f %%\n", "repaint", s, 100 * c / t / s }'
}

echo "program: $program ($(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-10s %7s %10s %10s %11s %14s %10s %10s %10s\n' phase time "CPU share" "window" \
    "wake-ups" "received" "RSS start" "RSS end" "peak RSS"
measure idle "$seconds"
measure "line rate" "$seconds" --stream 1920
measure batched "$seconds" --stream 1920 --latency 16
measure changing "$seconds" --stream 1920 --changing
measure flood "$flood_seconds" --stream 100000000
[[ $phases != *,repaint,* ]] || measure_repaint "$seconds"
echo "load average afterwards: $(cut -d' ' -f1-3 /proc/loadavg)"

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program with the real screen reader at the device's line rate: talvor-sim streams frames at
# 1,920 B/s (what 19200 baud carries) to talvor-tester, which runs under orca-session (headless
# Xvfb, Orca 43 in German, speech-dispatcher). Printed for each phase:
#   alone    the tester connected under a plain Xvfb, no accessibility bus, no Orca
#   button   under Orca, the focus on "Verbinden"
#   log      under Orca, the focus in the traffic log after Tab and Down (a reader who went there
#            by keyboard and is on the newest line)
# the CPU share of one core that the tester and Orca took (utime + stime from /proc, so other
# load on the machine does not count), what Orca said meanwhile without a key pressed (utterances
# per second and the first of them), and the accessibility events per second by kind, counted on
# the AT-SPI bus.
#   bench/screenreader.sh [--seconds N] [--build DIR] [--orca-session PATH]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=10
build=build
orca=../shared/orca/orca-session
while [ $# -gt 0 ]; do
    case $1 in
    --seconds) seconds=$2 && shift ;;
    --build) build=$2 && shift ;;
    --orca-session) orca=$2 && shift ;;
    *) echo "unknown argument: $1" >&2 && exit 2 ;;
    esac
    shift
done
orca=$(realpath "$orca")
program=$(realpath "$build/talvor-tester")
sim=$(realpath "$build/talvor-sim")
work=$(mktemp -d)
export ORCA_SESSION_DIR=$work/session
pids=()
cleanup() {
    "$orca" stop >/dev/null 2>&1 || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/config/MOXT"
printf '[Devices]\nCOM1=%s\n\n[Port]\nPortNumber=0\nRTSCTS=0\n' "$work/tty" \
    >"$work/config/MOXT/MOXT.conf"
export XDG_CONFIG_HOME=$work/config

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
share() { awk -v c="$1" -v t="$ticks" -v s="$seconds" 'BEGIN { printf "%.1f", 100 * c / t / s }'; }

start_sim() {
    rm -f "$work/tty"
    "$sim" --quiet --link "$work/tty" --stream 1920 >/dev/null 2>"$work/sim.log" &
    sim_pid=$!
    pids+=("$sim_pid")
    for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
}

# The tester alone: connected with Tab, Space under a plain Xvfb.
measure_alone() {
    start_sim
    local display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
    env -u DBUS_SESSION_BUS_ADDRESS DISPLAY=$display QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 \
        QT_ACCESSIBILITY=0 "$program" >/dev/null 2>&1 &
    local pid=$!
    pids+=("$pid")
    local window
    window=$(DISPLAY=$display xdotool search --sync --onlyvisible --pid "$pid" | head -n1)
    DISPLAY=$display xdotool windowfocus --sync "$window" key Tab space
    sleep 3
    local c0
    c0=$(cpu_ticks "$pid")
    sleep "$seconds"
    printf '%-7s tester %5s %%\n' alone "$(share $(($(cpu_ticks "$pid") - c0)))"
    kill "$pid" "$sim_pid" 2>/dev/null || true
}

# The events on the accessibility bus, counted by kind from dbus-monitor's lines.
count_events() {
    awk -v s="$seconds" '
        /^signal .*interface=org.a11y.atspi.Event.Object/ {
            match($0, /member=[A-Za-z]+/); kind = substr($0, RSTART + 7, RLENGTH - 7); want = 1; next }
        want && /^   string / { gsub(/"/, "", $2); n[kind ":" $2]++; want = 0 }
        END { for (k in n) printf "        %-40s %6.1f /s\n", k, n[k] / s }' "$1" | sort
}

# measure_orca NAME: one sample under Orca with the focus where it is now.
measure_orca() {
    # shellcheck disable=SC1091
    . "$ORCA_SESSION_DIR/session.env"
    local bus
    bus=$(DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$ORCA_SESSION_DIR/dbus-address") \
        gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
        --method org.a11y.Bus.GetAddress | sed "s/^('\(.*\)',)$/\1/")
    sleep 3
    local said0 t0 o0
    said0=$(grep -c 'SPEECH OUTPUT' "$ORCA_SESSION_DIR/orca-debug.log" || true)
    dbus-monitor --address "$bus" "type='signal'" >"$work/events.txt" 2>/dev/null &
    local monitor=$!
    t0=$(cpu_ticks "$PROGRAM_PID")
    o0=$(cpu_ticks "$ORCA_PID")
    sleep "$seconds"
    local t1 o1 said1
    t1=$(cpu_ticks "$PROGRAM_PID")
    o1=$(cpu_ticks "$ORCA_PID")
    kill "$monitor" 2>/dev/null || true
    said1=$(grep -c 'SPEECH OUTPUT' "$ORCA_SESSION_DIR/orca-debug.log" || true)
    local first
    first=$(grep 'SPEECH OUTPUT' "$ORCA_SESSION_DIR/orca-debug.log" | sed -n "$((said0 + 1))p" |
        sed "s/.*SPEECH OUTPUT: //" | cut -c1-40)
    printf '%-7s tester %5s %%  Orca %5s %%  speech %5.1f /s %s\n' "$1" \
        "$(share $((t1 - t0)))" "$(share $((o1 - o0)))" \
        "$(awk -v n=$((said1 - said0)) -v s="$seconds" 'BEGIN { print n / s }')" "$first"
    count_events "$work/events.txt"
}

echo "phase   CPU of one core over $seconds s; what Orca said unasked; AT-SPI events by kind"
measure_alone
start_sim
"$orca" start "$program" >/dev/null
"$orca" keys Tab space >/dev/null
measure_orca button
"$orca" keys shift+Tab shift+Tab >/dev/null
"$orca" keys Down >/dev/null
measure_orca log

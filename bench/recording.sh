#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a recording costs the real program, driven as a user drives it: talvor-tester (Release)
# under Xvfb, talvor-sim on a pseudo-terminal, clicks and keys through xdotool.
#   bench/recording.sh [SECONDS]   CPU share at 1,920 B/s without and with a recording (default
#                                  60 s each), then a flood of 50 MB recorded and accounted for
# Needs xvfb and xdotool. Prints the figures; the files stay in build-release/recording-bench/.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/build.sh

seconds=${1:-60}
install_missing "${base_packages[@]}" xvfb xdotool
build build-release talvor-tester talvor-sim -- -DCMAKE_BUILD_TYPE=Release
bin=$PWD/build-release
work=$bin/recording-bench
rm -rf "$work"
mkdir -p "$work/config/MOXT"
display=:$((100 + RANDOM % 800))
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display XDG_CONFIG_HOME=$work/config HOME=$work
sleep 1

# start_run SIM_OPTIONS...: a simulator and a tester, not yet connected; sets sim and tester.
start_run() {
    "$bin/talvor-sim" --quiet --link "$work/tty" --record "$work/sent.bin" "$@" >/dev/null &
    sim=$!
    pids+=("$sim")
    sleep 0.5
    printf '[Devices]\nCOM1=%s\n[Port]\nPortNumber=0\n' "$work/tty" >"$work/config/MOXT/MOXT.conf"
    taskset -c 0 "$bin/talvor-tester" >/dev/null 2>&1 &
    tester=$!
    pids+=("$tester")
    sleep 2
}

connect_port() {
    xdotool mousemove 136 458 click 1 # Verbinden
    sleep 0.5
}

stop_run() {
    kill "$tester" "$sim"
    wait "$tester" "$sim" 2>/dev/null || true
    rm -f "$work/sent.bin"
}

# The log's context menu, the entry at position $1 (1 = "Alles kopieren").
menu_entry() {
    xdotool mousemove 850 300 click 3
    sleep 0.5
    for _ in $(seq "$1"); do xdotool key Down; done
    xdotool key Return
    sleep 1
}

start_recording() {
    menu_entry 2 # Mitschnitt starten...
    xdotool key ctrl+a type "$1"
    xdotool key Return
    sleep 0.5
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

cpu_share() {
    local before after
    before=$(cpu_ticks "$tester")
    sleep "$seconds"
    after=$(cpu_ticks "$tester")
    awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        'BEGIN { printf "%.2f %% of one core", 100 * t / hz / s }'
}

# Twice each, alternating, so that the spread between runs shows next to the difference.
run=0
for recording in no yes no yes; do
    run=$((run + 1))
    start_run --stream 1920
    [ "$recording" = yes ] && start_recording "$work/linerate-$run.txt"
    connect_port
    echo "1,920 B/s for ${seconds} s, recording $recording: $(cpu_share)"
    stop_run
done
for file in "$work"/linerate-*.txt; do
    awk '$2 == "RX" { rx += NF - 2 } END { printf "%s: %d bytes received recorded\n", FILENAME, rx }' \
        "$file"
done

# flood RECORDING: 50 MB as fast as the tester takes them, with or without a recording.
flood() {
    start_run --stream 100000000 --total 50000000
    [ "$1" = yes ] && start_recording "$work/flood.txt"
    connect_port
    local started finished cpu_before sent=0 now
    started=$(date +%s.%N)
    cpu_before=$(cpu_ticks "$tester")
    while :; do
        sleep 1
        now=$(stat -c %s "$work/sent.bin")
        [ "$now" = "$sent" ] && break
        sent=$now
        finished=$(date +%s.%N)
    done
    awk -v b="$sent" -v a="$started" -v z="$finished" -v r="$1" \
        -v t=$(($(cpu_ticks "$tester") - cpu_before)) -v hz="$(getconf CLK_TCK)" \
        'BEGIN { s = z - a; printf "flood, recording %s: %.1f MB/s (to within a second), tester %.0f %% of one core\n",
                 r, b / s / 1e6, 100 * t / hz / s }'
    if [ "$1" = yes ]; then
        menu_entry 3 # Mitschnitt beenden
        awk -v sent="$sent" '
            $2 == "RX" { rx += NF - 2 }
            $2 == "UNRECORDED" { missing += $3 }
            END { printf "  %d bytes sent, %d recorded, %d counted as not recorded, %d unaccounted\n",
                         sent, rx, missing, sent - rx - missing }' "$work/flood.txt"
        echo "  recording: $(stat -c %s "$work/flood.txt") bytes of text"
    fi
    stop_run
}

flood no
flood yes

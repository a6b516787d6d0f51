#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What Orca says, in German, on the walks a blind technician takes through the window: the detector
# table, "Anfordern", the traffic log and the byte field. Runs the real program against the device
# simulator under orca-session (headless Xvfb, Orca, speech-dispatcher) and checks Orca's words.
# Usage: tests/screenreader/orca-walk.sh [BUILD_DIR]   (ORCA_SESSION names orca-session)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
orca=${ORCA_SESSION:-$here/../../../shared/orca/orca-session}
work=$(mktemp -d)
export ORCA_SESSION_DIR=$work/session
mkdir -p "$work/cfg/MOXT"
printf '[Devices]\nCOM1=%s/dev\n' "$work" >"$work/cfg/MOXT/MOXT.conf"
"$build/talvor-sim" --link "$work/dev" >"$work/sim.log" 2>&1 &
sim=$!
finish() {
    "$orca" stop >/dev/null 2>&1 || true
    kill "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
for _ in $(seq 50); do [[ -e $work/dev ]] && break; sleep 0.1; done
XDG_CONFIG_HOME=$work/cfg "$orca" start "$build/talvor-tester" >/dev/null
failures=0
# say "what" "keys" "words Orca must say" (a fixed string on one of its lines)
say() {
    local heard
    heard=$("$orca" keys $2)
    printf '%s\n' "== $1 ($2)" "$heard"
    if ! grep -qF -- "$3" <<<"$heard"; then
        echo "FAIL: expected \"$3\""
        failures=$((failures + 1))
    fi
}
say "connect" "Tab space" "Verbindung: verbunden"
say "initialise" "Tab Tab space" "24 Detektoren gemeldet"
say "onto the table" "Tab" "Tabelle mit 24 Zeilen 8 Spalten"
"$orca" keys Down Down Down Down >/dev/null
say "address" "Right" "Adresse Spaltenkopf > "
say "raw frame" "Right" "Letzte Rohdaten Spaltenkopf FC 05 "
"$orca" keys Right >/dev/null
say "request cell" "Right" "Anfordern Detektor 5"
say "empty CV" "Right" "CV Spaltenkopf leer"
say "where am I" "KP_Enter" "Detektor 5"
say "request" "Left space" "Detektor 5: Adresse "
"$orca" keys shift+Tab shift+Tab shift+Tab shift+Tab >/dev/null
say "into the log" "shift+Tab" "Verkehrsprotokoll nur lesbar Text"
say "a pair on" "Right" "05"
say "last pair" "End" "FF"
say "up a line" "Up" "FC 05 "
say "back into the log" "Tab shift+Tab" "Verkehrsprotokoll nur lesbar Text"
# "RTS/CTS benutzen" is disabled while connected, so no stop.
"$orca" keys shift+Tab shift+Tab >/dev/null
say "byte field" "shift+Tab" "0x60 ausgewählt."
set -a
# shellcheck disable=SC1091
. "$ORCA_SESSION_DIR/session.env"
set +a
/usr/bin/python3 "$here/atspi_table.py" || failures=$((failures + 1))
echo "$failures failure(s)"
((failures == 0))

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# bench/windows/stream.sh [BUILD_DIR]: runs talvor-win32-stream-bench of the Windows build
# (default build-windows) under Wine, COM1 mapped to echopeer.py's terminal; prints its figures.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build-windows}" && pwd)
dir=$build/bench-wine
source "$here/../../tests/windows/wine.sh"

new_prefix "$dir"
/usr/bin/python3 "$here/../../tests/windows/echopeer.py" >"$dir/peer.txt" &
peer=$!
trap 'kill $peer 2>/dev/null || true; end_prefix' EXIT
for _ in $(seq 50); do
    [ -s "$dir/peer.txt" ] && break
    sleep 0.1
done
map_ports "$(head -1 "$dir/peer.txt")"
wine_run "$build/talvor-win32-stream-bench.exe" "$(winpath "$dir/result.txt")"
cat "$dir/result.txt"

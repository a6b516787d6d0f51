#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""echopeer.py [COUNT]: the device side of COUNT pseudo-terminals (default 1) for the Windows
serial component's test. Prints each terminal's path on a line of its own, then sends back every
chunk it receives on a terminal, except for these one-byte chunks:
  0x05  the line settings the terminal has now ("19200 8N1 RTS/CTS" or "19200 8N1 -", then a
        line feed)
  0x04  (also within a chunk) hang up that terminal at once, as when a USB adapter is pulled
  0x06  start a stream without pauses at 1,920 bytes a second, as 19200 baud carries them: the
        bytes 0, 1, ... 249, 0, 1, ... until
  0x07  ends the stream; then 0xFF and the count of bytes streamed (4 bytes, big-endian)."""
import os
import select
import sys
import termios
import time
import tty

RATE = 1920.0


def line_settings(slave):
    iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(slave)
    speed = {termios.B9600: "9600", termios.B19200: "19200"}.get(ospeed, "other")
    size = {termios.CS7: "7", termios.CS8: "8"}.get(cflag & termios.CSIZE, "?")
    parity = "E" if cflag & termios.PARENB else "N"
    stop = "2" if cflag & termios.CSTOPB else "1"
    flow = "RTS/CTS" if cflag & termios.CRTSCTS else "-"
    return f"{speed} {size}{parity}{stop} {flow}\n".encode()


class Terminal:
    def __init__(self):
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        self.stream_start = None
        self.streamed = 0

    def receive(self):
        chunk = os.read(self.master, 4096)
        if chunk == b"\x05":
            os.write(self.master, line_settings(self.slave))
        elif b"\x04" in chunk:
            os.close(self.master)
            self.master = None
        elif chunk == b"\x06":
            self.stream_start, self.streamed = time.monotonic(), 0
        elif chunk == b"\x07" and self.stream_start is not None:
            self.stream_start = None
            os.write(self.master, b"\xff" + self.streamed.to_bytes(4, "big"))
        else:
            os.write(self.master, chunk)

    # Sends the stream's bytes that are due by now.
    def stream(self):
        if self.stream_start is None:
            return
        due = int((time.monotonic() - self.stream_start) * RATE)
        if due > self.streamed:
            os.write(self.master, bytes(i % 250 for i in range(self.streamed, due)))
            self.streamed = due


terminals = [Terminal() for _ in range(int(sys.argv[1]) if len(sys.argv) > 1 else 1)]
for terminal in terminals:
    print(os.ttyname(terminal.slave), flush=True)

while any(t.master is not None for t in terminals):
    streaming = any(t.stream_start is not None for t in terminals)
    masters = {t.master: t for t in terminals if t.master is not None}
    ready, _, _ = select.select(list(masters), [], [], 0.0005 if streaming else None)
    for master in ready:
        masters[master].receive()
    for terminal in terminals:
        if terminal.master is not None:
            terminal.stream()

#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""echopeer.py: the device side of a pseudo-terminal for the Windows serial component's test.
Prints the terminal's path, then sends back every chunk it receives, with two exceptions: a lone
0x05 is answered with the line settings the terminal has now ("19200 8N1 RTS/CTS" or
"19200 8N1 -", then a line feed), and a chunk with 0x04 in it is sent back and then the line is
hung up, as when a USB adapter is pulled."""
import os
import sys
import termios
import time
import tty

master, slave = os.openpty()
tty.setraw(slave)
print(os.ttyname(slave), flush=True)


def line_settings():
    iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(slave)
    speed = {termios.B9600: "9600", termios.B19200: "19200"}.get(ospeed, "other")
    size = {termios.CS7: "7", termios.CS8: "8"}.get(cflag & termios.CSIZE, "?")
    parity = "E" if cflag & termios.PARENB else "N"
    stop = "2" if cflag & termios.CSTOPB else "1"
    flow = "RTS/CTS" if cflag & termios.CRTSCTS else "-"
    return f"{speed} {size}{parity}{stop} {flow}\n".encode()


while True:
    chunk = os.read(master, 4096)
    if chunk == b"\x05":
        os.write(master, line_settings())
        continue
    os.write(master, chunk)
    if b"\x04" in chunk:
        # Time for the chunk to cross the line before the hang-up cuts it off.
        time.sleep(0.5)
        os.close(master)
        sys.exit(0)

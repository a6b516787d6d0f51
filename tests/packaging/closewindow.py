#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""closewindow.py CAPTION CLASS: waits for a shown top-level window with the caption CAPTION,
checks what the desktop reads from it (its WM_CLASS for the menu entry, an icon), and asks it to
close the way a window manager does, with WM_DELETE_WINDOW."""
import sys
import time

from Xlib import X, display, protocol

caption, wm_class = sys.argv[1], sys.argv[2]
screen = display.Display()
root = screen.screen().root
atom = screen.intern_atom


def shown_window():
    for window in root.query_tree().children:
        name = window.get_full_property(atom("_NET_WM_NAME"), atom("UTF8_STRING"))
        if name and name.value.decode() == caption:
            if window.get_attributes().map_state == X.IsViewable:
                return window
    return None


deadline = time.monotonic() + 30
while (window := shown_window()) is None:
    if time.monotonic() > deadline:
        sys.exit(f'no window "{caption}" shown')
    time.sleep(0.1)

if wm_class not in (window.get_wm_class() or ()):
    sys.exit(f"WM_CLASS {window.get_wm_class()} lacks {wm_class}")
icon = window.get_full_property(atom("_NET_WM_ICON"), X.AnyPropertyType)
if not icon or not icon.value[0]:
    sys.exit("the window has no icon")

close = protocol.event.ClientMessage(
    window=window,
    client_type=atom("WM_PROTOCOLS"),
    data=(32, [atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]),
)
window.send_event(close, event_mask=X.NoEventMask)
screen.flush()

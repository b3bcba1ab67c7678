#!/usr/bin/python3
"""A plain X11 window standing in for a screensaver's: it prints its id, then follows the
commands it reads on standard input, one a line: "resize W H" and "quit"."""
import sys

from Xlib import X, display

d = display.Display()
screen = d.screen()
width, height = (int(v) for v in sys.argv[1:3]) if len(sys.argv) >= 3 else (640, 360)
window = screen.root.create_window(0, 0, width, height, 0, screen.root_depth,
                                   X.InputOutput, X.CopyFromParent,
                                   background_pixel=screen.white_pixel,
                                   event_mask=X.StructureNotifyMask)
window.set_wm_name("host window")
window.map()
d.sync()
print(hex(window.id), flush=True)
for line in sys.stdin:
    words = line.split()
    if words[:1] == ["resize"]:
        window.configure(width=int(words[1]), height=int(words[2]))
        d.sync()
    elif words[:1] == ["quit"]:
        break
window.destroy()
d.sync()

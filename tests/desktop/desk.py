#!/usr/bin/python3
"""What the desktop tests check beyond zt4test.ui (whose commands it also takes):

    desk.py wait-state NAME STATE SECONDS   until the widget has the AT-SPI state (CHECKED)
    desk.py wait-value NAME VALUE SECONDS   until the widget's value (the knob's level) is VALUE
    desk.py wait-change NAME SECONDS        until the widget's text differs from what it is now
    desk.py boxes                           how many message boxes ("ZT4") are open
    desk.py window TITLE SECONDS            the X window id of the window titled TITLE
    desk.py heard REC REF sound|silence     the recording holds REF's sound (at least 0.5 s
                                            of it), or nothing at all
"""
import subprocess
import sys

import pyatspi

from zt4test import plays, ui


def windows(title):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                          capture_output=True, text=True).stdout.split()


def heard(rec, ref, want):
    found = plays.parts(rec, [plays.Reference(ref)])
    sounding = sum(length for label, _, length in found if label == "1")
    stray = sum(length for label, _, length in found if label == "?")
    ok = sounding >= 0.5 if want == "sound" else sounding == 0 and stray < 0.02
    if not ok:
        print("desk.py: %s: expected %s, heard %.3f s of the track and %.3f s of other sound"
              % (rec, want, sounding, stray))
    return 0 if ok else 1


def main(command, *args):
    if command == "wait-state":
        state = getattr(pyatspi, "STATE_" + args[1])
        ui.poll(lambda: ui.widget(args[0]).getState().contains(state), float(args[2]),
                "%s to be %s" % (args[0], args[1]))
    elif command == "wait-value":
        ui.poll(lambda: ui.widget(args[0]).queryValue().currentValue == float(args[1]),
                float(args[2]), "%s to read %s" % (args[0], args[1]))
    elif command == "wait-change":
        before = ui.text(args[0])
        ui.poll(lambda: ui.text(args[0]) != before, float(args[1]),
                "%s to change from %r" % (args[0], before))
    elif command == "boxes":
        print(len(windows("ZT4")))
    elif command == "window":
        print(ui.poll(lambda: windows(args[0]), float(args[1]), "the window " + args[0])[0])
    elif command == "heard":
        return heard(*args)
    else:
        ui.main(command, *args)
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))

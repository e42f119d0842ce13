#!/usr/bin/python3
"""Drives the running player the way a user does and reads what its window shows.

Widgets are found through AT-SPI by their accessible description (the form's control name,
"MusicStart", "Startm(2)"); a label's text is its accessible name. Clicks and typing are
real X input through xdotool, at the widget's place on the screen.

    ui.py wait-app SECONDS              until the main window is on the accessibility bus
    ui.py click NAME                    a left click in the middle of the widget
    ui.py text NAME                     prints a label's or button's text, a text box's contents
    ui.py wait NAME TEXT SECONDS        until the widget's text is TEXT
    ui.py check NAME TEXT               fails unless the widget's text is TEXT
    ui.py enabled NAME                  fails unless the widget is enabled
    ui.py marks COUNT                   prints the play marks of slots 0..COUNT-1, "-" for none
    ui.py wait-marks MARKS SECONDS      until `marks` prints MARKS
    ui.py add PATH                      adds a file through "ファイル選択" and the file dialog
    ui.py type NAME TEXT                clicks into an empty text box and types TEXT

Needs Debian's /usr/bin/python3 (pyatspi), DISPLAY and the session bus of the player.
"""
import subprocess
import sys
import time

import pyatspi

APP = "zt4"
WINDOW = "MP3音楽再生"
DIALOG = "開く"


def fail(message):
    print("ui.py: " + message, file=sys.stderr)
    sys.exit(1)


def poll(condition, seconds, what):
    """Returns condition()'s first true value, trying every 50 ms for up to SECONDS."""
    end = time.monotonic() + seconds
    while True:
        try:
            value = condition()
        except Exception:  # the tree changes under us while a window opens or closes
            value = None
        if value:
            return value
        if time.monotonic() > end:
            fail("timed out after %g s waiting for %s" % (seconds, what))
        time.sleep(0.05)


def main_window():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or app.name != APP:
            continue
        for j in range(app.childCount):
            frame = app.getChildAtIndex(j)
            if frame is not None and frame.name == WINDOW:
                return frame
    return None


_cache = {}


def widget(name):
    if name in _cache:
        return _cache[name]
    frame = poll(main_window, 10, "the window " + WINDOW)
    found = pyatspi.findDescendant(frame, lambda a: a is not None and a.description == name)
    if found is None:
        fail("no widget " + name)
    _cache[name] = found
    return found


def text(name):
    """A label's or button's caption, a text box's contents."""
    w = widget(name)
    if w.getRole() == pyatspi.ROLE_TEXT:
        return w.queryText().getText(0, -1)
    return w.name or ""


def xdo(*args):
    subprocess.run(["xdotool", *args], check=True)


def click(name):
    box = widget(name).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdo("mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "1")


def marks(count):
    return "".join(text("Startm(%d)" % i) or "-" for i in range(count))


def visible_window(title):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                         capture_output=True, text=True).stdout.split()
    return out[0] if out else None


def add(path):
    click("FileAdd")
    dialog = poll(lambda: visible_window(DIALOG), 10, "the file dialog")
    # The dialog opens with the keyboard in its file-name box; a full path there and Enter
    # open that file.
    xdo("windowfocus", "--sync", dialog)
    xdo("type", "--delay", "10", path)
    xdo("key", "Return")
    poll(lambda: not visible_window(DIALOG), 10, "the file dialog to close")


def main(argv):
    if not argv:
        fail("no command")
    command, args = argv[0], argv[1:]
    if command == "wait-app":
        poll(main_window, float(args[0]), "the window " + WINDOW + " on the accessibility bus")
    elif command == "click":
        click(args[0])
    elif command == "text":
        print(text(args[0]))
    elif command == "wait":
        poll(lambda: text(args[0]) == args[1], float(args[2]),
             "%s to show %r" % (args[0], args[1]))
    elif command == "check":
        if text(args[0]) != args[1]:
            fail("%s shows %r, not %r" % (args[0], text(args[0]), args[1]))
    elif command == "enabled":
        if not widget(args[0]).getState().contains(pyatspi.STATE_ENABLED):
            fail(args[0] + " is disabled")
    elif command == "marks":
        print(marks(int(args[0])))
    elif command == "wait-marks":
        poll(lambda: marks(len(args[0])) == args[0], float(args[1]), "the marks " + args[0])
    elif command == "add":
        add(args[0])
    elif command == "type":
        click(args[0])
        xdo("type", "--delay", "10", args[1])
        poll(lambda: text(args[0]) == args[1], 5,
             "%s to hold %r" % (args[0], args[1]))
    else:
        fail("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv[1:])

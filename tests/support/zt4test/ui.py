"""python3 -m zt4test.ui COMMAND ARG...: drives the running player as a user does (real X
input through xdotool) and reads its window through AT-SPI, where a widget's description is
its form name ("MusicStart", "Startm(2)") and a label's text its accessible name.

    ui wait-app SECONDS          until the main window is on the accessibility bus
    ui click NAME                clicks the middle of the widget
    ui wait NAME TEXT SECONDS    until the widget shows TEXT (0 s: it must now)
    ui wait-marks MARKS SECONDS  until the play marks of the first slots are MARKS ("-●-")
    ui add PATH                  adds a file through "ファイル選択" and the file dialog
    ui open-dialog               clicks "ファイル選択" and leaves the file dialog open
    ui dialog-is-open            fails unless the file dialog is open
    ui choose PATH               answers the open file dialog with PATH
    ui type NAME TEXT            clicks into an empty text box and types TEXT

Needs Debian's /usr/bin/python3 (pyatspi), DISPLAY and the player's session bus.
"""
import subprocess
import sys
import time

import pyatspi


def poll(condition, seconds, what):
    """condition()'s first true value, tried every 50 ms for up to SECONDS."""
    end = time.monotonic() + seconds
    while True:
        try:
            value = condition()
        except Exception:  # the tree changes under us while a window opens or closes
            value = None
        if value:
            return value
        if time.monotonic() > end:
            sys.exit("ui: timed out after %g s waiting for %s" % (seconds, what))
        time.sleep(0.05)


def main_window():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "zt4":
            return next((f for f in app if f is not None and f.name == "MP3音楽再生"), None)
    return None


_cache = {}


def widget(name):
    if name not in _cache:
        frame = poll(main_window, 10, "the main window")
        _cache[name] = pyatspi.findDescendant(frame, lambda a: a is not None and a.description == name)
        if _cache[name] is None:
            sys.exit("ui: no widget " + name)
    return _cache[name]


def text(name):
    w = widget(name)
    return w.queryText().getText(0, -1) if w.getRole() == pyatspi.ROLE_TEXT else w.name or ""


def xdo(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True).stdout


def click(name):
    box = widget(name).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdo("mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2), "click", "1")


def dialog():
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^開く$"],
                          capture_output=True, text=True).stdout.split()


def open_dialog():
    click("FileAdd")
    return poll(dialog, 10, "the file dialog")[0]


def choose(window, path):
    # The dialog opens with the keyboard in its file-name box: a full path and Enter.
    xdo("windowfocus", "--sync", window)
    xdo("type", "--delay", "10", path)
    xdo("key", "Return")
    poll(lambda: not dialog(), 10, "the file dialog to close")


def add(path):
    choose(open_dialog(), path)


def main(command, *args):
    if command == "wait-app":
        poll(main_window, float(args[0]), "the main window on the accessibility bus")
    elif command == "click":
        click(args[0])
    elif command == "wait":
        poll(lambda: text(args[0]) == args[1], float(args[2]),
             "%s to show %r" % (args[0], args[1]))
    elif command == "wait-marks":
        marks = lambda: "".join(text("Startm(%d)" % i) or "-" for i in range(len(args[0])))
        poll(lambda: marks() == args[0], float(args[1]), "the marks " + args[0])
    elif command == "add":
        add(args[0])
    elif command == "open-dialog":
        open_dialog()
    elif command == "dialog-is-open":
        if not dialog():
            sys.exit("ui: the file dialog has closed")
    elif command == "choose":
        choose(poll(dialog, 10, "the file dialog")[0], args[0])
    elif command == "type":
        click(args[0])
        xdo("type", "--delay", "10", args[1])
        poll(lambda: text(args[0]) == args[1], 5, "%s to hold %r" % (args[0], args[1]))
    else:
        sys.exit("ui: unknown command " + command)


if __name__ == "__main__":
    main(*sys.argv[1:])

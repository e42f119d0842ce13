"""The player's main window as AT-SPI shows it: every widget is found by its description
(the design's name) with the role, name and states a screen reader relies on."""

import sys
import time

import pyatspi

INSTRUCTION = (
    "[ファイル]メニューもしくはファイル選択ボタンでMP3ファイルを選択し、"
    "再生ボタンを押して下さい。"
)

# description: (role, name or None for "not checked", states that must hold, states that must not)
EXPECTED = {
    "Top": (pyatspi.ROLE_FRAME, "MP3音楽再生", [], []),
    "MusicStart": (pyatspi.ROLE_PUSH_BUTTON, "再生", [], [pyatspi.STATE_SENSITIVE]),
    "MusicStop": (pyatspi.ROLE_PUSH_BUTTON, "停止", [pyatspi.STATE_SENSITIVE, pyatspi.STATE_FOCUSABLE], []),
    "MusicBack": (pyatspi.ROLE_PUSH_BUTTON, "戻る", [pyatspi.STATE_SENSITIVE], []),
    "MusicFoward": (pyatspi.ROLE_PUSH_BUTTON, "次へ", [pyatspi.STATE_SENSITIVE], []),
    "MusicPause": (pyatspi.ROLE_PUSH_BUTTON, "一時停止", [pyatspi.STATE_SENSITIVE], []),
    "FileAdd": (pyatspi.ROLE_PUSH_BUTTON, "ファイル選択", [pyatspi.STATE_SENSITIVE], []),
    "RightSide": (pyatspi.ROLE_PUSH_BUTTON, "大", [pyatspi.STATE_SENSITIVE], []),
    "RepeatOption(0)": (pyatspi.ROLE_RADIO_BUTTON, None, [], [pyatspi.STATE_CHECKED]),
    "RepeatOption(2)": (pyatspi.ROLE_RADIO_BUTTON, None, [pyatspi.STATE_CHECKED], []),
    "SakujoCheck(0)": (pyatspi.ROLE_CHECK_BOX, None, [pyatspi.STATE_SENSITIVE], [pyatspi.STATE_CHECKED]),
    "SakujoCheck(19)": (pyatspi.ROLE_CHECK_BOX, None, [], [pyatspi.STATE_CHECKED]),
    "Text1": (pyatspi.ROLE_TEXT, None, [pyatspi.STATE_EDITABLE], []),
    "Label1": (pyatspi.ROLE_LABEL, INSTRUCTION, [], []),
    "ROLabel(2)": (pyatspi.ROLE_LABEL, "リピートしない", [], []),
    "mpath(0)": (pyatspi.ROLE_LABEL, "", [], []),
    "Labelsec(0)": (pyatspi.ROLE_LABEL, "0", [], []),
    "Volumeanalyze1": (pyatspi.ROLE_LABEL, "音量", [], []),
}


def find_player():
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(50):
        for app in desktop:
            if app is not None and app.name == "zt4":
                return app
        time.sleep(0.1)
    return None


def walk(node, found):
    description = node.description
    if description:
        found.setdefault(description, node)
    for child in node:
        if child is not None:
            walk(child, found)


def main():
    app = find_player()
    if app is None:
        names = [a.name for a in pyatspi.Registry.getDesktop(0) if a is not None]
        print(f"zt4 is not on the AT-SPI bus (applications: {names})")
        return 1
    found = {}
    walk(app, found)

    failures = []
    for description, (role, name, present, absent) in EXPECTED.items():
        node = found.get(description)
        if node is None:
            failures.append(f"{description}: not found")
            continue
        states = node.getState()
        if node.getRole() != role:
            failures.append(f"{description}: role {node.getRoleName()}, expected {pyatspi.Role(role)}")
        if name is not None and node.name != name:
            failures.append(f"{description}: name {node.name!r}, expected {name!r}")
        for state in present:
            if not states.contains(state):
                failures.append(f"{description}: not {pyatspi.StateType(state)}")
        for state in absent:
            if states.contains(state):
                failures.append(f"{description}: {pyatspi.StateType(state)}")

    rows = sum(1 for d in found if d.startswith("mpath("))
    if rows != 20:
        failures.append(f"{rows} playlist rows, expected 20")

    for failure in failures:
        print("FAIL", failure)
    checked = len(EXPECTED) + 1
    print(f"a11y: {checked - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Every widget of the main window by its description (form name), role, name and states;
every control a user can reach has a name, the volume knob reads out its level."""
import sys

import pyatspi

from zt4test import ui

INSTRUCTION = "[ファイル]メニューもしくはファイル選択ボタンでMP3ファイルを選択し、再生ボタンを押して下さい。"
# description: role, name (None: not checked), states that must hold (+) or not (-)
EXPECTED = {
    "Top": ("FRAME", "MP3音楽再生", ""),
    "MusicStart": ("PUSH_BUTTON", "再生", "-SENSITIVE"),
    "MusicStop": ("PUSH_BUTTON", "停止", "+SENSITIVE +FOCUSABLE"),
    "MusicBack": ("PUSH_BUTTON", "戻る", "+SENSITIVE"),
    "MusicFoward": ("PUSH_BUTTON", "次へ", "+SENSITIVE"),
    "MusicPause": ("PUSH_BUTTON", "一時停止", "+SENSITIVE"),
    "FileAdd": ("PUSH_BUTTON", "ファイル選択", "+SENSITIVE"),
    "Sakujo": ("PUSH_BUTTON", "削除", "+SENSITIVE"),
    "FileReset": ("PUSH_BUTTON", "リセット", "+SENSITIVE"),
    "LeftSide": ("PUSH_BUTTON", "小", "+SENSITIVE"),
    "RightSide": ("PUSH_BUTTON", "大", "+SENSITIVE"),
    "RepeatOption(0)": ("RADIO_BUTTON", "全曲リピート", "-CHECKED"),
    "RepeatOption(1)": ("RADIO_BUTTON", "１曲リピート", "-CHECKED"),
    "RepeatOption(2)": ("RADIO_BUTTON", "リピートしない", "+CHECKED"),
    "Text1": ("TEXT", "曲番指定", "+EDITABLE"),
    "Label1": ("LABEL", INSTRUCTION, ""),
    "ROLabel(2)": ("LABEL", "リピートしない", ""),
    "mpath(0)": ("LABEL", "", ""),
    "Labelsec(0)": ("LABEL", "0", ""),
    "Volumeanalyze1": ("SLIDER", "音量", ""),
}
EXPECTED.update({"SakujoCheck(%d)" % i: ("CHECK_BOX", "%d 曲目を削除に選ぶ" % (i + 1), "+SENSITIVE -CHECKED")
                 for i in range(20)})
REACHABLE = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_CHECK_BOX,
             pyatspi.ROLE_TEXT, pyatspi.ROLE_SLIDER}


frame = ui.poll(ui.main_window, 30, "the main window on the accessibility bus")
nodes = [frame] + pyatspi.findAllDescendants(frame, lambda n: n is not None)
found = {n.description: n for n in nodes}
failures = []
for description, (role, name, states) in EXPECTED.items():
    node = found.get(description)
    if node is None:
        failures.append(description + ": not found")
        continue
    if node.getRole() != getattr(pyatspi, "ROLE_" + role):
        failures.append("%s: role %s, expected %s" % (description, node.getRoleName(), role))
    if name is not None and node.name != name:
        failures.append("%s: name %r, expected %r" % (description, node.name, name))
    for state in states.split():
        if node.getState().contains(getattr(pyatspi, "STATE_" + state[1:])) != (state[0] == "+"):
            failures.append("%s: state %s expected" % (description, state))
for description, node in found.items():
    if node.getRole() in REACHABLE and not node.name:
        failures.append("%s (%s): no name" % (description, node.getRoleName()))
knob = found.get("Volumeanalyze1")
if knob is not None and knob.queryValue().currentValue != 60:
    failures.append("Volumeanalyze1: value %r, expected the level 60" % knob.queryValue().currentValue)
rows = sum(1 for d in found if d.startswith("mpath("))
if rows != 20:
    failures.append("%d playlist rows, expected 20" % rows)
for failure in failures:
    print("FAIL", failure)
print("a11y: %d widgets checked, %d failures" % (len(EXPECTED), len(failures)))
sys.exit(1 if failures else 0)

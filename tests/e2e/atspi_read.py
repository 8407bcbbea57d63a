#!/usr/bin/python3
# Reads the running mrt9dx-config through AT-SPI, as a Linux screen reader does,
# and works it through the same bus: presses the R buttons and the RUN/CAL switch
# by their actions. Prints every value box with its value, the status line's role
# and its last message (and the messages announced), the switch's state and the
# lamps; fails when a control is not there as a screen reader needs it.
# Arguments: the simulator's log, where the frames the actions sent must appear,
# and optionally a file for the whole tree as text. With --port-dialog instead of
# the log it reads the open port dialog: its tree, and what arrives while the
# arrow keys choose a port.
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

log_path = sys.argv[1]
tree_path = sys.argv[2] if len(sys.argv) > 2 else None
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def run_loop(seconds):
    # Lets AT-SPI events arrive for a while.
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    loop.run()


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(60):
        for app in desktop:
            if app is not None and app.name == "mrt9dx-config":
                return app
        time.sleep(0.5)
    sys.exit("atspi: mrt9dx-config is not on the accessibility bus")


def walk(node, parents=()):
    yield node, parents
    for child in node:
        if child is not None:
            yield from walk(child, parents + (node,))


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def states(node):
    return node.getState()


def actions_of(node):
    try:
        action = node.queryAction()
        return [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        return []


def tree_text(root):
    lines = []
    for node, parents in walk(root):
        value = text_of(node)
        line = "%s%s %r" % ("  " * len(parents), node.getRoleName(), node.name)
        if node.description:
            line += " description=%r" % node.description
        if value is not None and value != node.name:
            line += " text=%r" % value
        if actions_of(node):
            line += " actions=%s" % ",".join(actions_of(node))
        lines.append(line)
    return "\n".join(lines) + "\n"


def save_tree(root, path):
    if path:
        with open(path, "w", encoding="utf-8") as f:
            f.write(tree_text(root))


def frame_sent(hex_frame, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        with open(log_path, encoding="utf-8", errors="replace") as f:
            if hex_frame in f.read().upper():
                return True
        run_loop(0.1)
    return False


app = find_app()
announced = []


def read_port_dialog():
    # The port list is labelled by its caption and described by the device line,
    # which follows the choice; every event a reader gets while the arrow keys
    # move is printed as it arrives.
    heard = []

    def on_event(event):
        if event.source is None or event.source.getRole() not in (pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST_ITEM,
                                                                  pyatspi.ROLE_LIST, pyatspi.ROLE_LABEL):
            return
        heard.append("%s  %s %r  description=%r  data=%r" % (
            event.type, event.source.getRoleName(), event.source.name, event.source.description, event.any_data))

    for kind in ("object:property-change", "object:state-changed:focused", "object:state-changed:selected",
                 "object:selection-changed", "object:active-descendant-changed", "focus:", "object:text-changed"):
        pyatspi.Registry.registerEventListener(on_event, kind)
    dialog = None
    for _ in range(40):
        dialog = next((n for n, _ in walk(app) if n.getRole() == pyatspi.ROLE_DIALOG
                       and n.name == "Select COM Port"), None)
        if dialog is not None:
            break
        run_loop(0.25)
    check(dialog is not None, "no port dialog on the bus")
    if dialog is None:
        return
    save_tree(dialog, tree_path)
    ports = [n for n, _ in walk(dialog) if n.getRole() == pyatspi.ROLE_COMBO_BOX]
    check(len(ports) == 1, "%d port lists, not 1" % len(ports))
    if not ports:
        return
    labels = [r.getTarget(i).name for r in ports[0].getRelationSet()
              if r.getRelationType() == pyatspi.RELATION_LABELLED_BY for i in range(r.getNTargets())]
    print("port list %r labelled %s, description %r" % (ports[0].name, "/".join(labels), ports[0].description))
    check(labels == ["Please select COM port:"], "the port list is labelled by %r, not its caption" % labels)
    check(ports[0].name == "COM port", "the port list is named %r, not by its field" % ports[0].name)
    # Its items are there to be read while it is closed, each with its reason.
    items = [n for n, _ in walk(ports[0]) if n.getRole() == pyatspi.ROLE_LIST_ITEM]
    print("port items: %s" % " | ".join("%s (%s)" % (n.name, n.description) for n in items))
    check("COM3, in use by another program" in [n.name for n in items], "no item 'COM3, in use by another program'")
    def device_line():
        return next((n.name for n, _ in walk(dialog) if n.getRole() == pyatspi.ROLE_LABEL
                     and n.name.startswith("/")), None)

    for key in ("Down", "Down", "Up"):
        subprocess.run(["xdotool", "key", key], check=False)
        run_loop(0.7)
        heard.append("--- after %s: list %r, description %r" % (key, ports[0].name, ports[0].description))
        check(ports[0].description == device_line(), "after %s the list's description is not the device line %r"
              % (key, device_line()))
    print("--- events while choosing ---")
    print("\n".join(heard))
    check(any(h.startswith("object:state-changed:selected  list item 'COM3, in use by another program'")
              and "in use by another program'" in h.split("description=")[1] for h in heard),
          "no item 'COM3, in use by another program' with its device is told selected while choosing")
    check(any(h.startswith("object:property-change:accessible-description  combo box 'COM port'  "
                           "description='/dev/pts/") for h in heard), "the list tells no new description while choosing")
    check(any(h.startswith("focus:  list item 'COM3, in use by another program'") for h in heard),
          "the focus does not follow the chosen port")


if log_path == "--port-dialog":
    read_port_dialog()
    if failures:
        sys.exit("atspi: %d failures" % len(failures))
    print("atspi: port dialog passed")
    sys.exit(0)


lamp_events = []


def on_text(event):
    if event.source.getRole() == pyatspi.ROLE_STATUS_BAR and event.type.endswith("insert"):
        announced.append(event.any_data)


def on_state(event):
    if event.source is not None and event.source.name.endswith(" lamp"):
        lamp_events.append("%s %s %d" % (event.source.name, event.type, event.detail1))


pyatspi.Registry.registerEventListener(on_text, "object:text-changed")
pyatspi.Registry.registerEventListener(on_state, "object:state-changed:checked")


def nodes():
    return list(walk(app))


def by(role, name):
    for node, _ in nodes():
        if node.getRole() == role and node.name == name:
            return node
    return None


def press(role, name):
    node = by(role, name)
    check(node is not None, "no %s named %r" % (pyatspi.Accessible.getRoleName(node) if node else role, name))
    if node is None:
        return
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    print("action %r of %r" % (names[0], name))
    action.doAction(0)


# Read both programmed ranges by the buttons' actions.
press(pyatspi.ROLE_PUSH_BUTTON, "Read programmed input range")
check(frame_sent("02 04 03"), "the input R action sent no cmdReadPermIn")
press(pyatspi.ROLE_PUSH_BUTTON, "Read programmed output range")
check(frame_sent("02 14 03"), "the output R action sent no cmdReadPermOut")
run_loop(1.0)
# A write: the input range's S programs the range it shows; the status line
# announces its verdict.
announced_before_s = len(announced)
press(pyatspi.ROLE_PUSH_BUTTON, "Program input range")
check(frame_sent("RX 02 07 "), "the S action sent no cmdSetPermIn")
run_loop(1.5)
print("announced after S: %s" % " | ".join(announced[announced_before_s:]))
check(any(m.startswith("Success") for m in announced[announced_before_s:]), "no verdict announced after S")

# Every value box: a label in a group box with a text interface.
print("--- value boxes (name: value) ---")
boxes = []
for node, parents in nodes():
    if node.getRole() != pyatspi.ROLE_LABEL or not parents:
        continue
    group = parents[-1].name.strip()
    value = text_of(node)
    if group in ("General", "Input", "Output") and value is not None:
        boxes.append((group, node.name, value))
for group, name, value in boxes:
    print("%-7s %-7s %s" % (group, name + ":", value))
check(len(boxes) == 23, "%d value boxes, not 23" % len(boxes))
check(sum(1 for _, _, v in boxes if v == "N/A") <= 2, "value boxes still read N/A after both reads")

# The status line.
status = [n for n, _ in nodes() if n.getRole() == pyatspi.ROLE_STATUS_BAR]
check(len(status) == 1, "%d status bars, not 1" % len(status))
if status:
    print("--- status line ---")
    print("role: %s" % status[0].getRoleName())
    print("last message: %s" % text_of(status[0]))
    print("announced: %s" % " | ".join(announced))
    print("description: %s" % status[0].description)
    check(len(status[0].description) > len("Status"), "the status line says nothing of what it shows")
    check(any(m.startswith("Success") for m in announced), "no success message was announced")

# The switch: a focusable, checkable control; its toggle action asks for CAL.
switch = by(pyatspi.ROLE_CHECK_BOX, "CAL mode")
check(switch is not None, "no switch named 'CAL mode'")
if switch is not None:
    action = switch.queryAction()
    actions = [action.getName(i) for i in range(action.nActions)]
    check(bool(actions) and actions[0] == "Toggle", "the switch has no toggle action")
    check(states(switch).contains(pyatspi.STATE_FOCUSABLE), "the switch cannot take the focus")
    print("--- switch ---")
    print("role: %s, name: %s, focusable: %s, actions: %s" % (
        switch.getRoleName(), switch.name, states(switch).contains(pyatspi.STATE_FOCUSABLE), ", ".join(actions)))
    print("state: %s" % ("checked (CAL)" if states(switch).contains(pyatspi.STATE_CHECKED) else "unchecked (RUN)"))
    if actions:
        action.doAction(0)
        check(frame_sent("02 20 01 03"), "the toggle action sent no cmdSetMode CAL")
        run_loop(0.5)
        print("after Toggle: %s" % ("checked (CAL)" if states(switch).contains(pyatspi.STATE_CHECKED)
                                     else "unchecked (RUN)"))
        check(states(switch).contains(pyatspi.STATE_CHECKED), "the switch is not checked after Toggle")

# Lamps.
for name in ("Transmit lamp", "Receive lamp"):
    lamp = by(pyatspi.ROLE_LABEL, name)
    check(lamp is not None and text_of(lamp) in ("lit", "dark"), "no %s that reads lit or dark" % name)
    if lamp is not None:
        print("%s: %s" % (name, text_of(lamp)))
    check(any(e.startswith(name + " object:state-changed:checked 1") for e in lamp_events),
          "the %s told no lighting" % name)
print("lamp events: %s" % ", ".join(lamp_events[:6]))

# Every button and edit says what it does; the drop-downs are labelled.
print("--- buttons and edits ---")
for node, _ in nodes():
    role = node.getRole()
    if role in (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_SPIN_BUTTON):
        print("%-12s %s" % (node.getRoleName(), node.name))
        check(len(node.name) > 2, "a %s named %r" % (node.getRoleName(), node.name))
    if role == pyatspi.ROLE_COMBO_BOX:
        labels = [t.name for r in node.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for t in [r.getTarget(i) for i in range(r.getNTargets())]]
        print("%-12s labelled %s, shows %s" % (node.getRoleName(), "/".join(labels), node.name))
        check(labels and labels[0] in ("Ranges", "Wiring"), "a drop-down without its label: %r" % node.name)
        print("%-12s named %s, value %s, description %r" % ("", node.name, text_of(node), node.description))

# The names a reader needs: each value box by its side, the jumper by where it
# sits, each drop-down by its item with its field as label,
# and a description on the buttons that store or program.
print("--- names ---")
all_nodes = nodes()
names = {n.name for n, _ in all_nodes}
for name in ("Programmed raw", "Active raw", "Programmed eng", "Active eng"):
    check(name in names, "no value box named %r" % name)
check(bool(names & {"JP6 set for current (mA)", "JP6 set for voltage (V)"}), "the JP6 picture does not say where it sits")
combos = {n.name: n for n, _ in all_nodes if n.getRole() == pyatspi.ROLE_COMBO_BOX}
check(sorted(combos) == ["Input range", "Output range", "Wiring"], "drop-downs named %s, not by field" % sorted(combos))
for name, node in combos.items():
    check(bool(text_of(node)) and text_of(node) != name, "the drop-down %r gives no item as its text" % name)
for name in ("Alarm status", "Alarm read back", "Output range", "Program output range"):
    node = next((n for n, _ in all_nodes if n.name == name), None)
    check(node is not None and bool(node.description), "%r has no description" % name)
for node, parents in all_nodes:
    if node.getRole() == pyatspi.ROLE_PUSH_BUTTON and node.name.startswith(("Program ", "Store ")):
        check(bool(node.description), "the button %r has no description" % node.name)
    check("\r" not in node.description and "\n" not in node.description,
          "the description of %r breaks lines: %r" % (node.name, node.description))
    # Nothing offers an action that does nothing: a toggle only where there is
    # a state to toggle, and the cells of the calibration lists none.
    if "Toggle" in actions_of(node):
        check(node.getRole() in (pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TOGGLE_BUTTON),
              "%s %r offers Toggle with nothing to toggle" % (node.getRoleName(), node.name))
    if node.getRole() in (pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_LIST_ITEM):
        check(not actions_of(node), "the cell %r offers %s" % (node.name, actions_of(node)))
    # The parts of a picture and the lines between the groups are not named by
    # the group they sit in.
    if node.name in (" General ", " Input ", " Output "):
        check(node.getRole() == pyatspi.ROLE_PANEL, "a %s named %r" % (node.getRoleName(), node.name))
    if node.getRole() == pyatspi.ROLE_SEPARATOR:
        labels = [r for r in node.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        check(not node.name and not node.description and not labels,
              "a separator named %r, described %r or labelled by its group" % (node.name, node.description))
cells = [n.name for n, _ in all_nodes if n.getRole() == pyatspi.ROLE_TABLE_CELL]
check("UCAL" in cells or "CAL" in cells, "the calibration lists' cells are not there to read")
print("calibration list cells: %d, first row %s" % (len(cells), cells[:4]))
save_tree(app, tree_path)

if failures:
    sys.exit("atspi: %d failures" % len(failures))
print("atspi: passed")

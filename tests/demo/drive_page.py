#!/usr/bin/python3
"""Drives the demo's web page as a person would, in headless Chromium over its
DevTools protocol: opens the page in a 1280 x 600 window, gives the password
when the page asks for it, takes a screenshot of the port dialog, answers it
with Tab and Space, types Ctrl+Shift+Alt+F6 and answers the full-mode question
with Tab and Space, and takes a screenshot of the window in full mode. Then it
turns the wheel and right-clicks on the screen's background, where a window
manager left as it comes switches to a second, empty desktop and opens its root
menu: the desktop stays the one and only, no menu shows, and the window stays
in view; a screenshot shows it. Before
each step it waits, with xdotool on the demo's X server (DISPLAY and XAUTHORITY
given), for the window that step acts on.

Usage: drive_page.py DEVTOOLS_PORT PAGE_URL PASSWORD OUT_DIR
Exits non-zero, naming the step, when a step fails."""

import base64
import json
import subprocess
import sys
import time
import urllib.request

import websocket


class Page:
    def __init__(self, devtools_port):
        targets = json.load(urllib.request.urlopen(f"http://127.0.0.1:{devtools_port}/json/list"))
        page = next(t for t in targets if t["type"] == "page")
        self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=30)
        self.next_id = 0

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})

    def eval(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return result.get("result", {}).get("value")

    def wait_for(self, expression, what, seconds=20):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.eval(expression):
                return
            time.sleep(0.2)
        fail(f"the page never showed {what}")

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))
        print(f"screenshot {path}")

    # One key as the browser gives it to the page: key, code, Windows key code.
    KEYS = {
        "Control": ("Control", "ControlLeft", 17, 2),
        "Shift": ("Shift", "ShiftLeft", 16, 8),
        "Alt": ("Alt", "AltLeft", 18, 1),
        "F6": ("F6", "F6", 117, 0),
        "Tab": ("Tab", "Tab", 9, 0),
        "Space": (" ", "Space", 32, 0),
    }

    def chord(self, *names):
        """Presses the keys in order and lets go of them in reverse order."""
        modifiers = 0
        for name in names:
            key, code, vk, bit = self.KEYS[name]
            modifiers |= bit
            self.call("Input.dispatchKeyEvent", type="rawKeyDown", key=key, code=code,
                      windowsVirtualKeyCode=vk, modifiers=modifiers)
            time.sleep(0.05)
        for name in reversed(names):
            key, code, vk, bit = self.KEYS[name]
            self.call("Input.dispatchKeyEvent", type="keyUp", key=key, code=code,
                      windowsVirtualKeyCode=vk, modifiers=modifiers)
            modifiers &= ~bit
            time.sleep(0.05)
        time.sleep(0.3)

    def mouse_on_screen(self, x, y, *events):
        """Mouse events at x, y of the remote screen's canvas (page pixels from its top left), one
        right after the other: a click as quick as a person's (a window manager may take a press
        held longer for a drag, and a menu opened on the press then closes on the release)."""
        left, top = self.eval("(() => { const r = document.querySelector('#noVNC_container canvas')"
                              ".getBoundingClientRect(); return [r.left, r.top]; })()")
        for event in events:
            self.call("Input.dispatchMouseEvent", x=left + x, y=top + y, **event)
        time.sleep(0.3)


def x_windows():
    """The visible windows on the demo's X server."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""], capture_output=True, text=True)
    return set(found.stdout.split())


def desktops():
    """The number of desktops and the current one, as the window manager gives them."""
    return tuple(subprocess.run(["xdotool", what], capture_output=True, text=True).stdout.strip()
                 for what in ("get_num_desktops", "get_desktop"))


def wait_for_window(title_pattern, what, seconds=20):
    """Waits until a visible window on the demo's X server has a matching title."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title_pattern],
                               capture_output=True, text=True)
        if found.stdout.strip():
            return
        time.sleep(0.2)
    fail(f"no {what} on the demo's screen")


def fail(message):
    print(f"drive_page: {message}", file=sys.stderr)
    sys.exit(1)


def main():
    devtools_port, url, password, out = sys.argv[1:5]
    page = Page(devtools_port)
    page.call("Page.enable")
    page.call("Page.navigate", url=url)
    # noVNC asks for the password before it shows anything.
    page.wait_for("!!document.querySelector('#noVNC_credentials_dlg.noVNC_open')", "the password question")
    page.screenshot(f"{out}/password.png")
    page.eval(f"document.getElementById('noVNC_password_input').value = {json.dumps(password)};"
              "document.getElementById('noVNC_credentials_button').click(); true")
    page.wait_for("document.documentElement.classList.contains('noVNC_connected')", "a connected screen")
    # The keyboard goes to the remote screen while its canvas has the focus.
    page.eval("document.querySelector('#noVNC_container canvas').focus(); true")
    wait_for_window("^Select COM Port$", "port dialog")
    time.sleep(1)
    page.screenshot(f"{out}/port-dialog.png")
    page.chord("Tab")
    page.chord("Space")
    wait_for_window(" V[0-9]", "main window")
    time.sleep(2)
    page.chord("Control", "Shift", "Alt", "F6")
    wait_for_window("^MRT9-DX Configuration & Calibration$", "full-mode question")
    time.sleep(1)
    page.screenshot(f"{out}/question.png")
    page.chord("Tab")
    page.chord("Space")
    wait_for_window(" \\(full\\)$", "window in full mode")
    time.sleep(1)
    page.screenshot(f"{out}/full-mode.png")
    # The background, near the screen's top left corner, far from the window.
    windows = x_windows()
    page.mouse_on_screen(8, 8, {"type": "mouseMoved"})
    for _ in range(3):
        page.mouse_on_screen(8, 8, {"type": "mouseWheel", "deltaX": 0, "deltaY": 120})
    page.mouse_on_screen(8, 8, {"type": "mousePressed", "button": "right", "buttons": 2, "clickCount": 1},
                         {"type": "mouseReleased", "button": "right", "buttons": 0, "clickCount": 1})
    time.sleep(1)
    page.screenshot(f"{out}/background.png")
    if desktops() != ("1", "0"):
        fail(f"the wheel on the background left desktop {desktops()[1]} of {desktops()[0]} showing")
    if x_windows() - windows:
        fail("a right click on the background opened a window (a root menu)")
    wait_for_window(" \\(full\\)$", "window in full mode after the wheel and the right click", seconds=2)


if __name__ == "__main__":
    main()

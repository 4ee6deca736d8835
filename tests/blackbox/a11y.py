"""Reading the programs' windows from outside: AT-SPI for what they show, xdotool for typing,
Xlib for a polite close (_NET_CLOSE_WINDOW, as a window manager's close button sends)."""

import struct
import subprocess
import time
import zlib

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402
from Xlib import X, display, protocol  # noqa: E402


def wait_for(what, predicate, timeout=20.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            value = predicate()
        except Exception:  # the tree changes under our feet while programs start and stop
            value = None
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError(f"timed out waiting for {what}")


def children(node):
    found = (node.get_child_at_index(i) for i in range(node.get_child_count()))
    return [child for child in found if child is not None]


def application(pid):
    return next((a for a in children(Atspi.get_desktop(0)) if a.get_process_id() == pid), None)


def walk(node):
    yield node
    for child in children(node):
        yield from walk(child)


def control(pid, description):
    """The control whose accessible description is its name in the program (e.g. PlayerName)."""
    app = application(pid)
    nodes = walk(app) if app else []
    return next((n for n in nodes if n.get_description() == description), None)


def showing(pid, description):
    """Whether the control is on screen; None when it cannot be found."""
    node = control(pid, description)
    return node.get_state_set().contains(Atspi.StateType.SHOWING) if node else None


def caption(pid):
    app = application(pid)
    return children(app)[0].get_name() if app and app.get_child_count() else None


def chat(pid):
    node = control(pid, "txtChat")
    text = node.get_text_iface() if hasattr(node, "get_text_iface") else node
    return Atspi.Text.get_text(text, 0, Atspi.Text.get_character_count(text))


def rows(pid, description):
    node = control(pid, description)
    return [child.get_name() for child in children(node)] if node else None


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=False, capture_output=True,
                          text=True).stdout.split()


def window(pid, title):
    """The visible window of process `pid` whose title is exactly `title`."""
    pattern = "^" + "".join("\\" + c if c in ".[]()*+?{}|^$\\" else c for c in title) + "$"
    found = xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--name", pattern)
    return found[0] if found else None


def focus(wid):
    # The window manager decides who has the keyboard: it is asked first, then made sure of.
    xdotool("windowactivate", "--sync", wid)
    time.sleep(0.2)
    xdotool("windowfocus", "--sync", wid)


def type_into(wid, text):
    focus(wid)
    xdotool("key", "--clearmodifiers", "ctrl+a")
    xdotool("type", "--delay", "20", text)
    xdotool("key", "Return")


def answer_prompt(pid, title, text):
    type_into(wait_for(f"the box '{title}'", lambda: window(pid, title)), text)


def log_in(pid, name):
    answer_prompt(pid, "Hostname required", "127.0.0.1")
    answer_prompt(pid, "Playername", name)


def _request_close(d, wid):
    event = protocol.event.ClientMessage(window=d.create_resource_object("window", int(wid)),
                                         client_type=d.intern_atom("_NET_CLOSE_WINDOW"),
                                         data=(32, [X.CurrentTime, 2, 0, 0, 0]))
    d.screen().root.send_event(event,
                               event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
    d.flush()


def close(wid):
    """Asks the window to close through the window manager, as the title bar's close button
    would. A Qt window now and then lets a request pass unanswered (seen on a busy machine), so
    it is repeated, as a person would click again, until the window is gone."""
    d = display.Display()
    try:
        for _ in range(5):
            _request_close(d, wid)
            deadline = time.monotonic() + 5
            while time.monotonic() < deadline:
                if subprocess.run(["xdotool", "getwindowname", str(wid)],
                                  capture_output=True).returncode != 0:
                    return
                time.sleep(0.2)
    finally:
        d.close()


def maximise(wid):
    """Asks the window manager to maximise the window, as its title bar's button would."""
    d = display.Display()
    try:
        event = protocol.event.ClientMessage(
            window=d.create_resource_object("window", int(wid)),
            client_type=d.intern_atom("_NET_WM_STATE"),
            data=(32, [1, d.intern_atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                       d.intern_atom("_NET_WM_STATE_MAXIMIZED_HORZ"), 2, 0]))
        d.screen().root.send_event(event,
                                   event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        d.flush()
    finally:
        d.close()


def window_states(wid):
    """The window manager's _NET_WM_STATE names for the window, e.g. ['MAXIMIZED_VERT']."""
    out = subprocess.run(["xprop", "-id", str(wid), "_NET_WM_STATE"], capture_output=True,
                         text=True).stdout
    return [name.strip().replace("_NET_WM_STATE_", "") for name in out.split("=")[1].split(",")
            ] if "=" in out else []


def grab(wid=None, area=None):
    """The pixels of a window as the screen shows them, or of an area (x, y, width, height) of
    the screen, as rows of RGB bytes."""
    d = display.Display()
    try:
        root = d.screen().root
        if area is None:
            window = d.create_resource_object("window", int(wid))
            size = window.get_geometry()
            at = root.translate_coords(window, 0, 0)
            area = (at.x, at.y, size.width, size.height)
        x, y, width, height = area
        raw = root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF).data
    finally:
        d.close()
    rows = []
    for row in range(height):
        line = raw[row * width * 4:(row + 1) * width * 4]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        rows.append(bytes(rgb))
    return rows


def save_png(path, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", len(rows[0]) // 3, len(rows), 8, 2, 0, 0, 0)
    pixels = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", pixels) +
                chunk(b"IEND", b""))

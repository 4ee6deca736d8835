"""The ball's right edge against a scripted server: the client bounces the ball at one edge,
10380 twips (its natural 690-pixel surface in a one-pixel frame, as openbox frames it), in every
state of its window: as it opens, resized, maximised (openbox then drops the frame) and full
screen by F11."""

import os
import signal
import socket
import struct
import subprocess
import time

import a11y


def string(text):
    return struct.pack("<H", len(text.encode())) + text.encode()


def frame(kind, payload=b""):
    return struct.pack("<IB", len(payload) + 1, kind) + payload


def next_frame(peer, pending, deadline):
    """(kind, payload, rest), or None when nothing whole arrived before the deadline."""
    while len(pending) < 5 or len(pending) < 4 + struct.unpack_from("<I", pending)[0]:
        peer.settimeout(max(0.01, deadline - time.monotonic()))
        try:
            chunk = peer.recv(65536)
        except socket.timeout:
            return None
        assert chunk, "the client closed the connection"
        pending += chunk
    end = 4 + struct.unpack_from("<I", pending)[0]
    return pending[4], pending[5:end], pending[end:]


def check(client_path, env, caption):
    listener = socket.create_server(("127.0.0.1", 4000))
    client = subprocess.Popen([client_path], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        a11y.log_in(client.pid, "Edge")
        listener.settimeout(20)
        peer, _ = listener.accept()
        got = next_frame(peer, b"", time.monotonic() + 10)
        assert got and got[0] == 1, "expected Hello"
        pending = got[2]
        # Welcome as 7, Roster [Edge=7], one seat: a triangle whose top side is the client's.
        peer.sendall(frame(2, struct.pack("<i", 7)) +
                     frame(4, bytes([2]) + struct.pack("<hi", 0, 7) + string("Edge")) +
                     frame(4, bytes([4]) + struct.pack("<h", 1) + string("7") + string("0") * 2))
        wid = a11y.wait_for("the window", lambda: a11y.window(client.pid, caption))

        def extents():
            out = subprocess.run(["xprop", "-id", wid, "_NET_FRAME_EXTENTS"],
                                 capture_output=True, text=True).stdout
            return [int(v) for v in out.split("=")[1].split(",")] if "=" in out else None

        left, right = a11y.wait_for("the window manager's frame", extents)[:2]
        natural = (690 + left + right) * 15
        outer = 10380

        def bounces_at(x):
            """The bounces the client reports for a ball at x moving right (90)."""
            nonlocal pending
            peer.sendall(frame(4, bytes([5]) + string(str(x)) + string("3000") + string("90")))
            events, deadline = [], time.monotonic() + 1
            while (got := next_frame(peer, pending, deadline)) is not None:
                kind, payload, pending = got
                if kind == 4 and payload[:2] == bytes([6, 1]):
                    events.append(payload[4:].decode())
            peer.sendall(frame(5))  # KeepAlive
            return events

        def full_screen():
            a11y.focus(wid)
            a11y.xdotool("key", "F11")

        time.sleep(0.5)
        states = [("as it opens", None, []),
                  ("resized to 1000 x 900", lambda: a11y.xdotool("windowsize", wid, "1000", "900"),
                   []),
                  ("maximised", lambda: a11y.maximise(wid), ["MAXIMIZED_VERT", "MAXIMIZED_HORZ"]),
                  ("full screen", full_screen, ["FULLSCREEN"])]
        for what, change, wm_states in states:
            if change:
                change()
                a11y.wait_for(f"the window {what}",
                              lambda: all(s in a11y.window_states(wid) for s in wm_states))
                time.sleep(1)
            assert bounces_at(outer - 255) == [], f"{what}: bounced inside {outer}"
            assert bounces_at(outer - 254) == ["270"], f"{what}: no bounce past {outer}"
            print(f"{what}: right edge at {outer} twips (frame {extents()})")
        print(f"the window's natural frame ({left}+{right} pixels) gives {natural} twips")
    finally:
        os.killpg(client.pid, signal.SIGKILL)
        client.wait()
        listener.close()
    return 0

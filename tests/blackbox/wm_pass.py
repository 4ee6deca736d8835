#!/usr/bin/python3
"""The black-box test again, under a real window manager (openbox), so that the windows have
the frames, focus and placement a person's desktop gives them; then the ball's right edge,
checked against a scripted server: the client bounces the ball where the window's outer
width, frame included, ends. Usage: wm_pass.py <quorvex-server> <quorvex-client> (inside
Xvfb; see CMakeLists.txt)."""

import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time

import a11y
import blackbox_test

APP_ID = "{9794A24B-5FF9-40DF-B298-550657F3CA98}"
NATURAL_WIDTH = 690  # pixels of the drawing surface
TWIPS_PER_PIXEL = 15
BALL = 255


def string(text):
    data = text.encode()
    return struct.pack("<H", len(data)) + data


def frame(kind, payload=b""):
    return struct.pack("<IB", len(payload) + 1, kind) + payload


def data(message):
    return frame(4, message)


class ScriptedServer:
    """Just enough of a server on 127.0.0.1:4000 to seat one client and move its ball."""

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 4000))
        self.listener.listen(1)
        self.peer = None
        self.pending = b""

    def accept(self, player_id):
        self.listener.settimeout(20)
        self.peer, _ = self.listener.accept()
        self.peer.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        kind, _ = self.next_frame(10)
        assert kind == 1, f"expected Hello, got frame kind {kind}"
        self.peer.sendall(frame(2, struct.pack("<i", player_id)))

    def send(self, message):
        self.peer.sendall(data(message))

    def next_frame(self, timeout):
        deadline = time.monotonic() + timeout
        while True:
            if len(self.pending) >= 5:
                length = struct.unpack_from("<I", self.pending)[0]
                if len(self.pending) >= 4 + length:
                    kind = self.pending[4]
                    payload = self.pending[5:4 + length]
                    self.pending = self.pending[4 + length:]
                    return kind, payload
            left = deadline - time.monotonic()
            if left <= 0:
                return None, None
            self.peer.settimeout(left)
            try:
                chunk = self.peer.recv(65536)
            except socket.timeout:
                return None, None
            assert chunk, "the client closed the connection"
            self.pending += chunk

    def ball_events(self, seconds):
        """The BallEvents (kind, value) the client sends within `seconds`."""
        events = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            kind, payload = self.next_frame(deadline - time.monotonic())
            if kind == 4 and payload and payload[0] == 6:
                count = struct.unpack_from("<H", payload, 2)[0]
                events.append((payload[1], payload[4:4 + count].decode()))
        self.peer.sendall(frame(5))  # KeepAlive: the client must not think us gone
        return events

    def close(self):
        for s in (self.peer, self.listener):
            if s is not None:
                s.close()


def frame_extents(wid):
    out = subprocess.run(["xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"], capture_output=True,
                         text=True).stdout
    if "=" not in out:
        return None
    return [int(v) for v in out.split("=")[1].split(",")]


def right_edge(client_path, env):
    server = ScriptedServer()
    client = subprocess.Popen([client_path], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        a11y.answer_prompt(client.pid, "Hostname required", "127.0.0.1")
        a11y.answer_prompt(client.pid, "Playername", "Edge")
        server.accept(7)
        # Roster [Edge=7], then one seat: a triangle whose top side is the client's.
        server.send(bytes([2]) + struct.pack("<hi", 0, 7) + string("Edge"))
        server.send(bytes([4]) + struct.pack("<h", 1) + string("7") + string("0") + string("0"))
        wid = a11y.wait_for("the client's window",
                            lambda: a11y.window(client.pid, blackbox_test.CLIENT_CAPTION))
        extents = a11y.wait_for("the window manager's frame", lambda: frame_extents(wid))
        outer = (NATURAL_WIDTH + extents[0] + extents[1]) * TWIPS_PER_PIXEL
        assert outer > NATURAL_WIDTH * TWIPS_PER_PIXEL, f"no frame around the window: {extents}"
        time.sleep(0.5)
        server.ball_events(0.2)  # whatever the seating caused

        def bounces_at(left):
            server.send(bytes([5]) + string(str(left)) + string("3000") + string("90"))
            return [e for e in server.ball_events(1.0) if e[0] == 1]

        # Moving right (90): at the outer edge it is inside, one twip further it bounces (270).
        assert bounces_at(outer - BALL) == [], f"bounced inside the outer width {outer}"
        assert bounces_at(outer - BALL + 1) == [(1, "270")], f"no bounce past {outer}"
        print(f"right edge at the outer width {outer} twips (frame {extents[0]}+{extents[1]} px)")
        # A bigger window judges the same ball the same way.
        a11y.xdotool("windowsize", wid, "1000", "900")
        time.sleep(1)
        assert bounces_at(outer - BALL) == [], "a resized window moved the right edge"
        assert bounces_at(outer - BALL + 1) == [(1, "270")], "a resized window lost the edge"
        print("the same edge after resizing the window to 1000 x 900")
    finally:
        os.killpg(client.pid, signal.SIGKILL)
        client.wait()
        server.close()
    return 0


def main(server_path, client_path):
    wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        time.sleep(1)
        result = blackbox_test.main(server_path, client_path)
        if result != 0:
            return result
        # Prompts are found and answered through X alone: no accessibility bus this time.
        env = {k: v for k, v in os.environ.items() if k != "DBUS_SESSION_BUS_ADDRESS"}
        env.update(QT_QPA_PLATFORM="xcb", ASAN_OPTIONS="detect_leaks=0")
        return right_edge(client_path, env)
    finally:
        os.killpg(wm.pid, signal.SIGKILL)
        wm.wait()


if __name__ == "__main__":
    for tool in ["xdotool", "openbox", "xprop"]:
        if not shutil.which(tool):
            print(f"{tool} missing: skipped")
            sys.exit(77)
    sys.exit(main(sys.argv[1], sys.argv[2]))

#!/usr/bin/python3
"""Black-box test: the real quorvex-server and three quorvex-client processes on one X display
under a window manager (openbox), as on a person's desktop; then the ball's right edge at the
framed window's width. Prompts are answered by typing; what each window shows is read through
the accessibility tree. Usage: blackbox_test.py <quorvex-server> <quorvex-client> (inside Xvfb;
see CMakeLists.txt)."""

import contextlib
import os
import shutil
import signal
import subprocess
import sys
import time

import a11y
import right_edge
from blip_relay import BlipRelay

SERVER_RUNNING = "Quorvex Server [Server running]"
CLIENT_CAPTION = "Quorvex V1.0 - by Marbeck"
CONNECTED = "**Connected to Chat Server**"


def main(server_path, client_path):
    env = dict(os.environ)
    env.update(QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1", ASAN_OPTIONS="detect_leaks=0")
    processes = []

    def start(command, stdout=subprocess.DEVNULL, **options):
        # Own process groups, and no inherited output: helpers that outlive a failure must
        # neither keep the test's output open nor survive the cleanup.
        p = subprocess.Popen(command, env=env, stdout=stdout, stderr=subprocess.DEVNULL,
                             start_new_session=True, **options)
        processes.append(p)
        return p

    # A private session bus for the accessibility registry; its services die with its group.
    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                stdout=subprocess.PIPE, text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = env["DBUS_SESSION_BUS_ADDRESS"]
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    start(["openbox", "--sm-disable"])

    try:
        time.sleep(1)
        server = start([server_path])
        a11y.answer_prompt(server.pid, "Number of Clients Required", "11")
        a11y.wait_for("the server to host", lambda: a11y.caption(server.pid) == SERVER_RUNNING)
        print("server running")

        everyone = ["Ann", "Bob", "Cy"]
        clients = {}

        def wait_chat(names, text, what):
            for name in names:
                a11y.wait_for(f"{what} at {name}", lambda: text in a11y.chat(clients[name].pid))

        # Bob's cable can be pulled: his client reaches the server through a relay.
        relay = BlipRelay(4000)
        for name in everyone:
            c = start([client_path] + (["--port", str(relay.port)] if name == "Bob" else []))
            clients[name] = c
            a11y.log_in(c.pid, name)
            a11y.wait_for(f"{name}'s caption", lambda: a11y.caption(c.pid) == CLIENT_CAPTION)
            wait_chat([name], CONNECTED, "the connection")
            print(f"{name} connected")

        def wait_seats(names, what):
            for name, pid in [("the server", server.pid)] + [(n, clients[n].pid) for n in names]:
                a11y.wait_for(f"{what} at {name}", lambda: a11y.rows(pid, "PlayerName") == names)

        wait_seats(everyone, "every player in the seat table")
        print("every seat table lists", everyone)

        ann = a11y.wait_for("Ann's window", lambda: a11y.window(clients["Ann"].pid,
                                                                CLIENT_CAPTION))
        a11y.xdotool("mousemove", "--window", ann, "150", "615", "click", "1")
        a11y.type_into(ann, "hello from Ann")
        wait_chat(clients, "Ann:>hello from Ann", "the chat line")
        print("the chat line reached every client")

        # A blip: Bob sees only the "Reconnecting…" line, then plays on as before; nobody
        # else notices anything.
        relay.blip(3)
        a11y.wait_for("Bob's reconnecting line",
                      lambda: a11y.showing(clients["Bob"].pid, "lblReconnecting"))
        a11y.wait_for("Bob back",
                      lambda: a11y.showing(clients["Bob"].pid, "lblReconnecting") is False)
        wait_seats(everyone, "every player still in the seat table")
        for name in clients:
            shown = a11y.chat(clients[name].pid)
            assert "has left" not in shown and "Connection with server lost" not in shown, shown
        bob = a11y.window(clients["Bob"].pid, CLIENT_CAPTION)
        a11y.xdotool("mousemove", "--window", bob, "150", "615", "click", "1")
        a11y.type_into(bob, "Bob is back")
        wait_chat(clients, "Bob:>Bob is back", "Bob's chat line after the blip")
        print("a blip showed Bob only the reconnecting line")

        a11y.close(a11y.window(clients["Cy"].pid, CLIENT_CAPTION))
        code = clients.pop("Cy").wait(timeout=30)
        assert code == 0, f"Cy's client ended with {code}"
        wait_seats(["Ann", "Bob"], "Cy to leave the seat table")
        wait_chat(clients, "Cy has left", "the leaving notice")
        print("closing Cy removed it everywhere")

        a11y.close(a11y.window(server.pid, SERVER_RUNNING))
        assert server.wait(timeout=30) == 0, "the server did not end cleanly"
        wait_chat(clients, "Connection with server lost", "the lost-connection notice")
        for name in clients:
            a11y.close(a11y.window(clients[name].pid, CLIENT_CAPTION))
            assert clients[name].wait(timeout=30) == 0, f"{name}'s client did not end cleanly"
        print("server closed; clients noticed and closed normally")
        return right_edge.check(client_path, env, CLIENT_CAPTION)
    finally:
        for p in processes:
            with contextlib.suppress(ProcessLookupError):
                os.killpg(p.pid, signal.SIGKILL)
            p.wait()


if __name__ == "__main__":
    for tool in ["xdotool", "openbox", "xprop"]:
        if not shutil.which(tool):
            print(f"{tool} missing: skipped")
            sys.exit(77)
    sys.exit(main(sys.argv[1], sys.argv[2]))

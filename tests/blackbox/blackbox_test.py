#!/usr/bin/python3
"""Black-box test: the real quorvex-server and three quorvex-client processes on one X display.
Prompts are answered by typing; what each window shows is read through the accessibility
tree. Usage: blackbox_test.py <quorvex-server> <quorvex-client> (inside Xvfb and a D-Bus
session; see CMakeLists.txt)."""

import os
import shutil
import signal
import subprocess
import sys
import time

import a11y

SERVER_RUNNING = "Quorvex Server [Server running]"
CLIENT_CAPTION = "Quorvex V1.0 - by Marbeck"
CONNECTED = "**Connected to Chat Server**"


def main(server_path, client_path):
    env = dict(os.environ)
    env.update(QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1", ASAN_OPTIONS="detect_leaks=0")
    processes = []

    def start(command, **options):
        # Own process groups, and no inherited output: helpers that outlive a failure must
        # neither keep the test's output open nor survive the cleanup.
        p = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, start_new_session=True, **options)
        processes.append(p)
        return p

    # A private session bus for the accessibility registry; its services die with its group.
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                           start_new_session=True)
    processes.append(bus)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = env["DBUS_SESSION_BUS_ADDRESS"]
    start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])

    try:
        time.sleep(1)
        server = start([server_path])
        a11y.answer_prompt(server.pid, "Number of Clients Required", "11")
        a11y.wait_for("the server to host", lambda: a11y.caption(server.pid) == SERVER_RUNNING)
        print("server running")

        clients = {}
        for name in ["Ann", "Bob", "Cy"]:
            c = start([client_path])
            a11y.answer_prompt(c.pid, "Hostname required", "127.0.0.1")
            a11y.answer_prompt(c.pid, "Playername", name)
            a11y.wait_for(f"{name}'s caption", lambda: a11y.caption(c.pid) == CLIENT_CAPTION)
            a11y.wait_for(f"{name} to connect",
                          lambda: CONNECTED in a11y.text_of(a11y.control(c.pid, "txtChat")))
            clients[name] = c
            print(f"{name} connected")

        everyone = ["Ann", "Bob", "Cy"]
        a11y.wait_for("the server's player list",
                      lambda: a11y.rows(server.pid, "PlayerName") == everyone)
        for name, c in clients.items():
            a11y.wait_for(f"{name}'s seat table",
                          lambda: a11y.rows(c.pid, "PlayerName") == everyone)
        print("every seat table lists", everyone)

        ann = a11y.wait_for("Ann's window", lambda: a11y.window(clients["Ann"].pid,
                                                                CLIENT_CAPTION))
        a11y.xdotool("mousemove", "--window", ann, "150", "615", "click", "1")
        a11y.type_into(ann, "hello from Ann")
        for name in ["Ann", "Bob", "Cy"]:
            a11y.wait_for(f"the chat line at {name}",
                          lambda: "Ann:>hello from Ann" in
                          a11y.text_of(a11y.control(clients[name].pid, "txtChat")))
        print("the chat line reached every client")

        cy = a11y.window(clients["Cy"].pid, CLIENT_CAPTION)
        a11y.close(cy)
        code = clients["Cy"].wait(timeout=30)
        assert code == 0, f"Cy's client ended with {code}"
        a11y.wait_for("Cy to leave the server's list",
                      lambda: a11y.rows(server.pid, "PlayerName") == ["Ann", "Bob"])
        for name in ["Ann", "Bob"]:
            a11y.wait_for(f"Cy to leave {name}'s seat table",
                          lambda: a11y.rows(clients[name].pid, "PlayerName") == ["Ann", "Bob"])
            a11y.wait_for(f"the leaving notice at {name}",
                          lambda: "Cy has left" in
                          a11y.text_of(a11y.control(clients[name].pid, "txtChat")))
        print("closing Cy removed it everywhere")

        a11y.close(a11y.window(server.pid, SERVER_RUNNING))
        assert server.wait(timeout=30) == 0, "the server did not end cleanly"
        for name in ["Ann", "Bob"]:
            a11y.wait_for(f"the lost-connection notice at {name}",
                          lambda: "Connection with server lost" in
                          a11y.text_of(a11y.control(clients[name].pid, "txtChat")))
            a11y.close(a11y.window(clients[name].pid, CLIENT_CAPTION))
            assert clients[name].wait(timeout=30) == 0, f"{name}'s client did not end cleanly"
        print("server closed; clients noticed and closed normally")
        return 0
    finally:
        for p in processes:
            try:
                os.killpg(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            p.wait()


if __name__ == "__main__":
    for tool in ["xdotool"]:
        if not shutil.which(tool):
            print(f"{tool} missing: skipped")
            sys.exit(77)
    sys.exit(main(sys.argv[1], sys.argv[2]))

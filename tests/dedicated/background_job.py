#!/usr/bin/env python3
"""Usage: background_job.py <quorvex-server>

The dedicated server started as a background job of an interactive terminal (`server &`): what
is typed into the terminal neither stops it ("Stopped (tty input)") nor reaches it; brought to
the foreground (`fg`), it reads its commands there."""
import os
import pty
import signal
import subprocess
import sys
import tempfile
import time

server = sys.argv[1]
work = tempfile.mkdtemp()
control = os.path.join(work, "control")
log_path = os.path.join(work, "log")


def wait_for(check, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        if check():
            return True
        time.sleep(0.1)
    return False


def log():
    with open(log_path, encoding="utf-8", errors="replace") as f:
        return f.read()


def state(pid):
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()[0]


go_foreground, told = os.pipe()
# The child is a shell's stand-in: a session leader with the terminal, in the foreground.
child, terminal = pty.fork()
if child == 0:
    with open(log_path, "w") as out:
        job = subprocess.Popen([server, "--headless", "--players", "3", "--port", "0",
                                "--control", control], stdout=out, stderr=out, process_group=0)
    os.write(1, f"job {job.pid}\n".encode())
    signal.signal(signal.SIGTTOU, signal.SIG_IGN)
    os.read(go_foreground, 1)  # the test's `fg`: the job gets the terminal
    os.tcsetpgrp(0, job.pid)
    job.wait()
    os._exit(0)

banner = b""
while b"\n" not in banner:
    banner += os.read(terminal, 100)
job = int(banner.split()[1])
failures = []
try:
    if not wait_for(lambda: "control socket" in log()):
        sys.exit("the server did not start:\n" + log())
    os.write(terminal, b"limit 9\n")  # typed while the server is in the background
    time.sleep(1.5)
    if state(job) == "T":
        failures.append("the background job was stopped by the typing")
    if "limit 9" in log() or "unknown command" in log():
        failures.append("the background job read the terminal")
    reply = subprocess.run([server, "--command", "list", "--control", control],
                           capture_output=True, text=True, timeout=15)
    if "players: 0" not in reply.stdout:
        failures.append("the background job did not answer on its control socket: " + reply.stdout)
    # Typed input waits in the terminal for whoever is in the foreground: read it and move on.
    os.write(told, b"f")
    time.sleep(0.2)
    os.write(terminal, b"limit 8\n")
    if not wait_for(lambda: "limit 8" in log()):
        failures.append("in the foreground the server did not read the terminal")
finally:
    os.kill(job, signal.SIGTERM)
    os.waitpid(child, 0)
print(log())
if failures:
    sys.exit("; ".join(failures))
print("the background job kept running and read the terminal only in the foreground")

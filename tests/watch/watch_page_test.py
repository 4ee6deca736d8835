#!/usr/bin/env python3
"""The watch page in Debian's headless Chromium against a real dedicated server with computer
players: the sides and the seat table's names from the page's DOM, a screenshot to look at,
/metrics read by a strict parser of the Prometheus text format, and the standings still there
after the server restarts.

usage: watch_page_test.py QUORVEX_SERVER CLIENT_DIR OUTPUT_DIR   (exit 77: no chromium)
"""
import html.parser
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

SKIP = 77


def fail(text):
    print("FAIL: " + text)
    sys.exit(1)


class Server:
    def __init__(self, binary, client_dir, stats_file, bots):
        env = dict(os.environ, PATH=client_dir + os.pathsep + os.environ.get("PATH", ""))
        self.process = subprocess.Popen(
            [binary, "--headless", "--players", "5", "--port", "0", "--web-local", "0",
             "--bots", str(bots), "--bot-skill", "1", "--game", "survivor", "--limit", "0",
             "--stats-file", stats_file],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env)
        self.lines = []
        self.url = None
        deadline = time.time() + 20
        while self.url is None and time.time() < deadline:
            line = self.process.stdout.readline()
            if not line:
                break
            self.lines.append(line)
            found = re.search(r"watch page: (http://\S+)", line)
            if found:
                self.url = found.group(1)
        if self.url is None:
            self.stop()
            fail("the server printed no watch page address:\n" + "".join(self.lines))

    def get(self, path):
        with urllib.request.urlopen(self.url.rstrip("/") + path, timeout=5) as answer:
            return answer.read().decode()

    def command(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def stop(self):
        if self.process.poll() is None:
            try:
                self.command("quit")
                self.process.wait(timeout=20)
            except (BrokenPipeError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        return self.lines + self.process.stdout.readlines()


SAMPLE = re.compile(
    r'^([a-zA-Z_:][a-zA-Z0-9_:]*)(\{([a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\.)*"'
    r'(?:,[a-zA-Z_][a-zA-Z0-9_]*="(?:[^"\\\n]|\\.)*")*)\})? '
    r'(-?(?:[0-9]+(?:\.[0-9]*)?(?:[eE][-+]?[0-9]+)?|\+Inf|-Inf|NaN))$')
TYPES = {"counter", "gauge", "histogram", "summary", "untyped"}


def parse_metrics(text):
    """Strictly the text format 0.0.4: every line a HELP, a TYPE or a sample of a declared
    family; samples of one family together; histogram buckets cumulative and ending in +Inf."""
    families, samples, current = {}, [], None
    if not text.endswith("\n"):
        fail("/metrics does not end in a newline")
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("# HELP "):
            continue
        if line.startswith("# TYPE "):
            parts = line.split(" ")
            if len(parts) != 4 or parts[3] not in TYPES or parts[2] in families:
                fail("line %d: bad TYPE line %r" % (number, line))
            families[parts[2]] = parts[3]
            current = parts[2]
            continue
        match = SAMPLE.match(line)
        if not match:
            fail("line %d: not a sample: %r" % (number, line))
        name = match.group(1)
        family = re.sub(r"_(bucket|sum|count)$", "", name) if families.get(
            re.sub(r"_(bucket|sum|count)$", "", name)) == "histogram" else name
        if family != current:
            fail("line %d: sample %s outside its family's block" % (number, name))
        labels = dict(re.findall(r'([a-zA-Z_][a-zA-Z0-9_]*)="((?:[^"\\]|\\.)*)"', match.group(3) or ""))
        value = float(match.group(4))
        if families[family] == "counter" and value < 0:
            fail("line %d: a counter below zero" % number)
        samples.append((name, labels, value))
    for family, kind in families.items():
        if kind == "histogram":
            buckets = [(l["le"], v) for n, l, v in samples if n == family + "_bucket"]
            values = [v for _, v in buckets]
            count = [v for n, _, v in samples if n == family + "_count"]
            if not buckets or buckets[-1][0] != "+Inf" or values != sorted(values) or count != [values[-1]]:
                fail("histogram %s is not cumulative up to +Inf" % family)
    return families, samples


def value_of(samples, name, **labels):
    return sum(v for n, l, v in samples if n == name and all(l.get(k) == x for k, x in labels.items()))


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.sides = None
        self.status = ""
        self.seat_names = []
        self._in = []
        self._cell = 0
        self._text = ""

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "canvas" and attrs.get("id") == "arena":
            self.sides = int(attrs.get("data-sides", "-1"))
        if attrs.get("id") in ("seats", "status"):
            self._in.append(attrs["id"])
        if tag == "tr":
            self._cell = 0
        if tag == "td":
            self._cell += 1
            self._text = ""

    def handle_endtag(self, tag):
        if tag == "td" and self._in and self._in[-1] == "seats" and self._cell == 2:
            self.seat_names.append(self._text)
        if tag in ("table", "p") and self._in:
            self._in.pop()

    def handle_data(self, data):
        self._text += data
        if self._in and self._in[-1] == "status":
            self.status += data


def chromium(binary, url, *extra):
    return subprocess.run(
        [binary, "--headless=new", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
         "--virtual-time-budget=3000", *extra, url],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=90).stdout


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    server_binary, client_dir, output_dir = sys.argv[1:]
    browser = shutil.which("chromium") or shutil.which("chromium-browser")
    if browser is None:
        print("SKIP: no chromium on this machine")
        return SKIP
    folder = tempfile.mkdtemp(prefix="quorvex-watch-")
    stats_file = os.path.join(folder, "standings.sqlite")
    server = Server(server_binary, client_dir, stats_file, bots=3)
    try:
        deadline = time.time() + 60
        while True:
            families, samples = parse_metrics(server.get("/metrics"))
            if value_of(samples, "quorvex_seats") == 3 and value_of(samples, "quorvex_rounds_total") >= 1:
                break
            if time.time() > deadline:
                fail("no round ended with three seated computer players")
            time.sleep(0.5)
        for family in ("quorvex_players", "quorvex_messages_in_total", "quorvex_bytes_out_total",
                       "quorvex_frames_dropped_total", "quorvex_refusals_total",
                       "quorvex_event_loop_lag_seconds", "quorvex_watchers"):
            if family not in families:
                fail("/metrics has no " + family)
        if value_of(samples, "quorvex_messages_in_total") <= 0:
            fail("no game message counted in")

        page = Page()
        page.feed(chromium(browser, server.url, "--dump-dom"))
        print("page: status %r, %s sides, seats %s" % (page.status, page.sides, page.seat_names))
        if page.status != "watching" or page.sides != 3:
            fail("the page does not watch a three-sided arena")
        if sorted(page.seat_names) != ["CPU 1", "CPU 2", "CPU 3"]:
            fail("the seat table shows %r" % page.seat_names)
        shot = os.path.join(output_dir, "watch-page.png")
        chromium(browser, server.url, "--window-size=1280,720", "--screenshot=" + shot)
        if not os.path.exists(shot) or os.path.getsize(shot) < 1000:
            fail("no screenshot")
        print("screenshot: " + shot)
        before = json.loads(server.get("/standings.json"))
    finally:
        server.stop()

    rounds_before = {s["name"]: s["rounds"] for s in before["allTime"]}
    server = Server(server_binary, client_dir, stats_file, bots=0)
    try:
        after = json.loads(server.get("/standings.json"))
        server.command("stats 3")
    finally:
        log = "".join(server.stop())
    rounds_after = {s["name"]: s["rounds"] for s in after["allTime"]}
    print("standings before the restart %s, after %s" % (rounds_before, rounds_after))
    if not after["kept"] or sorted(rounds_after) != ["CPU 1", "CPU 2", "CPU 3"] or any(
            rounds_after[name] < rounds for name, rounds in rounds_before.items()):
        fail("the standings did not survive the restart")
    if "all time: 3 players" not in log:
        fail("stats did not list them:\n" + log)
    shutil.rmtree(folder, ignore_errors=True)
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Hostile players, measured. For a quiet baseline and then each attack, on a fresh dedicated
server (`quorvex-server --headless`) on loopback: three honest players (honest_player, the
real client end and rules) play while one scripted attack (hostile_attacks.py) runs for the
same stretch; then one row of a table and its goal lines. Builds nothing; stops by itself.
    hostile_harness.py <build dir, e.g. build/dev> [--attacks 1,3,7] [--seconds 20]"""

import argparse
import json
import os
import re
import signal
import socket
import statistics
import subprocess
import sys
import threading
import time

import hostile_attacks

HERE = os.path.dirname(os.path.abspath(__file__))
HONEST = ["Ann", "Bob", "Cid"]
PASSWORD = "violet kettle 42 drums"
WARM_UP_S = 1.5  # the honest players join and settle before anything is measured
LOG_GOAL_BYTES = 1 << 20
KEPT_LOG_BYTES = 4 << 20  # of each run's log, kept for the checks that read it
KICK_SECONDS = 8  # the kick scenario needs this long whatever --seconds says
# A failed join the client shows as a refusal of its own: session full, banned, too many
# joins, busy, password lockout (ErrorCode in protocol/session/session_types.h).
CLEAR_REFUSALS = {8: "session full", 16: "banned", 17: "too many joins", 18: "busy",
                  19: "password lockout"}

NAMES = {0: "quiet", 1: "seat grab", 2: "connect-and-drop", 3: "ready spoil",
         4: "kick does not kick", 5: "half-open slots", 6: "password guessing",
         7: "others spoken for", 8: "log injection", 9: "discovery starved"}

children = []


def spawn(command, **popen):
    process = subprocess.Popen(command, **popen)
    children.append(process)
    return process


def stop_all():
    for process in children:
        if process.poll() is None:
            process.kill()
            process.wait()


def free_port():
    """A port free for TCP and UDP both: the server answers discovery on its TCP port's number."""
    for _ in range(100):
        tcp = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        udp = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
        try:
            for s in (tcp, udp):
                s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
            tcp.bind(("::", 0))
            port = tcp.getsockname()[1]
            udp.bind(("::", port))
            return port
        except OSError:
            continue
        finally:
            tcp.close()
            udp.close()
    raise RuntimeError("no free port")


class Drain(threading.Thread):
    """Reads a pipe to its end: counts every byte and keeps the first ones."""

    def __init__(self, pipe, keep):
        super().__init__(daemon=True)
        self.pipe, self.keep = pipe, keep
        self.total, self.head = 0, bytearray()
        self.start()

    def run(self):
        fd = self.pipe.fileno()
        while True:
            chunk = os.read(fd, 1 << 20)
            if not chunk:
                return
            self.total += len(chunk)
            if len(self.head) < self.keep:
                self.head += chunk[:self.keep - len(self.head)]


class Lines(threading.Thread):
    """Collects a child's output lines as they come (its events carry their own times)."""

    def __init__(self, pipe):
        super().__init__(daemon=True)
        self.pipe, self.lines = pipe, []
        self.start()

    def run(self):
        for line in self.pipe:
            self.lines.append(line.rstrip("\n"))


def memory(pid, field):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith(field + ":"):
                    return int(line.split()[1]) / 1024  # kB to MB
    except OSError:
        pass
    return 0.0


def finish(process, seconds=15):
    """The output of a child that ends by itself; one that does not in time is killed and
    reports nothing (a player that could not report counts as disconnected)."""
    try:
        return process.communicate(timeout=seconds)[0]
    except subprocess.TimeoutExpired:
        process.kill()
        process.communicate()
        return ""


def now_ms():
    return int(time.monotonic() * 1000)


def parse_player(text):
    player = {"joined": False, "lost": False, "inbound": 0, "window_ms": 1, "balls": 0,
              "intervals": [], "ready": None, "seats": 0, "roster": 0, "heard": [],
              "error": ""}
    for line in text.splitlines():
        w = line.split()
        if not w:
            continue
        if w[0] == "JOINED":
            player["joined"] = w[1] == "1"
            player["id"] = int(w[2])
            player["error"] = f"#{w[3]} " + (bytes.fromhex(w[4]).decode("utf-8", "replace")
                                            if w[4] != "-" else "")
        elif w[0] == "LOST":
            player["lost"] = w[1] == "1"
        elif w[0] == "INBOUND":
            player["inbound"], player["window_ms"] = int(w[1]), max(int(w[2]), 1)
        elif w[0] == "BALLS":
            player["balls"] = int(w[1])
            player["intervals"] = [int(x) for x in w[2:]]
        elif w[0] == "READY" and w[1] != "none":
            player["ready"] = (float(w[1]), float(w[2]))
        elif w[0] == "LARGEST":
            player["seats"], player["roster"] = int(w[1]), int(w[2])
        elif w[0] == "HEARD":
            line_bytes = bytes.fromhex(w[2]) if w[2] != "-" else b""
            player["heard"].append((int(w[1]), line_bytes))
    return player


def parse_probe(text):
    for line in text.splitlines():
        w = line.split()
        if w and w[0] == "PROBE":
            if w[1] == "ok":
                return {"ok": True, "code": 0, "text": "joined"}
            return {"ok": False, "code": int(w[2]),
                    "text": bytes.fromhex(w[3]).decode("utf-8", "replace") if len(w) > 3
                    and w[3] != "-" else ""}
    return {"ok": False, "code": -1, "text": "no answer"}


def nearest_rank(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, max(0, int(fraction * len(ordered) + 0.999999) - 1))]


def half_open_probe_times(seconds):
    """When an honest player tries to join past the half-open connections: well inside the
    attacker's cycles, when every slot it can get is taken; the first, middle and last such
    moment."""
    cycle = hostile_attacks.HALF_OPEN_CYCLE_S
    moments = [k * cycle + cycle * 0.55 for k in range(int(seconds / cycle) + 1)]
    moments = [t for t in moments if t < seconds - 0.2] or [seconds / 2]
    return sorted({moments[0], moments[len(moments) // 2], moments[-1]})


class Run:
    """One server, three honest players and at most one attacker, for `seconds`."""

    def __init__(self, build, attack, seconds, players):
        self.build, self.attack, self.seconds = build, attack, seconds
        self.players = 6 if attack == 4 else players
        self.password = PASSWORD if attack == 6 else None
        self.extra = {}

    def server_command(self, port):
        command = [os.path.join(self.build, "server", "quorvex-server"), "--headless",
                   "--players", str(self.players), "--port", str(port)]
        if self.attack == 3:  # the ready count decides only where rounds wait for it
            command += ["--game", "points", "--limit", "99"]
        if self.password:
            command += ["--password", self.password]
        return command

    def player_command(self, port, name, extra):
        command = [os.path.join(self.build, "bench", "hostile", "honest_player"), "127.0.0.1",
                   str(port), name] + extra
        return command + (["--password", self.password] if self.password else [])

    def probe(self, port, name):
        return spawn(self.player_command(port, name, ["--probe"]), stdout=subprocess.PIPE,
                     text=True)

    def console(self, line):
        try:
            self.server.stdin.write((line + "\n").encode())
            self.server.stdin.flush()
        except OSError:
            pass
        self.extra.setdefault("console", []).append((now_ms(), line))

    def execute(self):
        port = free_port()
        self.server = spawn(self.server_command(port), stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        log, errors = Drain(self.server.stdout, KEPT_LOG_BYTES), Drain(self.server.stderr, 1 << 16)
        deadline = time.monotonic() + 5
        while b"hosting" not in log.head:
            if self.server.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("the server did not start: " + bytes(errors.head).decode(
                    "utf-8", "replace") + bytes(log.head).decode("utf-8", "replace"))
            time.sleep(0.02)
        start = time.monotonic() + WARM_UP_S
        window = (int(start * 1000), int((start + self.seconds) * 1000))
        players = [spawn(self.player_command(port, name, [
            "--from", str(window[0]), "--to", str(window[1]), "--until", str(window[1] + 300)]),
            stdout=subprocess.PIPE, text=True) for name in HONEST]
        rss_peak = 0.0

        def wait_until(t):
            nonlocal rss_peak
            while time.monotonic() < t:
                rss_peak = max(rss_peak, memory(self.server.pid, "VmRSS"))
                time.sleep(min(0.1, max(0.0, t - time.monotonic())))

        wait_until(start)
        attacker = None
        if self.attack:
            attacker = spawn([sys.executable, os.path.join(HERE, "hostile_attacks.py"),
                              "--attack", str(self.attack), "--port", str(port),
                              "--seconds", str(self.seconds)],
                             stdout=subprocess.PIPE, text=True)
            attacker_lines = Lines(attacker.stdout)
        if self.attack == 4:
            self.kick_script(port, start, attacker_lines, wait_until)
        elif self.attack == 5:
            probes = []
            for i, at in enumerate(half_open_probe_times(self.seconds)):
                wait_until(start + at)
                probes.append(self.probe(port, f"Dan{i + 1}"))
            self.extra["probes"] = probes
        wait_until(start + self.seconds + 0.4)
        outputs = [finish(p) for p in players]
        self.rss_now = memory(self.server.pid, "VmRSS")
        self.rss_peak = max(rss_peak, memory(self.server.pid, "VmHWM"))
        self.result = {}
        if attacker:
            try:
                attacker.wait(timeout=10)
            except subprocess.TimeoutExpired:
                attacker.kill()
            attacker_lines.join(timeout=5)
            for line in attacker_lines.lines:
                if line.startswith("RESULT "):
                    self.result = json.loads(line[7:])
            self.events = [line.split()[1:] for line in attacker_lines.lines
                           if line.startswith("EVENT ")]
        for probe in ("probes", "kick_probe"):
            if probe in self.extra:
                items = self.extra[probe] if isinstance(self.extra[probe], list) else [
                    self.extra[probe]]
                self.extra[probe] = [parse_probe(finish(p)) for p in items]
        self.console("quit")
        try:
            self.server.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.server.terminate()
            try:
                self.server.wait(timeout=3)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        log.join(timeout=5)
        errors.join(timeout=5)
        self.log_bytes = log.total + errors.total
        self.log_head, self.log_complete = bytes(log.head), log.total <= KEPT_LOG_BYTES
        self.honest = [parse_player(out) for out in outputs]
        return self

    def kick_script(self, port, start, attacker_lines, wait_until):
        """Kicks both squatters from the console once they are in, tries an honest join into
        the freed slots, then bans the squatter that came back."""
        ids = {}
        deadline = start + 3
        while len(ids) < 2 and time.monotonic() < deadline:
            for line in attacker_lines.lines:
                w = line.split()
                if len(w) >= 6 and w[0] == "EVENT" and w[2] == "joined" and w[5] == "1":
                    ids[w[3]] = w[4]
            wait_until(time.monotonic() + 0.05)
        wait_until(max(time.monotonic(), start + 1.5))
        self.extra["kick_at"] = now_ms()
        for name in sorted(ids):
            self.console("kick " + ids[name])
        wait_until(time.monotonic() + 2.0)
        self.console("list")
        self.extra["kick_probe"] = self.probe(port, "Dan")
        wait_until(time.monotonic() + 1.0)
        back = [line.split() for line in attacker_lines.lines if " joined Squat1 " in line]
        again = [w[4] for w in back if w[5] != "1"]
        target = again[-1] if again else ids.get("Squat1", "0")
        self.extra["ban_at"] = now_ms()
        self.console("ban " + target)


def log_problems(head, complete):
    """What an operator's terminal would take as raw control: each kind, counted."""
    problems = {}

    def count(what, n=1):
        problems[what] = problems.get(what, 0) + n

    try:
        decoded = head.decode("utf-8")
    except UnicodeDecodeError:
        decoded = head.decode("utf-8", "replace")
        count("invalid UTF-8", decoded.count("\ufffd"))
    for ch in decoded:
        o = ord(ch)
        if (o < 0x20 and ch != "\n") or o == 0x7F:
            count("C0 control or DEL")
        elif 0x80 <= o <= 0x9F:
            count("C1 control")
        elif 0x202A <= o <= 0x202E or 0x2066 <= o <= 0x2069 or o in (0x200E, 0x200F, 0x061C):
            count("bidi control")
    stamp = re.compile(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d ")
    lines = decoded.split("\n")
    if not complete:
        lines = lines[:-1]  # the kept head may end inside a line
    for line in lines:
        if line and not stamp.match(line):
            count("line without a time stamp (a forged line?)")
    return problems


def summarise(run, quiet):
    honest = run.honest
    lost = sum(1 for p in honest if p["lost"] or not p["joined"])
    inbound = max(p["inbound"] / p["window_ms"] * 1000 / 1e6 for p in honest)
    intervals = [i for p in honest for i in p["intervals"]]
    balls = statistics.mean(p["balls"] for p in honest)
    row = {"attack": run.attack, "lost": lost, "inbound": inbound, "balls": balls,
           "ball_rate": balls / run.seconds,
           "p99": nearest_rank(intervals, 0.99) if intervals else None,
           "jitter": statistics.pstdev(intervals) if len(intervals) > 1 else None,
           "rss": run.rss_peak, "log": run.log_bytes, "outcome": "-", "goals": []}
    if quiet is None:
        return row

    def goal(what, met, figure=""):
        row["goals"].append((what, bool(met), figure))

    goal("honest players disconnected: 0", lost == 0, f"{lost}")
    goal(f"honest inbound <= 2 x quiet ({2 * quiet['inbound']:.4f} MB/s)",
         inbound <= 2 * quiet["inbound"], f"{inbound:.4f} MB/s")
    ran = row["ball_rate"] >= 0.9 * quiet["ball_rate"]
    p99_ok = row["p99"] is not None and quiet["p99"] is not None and \
        row["p99"] <= quiet["p99"] + 5
    goal(f"BallUpdate p99 <= quiet + 5 ms ({(quiet['p99'] or 0) + 5} ms), and >= 90 % of "
         f"the quiet rate arriving", p99_ok and ran,
         f"p99 {row['p99']} ms, {row['ball_rate']:.1f} of {quiet['ball_rate']:.1f} a second")
    goal("server log <= 1 MB", run.log_bytes <= LOG_GOAL_BYTES, f"{run.log_bytes} bytes")
    what, met, figure = ATTACK_GOALS[run.attack](run)
    goal(what, met, figure)
    row["outcome"] = run.result.get("outcome", "-")
    return row


def held_off_seats(run):
    most = max(p["seats"] for p in run.honest)
    return (f"the seat table stays within the player maximum ({run.players})",
            most <= run.players and run.result.get("own_seats_max", 0) <= run.players,
            f"largest Scoreboard {most} seats")


def held_off_joins(run):
    r = run.result
    most = max(p["roster"] for p in run.honest)
    return (f"at most 5 joins per 10 s from one address ({r.get('allowed')})",
            r.get("held_off", False),
            f"{r.get('joined')} admitted; largest Roster {most} entries")


def held_off_ready(run):
    seen = [p["ready"] for p in run.honest if p["ready"]]
    low = min([s[0] for s in seen] + [run.result.get("tally_low") or 0])
    high = max([s[1] for s in seen] + [run.result.get("tally_high") or 0])
    return ("the ready count stays within 0 and the players who pressed Ready (4)",
            low >= 0 and high <= 4, f"tallies {low:.0f} to {high:.0f}")


def held_off_kick(run):
    kick_at, ban_at = run.extra.get("kick_at", 0), run.extra.get("ban_at", 0)
    lost = {}
    for w in run.events:  # ms, what, name, connection number, ...
        if w[1] == "lost" and w[3] == "1" and int(w[0]) >= kick_at:
            lost.setdefault(w[2], int(w[0]) - kick_at)
    cut = len([n for n, after in lost.items() if after <= 2000]) == 2
    late_chat = sum(1 for p in run.honest for at, line in p["heard"]
                    if at > kick_at + 500 and re.match(rb"Squat\d:>hostile c1 ", line))
    probe = (run.extra.get("kick_probe") or [{"ok": False, "text": "not run"}])[0]
    banned = [w for w in run.events if w[1] == "refused" and w[2] == "Squat1" and w[3] == "7"
              and int(w[0]) >= ban_at]
    back_after_ban = [w for w in run.events if w[1] == "joined" and w[2] == "Squat1"
                      and int(w[0]) > ban_at + 300]
    players_listed = re.findall(rb"players: (\d+)", run.log_head)
    cut_text = ", ".join(f"{n} {ms} ms" for n, ms in sorted(lost.items())) or "none"
    listed = players_listed[-1].decode() if players_listed else "?"
    run.result["outcome"] = (
        f"kicked squatters cut off: {cut_text}; {late_chat} of their lines heard after the "
        f"kick; join after the kick: {probe['text']}; list after the kick: {listed} players; "
        f"after the ban: {len(banned)} refused as banned, {len(back_after_ban)} joined again")
    return ("kick disconnects, frees the slot and silences; ban refuses",
            cut and late_chat == 0 and probe["ok"] and banned and not back_after_ban,
            f"cut {len(lost)}/2, late lines {late_chat}, join {'ok' if probe['ok'] else 'NO'}, "
            f"ban {'refused' if banned and not back_after_ban else 'NOT refused'}")


def held_off_half_open(run):
    probes = run.extra.get("probes", [])
    clear = all(p["ok"] or p["code"] in CLEAR_REFUSALS for p in probes)
    said = "; ".join("joined" if p["ok"] else f"#{p['code']} {p['text']}" for p in probes)
    run.result["outcome"] = run.result.get("outcome", "-") + f"; honest joins: {said}"
    return ("an honest join succeeds or is refused with a clear reason", clear and probes,
            f"{sum(p['ok'] for p in probes)} of {len(probes)} joined")


def held_off_password(run):
    r = run.result
    return ("guesses locked out after 3 wrong answers",
            r.get("locked", False) and r.get("judged", 99) <= 3,
            f"{r.get('guesses')} guesses, {r.get('judged')} judged wrong")


def held_off_spoken_for(run):
    r = run.result
    forged = sum(1 for p in run.honest for _, line in p["heard"]
                 if b":>hostile forged" in line)
    return ("a bounce without a seat and another's name in Chat are ignored",
            r.get("marked_balls", 1) == 0 and r.get("forged_back", 1) == 0 and forged == 0,
            f"{r.get('marked_balls')} BallUpdates took the bounce, {forged} forged lines heard "
            f"by the honest players")


def held_off_log(run):
    problems = log_problems(run.log_head, run.log_complete)
    run.result["outcome"] = run.result.get("outcome", "-") + "; raw in the log: " + (
        ", ".join(f"{k} {v}" for k, v in problems.items()) or "nothing")
    return ("every control, C1, bidi override and invalid byte escaped in the log",
            not problems, ", ".join(f"{k} {v}" for k, v in problems.items()) or "none raw")


def held_off_discovery(run):
    r = run.result
    asked, answered = r.get("asked", 0), r.get("answered", 0)
    return ("the honest asker gets >= 90 % of its replies", asked and answered >= 0.9 * asked,
            f"{answered} of {asked}")


ATTACK_GOALS = {1: held_off_seats, 2: held_off_joins, 3: held_off_ready, 4: held_off_kick,
                5: held_off_half_open, 6: held_off_password, 7: held_off_spoken_for,
                8: held_off_log, 9: held_off_discovery}


def cell(value, goal=None):
    if goal is None:
        return value
    return f"{value} {'met' if goal[1] else 'NOT met'}"


def print_table(rows, seconds, players):
    print(f"\nHostile players: 3 honest players on 127.0.0.1, {seconds:g} s per attack "
          f"(kick: at least {KICK_SECONDS} s), a fresh `quorvex-server --headless --players "
          f"{players}` each (kick: 6 players; ready spoil: Points, limit 99; password guessing: "
          f"--password)")
    print("| Attack | Honest lost | Honest inbound MB/s | BallUpdate p99 / jitter ms | "
          "Ball updates /s | Server RSS MB | Log bytes | Attacker held off |")
    print("|---|---|---|---|---|---|---|---|")
    for r in rows:
        g = r["goals"] or [None] * 5
        p99 = f"{r['p99']} / {r['jitter']:.1f}" if r["p99"] is not None else "none"
        inbound = f"{r['inbound']:.4f}"
        held = cell("", g[4]).strip() if g[4] else "-"
        print(f"| {r['attack']} {NAMES[r['attack']]} | {cell(r['lost'], g[0])} | "
              f"{cell(inbound, g[1])} | {cell(p99, g[2])} | {r['ball_rate']:.1f} | "
              f"{r['rss']:.1f} | {cell(r['log'], g[3])} | {held} |")
    print()
    met = total = 0
    for r in rows:
        if not r["goals"]:
            continue
        print(f"attack {r['attack']} {NAMES[r['attack']]}: {r['outcome']}")
        for what, ok, figure in r["goals"]:
            met, total = met + ok, total + 1
            print(f"  goal: {what}: {'met' if ok else 'NOT met'} ({figure})")
    print(f"overall: {met} of {total} goals met"
          + ("" if met == total else f"; NOT met: {total - met}"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="the build directory, e.g. build/dev")
    parser.add_argument("--attacks", default="1,2,3,4,5,6,7,8,9",
                        help="which attacks, e.g. 1,3,7 (default all nine)")
    parser.add_argument("--seconds", type=float, default=20, help="per attack (default 20)")
    parser.add_argument("--players", type=int, default=12,
                        help="--players of the server (default 12)")
    args = parser.parse_args()
    try:
        attacks = [int(a) for a in args.attacks.split(",") if a.strip()]
    except ValueError:
        parser.error("--attacks takes numbers from 1 to 9, e.g. 1,3,7")
    if any(a not in ATTACK_GOALS for a in attacks) or args.seconds <= 0:
        parser.error("--attacks takes numbers from 1 to 9; --seconds a positive number")
    for path in (("server", "quorvex-server"), ("bench", "hostile", "honest_player")):
        if not os.access(os.path.join(args.build, *path), os.X_OK):
            parser.error(f"no {os.path.join(args.build, *path)}: build it first "
                         f"(cmake --build --preset dev --target quorvex-server honest_player)")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    started = time.monotonic()
    rows = []
    try:
        quiet = summarise(Run(args.build, 0, args.seconds, args.players).execute(), None)
        rows.append(quiet)
        print(f"quiet: inbound {quiet['inbound']:.4f} MB/s, BallUpdate p99 {quiet['p99']} ms, "
              f"{quiet['balls']:.0f} updates", flush=True)
        for attack in attacks:
            seconds = max(args.seconds, KICK_SECONDS) if attack == 4 else args.seconds
            row = summarise(Run(args.build, attack, seconds, args.players).execute(), quiet)
            rows.append(row)
            met = sum(ok for _, ok, _ in row["goals"])
            print(f"attack {attack} {NAMES[attack]}: {met} of {len(row['goals'])} goals met",
                  flush=True)
    finally:
        stop_all()
    print_table(rows, args.seconds, args.players)
    print(f"total {time.monotonic() - started:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())

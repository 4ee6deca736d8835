#!/usr/bin/env python3
"""Faults, measured: a real server in one network namespace, three players in another, joined
by a veth pair. Each case impairs the link (netem where the kernel has it, otherwise a relay
in the players' namespace that delays, jitters and holds back "lost" chunks for a
retransmission) or takes it down (veth link down/up), then prints one row of a table.
Needs root; exits 77 (skipped) with a message where namespaces cannot be made.
    fault_harness.py <directory with fault_relay, fault_player> <bench_server>"""

import os
import shutil
import statistics
import subprocess
import sys
import time

BIN = sys.argv[1] if len(sys.argv) > 1 else "."
SERVER = sys.argv[2] if len(sys.argv) > 2 else f"{BIN}/../server/bench_server"
TAG = str(os.getpid() % 100000)
NS_SERVER, NS_PLAYERS = "qvxs" + TAG, "qvxp" + TAG
VETH_SERVER, VETH_PLAYERS = "qvs" + TAG, "qvp" + TAG
SERVER_IP, PLAYERS_IP = "10.218.7.1", "10.218.7.2"
NAMES = ["Ann", "Bob", "Cid"]
PEER_TIMEOUT_S = 6  # the session's documented time-out (protocol/session/limits.h)

# name, delay ms, jitter ms, loss %, link down at s, link down for s, players send for s, run s
CASES = [
    ("50 ms +- 20 ms", 50, 20, 0, None, 0, 7, 9),
    ("2 % loss", 0, 0, 2, None, 0, 7, 9),
    ("100 ms + 5 % loss", 100, 0, 5, None, 0, 7, 9),
    ("3 s stall", 0, 0, 0, 2, 3, 8, 10),
    ("15 s outage", 0, 0, 0, 2, 15, 17, 19),
]


def run(*command, check=True):
    return subprocess.run(command, check=check, capture_output=True, text=True)


def in_ns(ns, *command, **popen):
    return subprocess.Popen(["ip", "netns", "exec", ns, *command], text=True, **popen)


def skip(why):
    print("fault harness SKIPPED: " + why)
    sys.exit(77)


def make_network():
    if os.geteuid() != 0:
        skip("network namespaces need root")
    if not shutil.which("ip"):
        skip("no ip command (iproute2)")
    for ns in (NS_SERVER, NS_PLAYERS):
        if run("ip", "netns", "add", ns, check=False).returncode != 0:
            skip("cannot make a network namespace here")
    run("ip", "link", "add", VETH_SERVER, "type", "veth", "peer", "name", VETH_PLAYERS)
    for ns, veth, ip in ((NS_SERVER, VETH_SERVER, SERVER_IP), (NS_PLAYERS, VETH_PLAYERS, PLAYERS_IP)):
        run("ip", "link", "set", veth, "netns", ns)
        run("ip", "-n", ns, "addr", "add", ip + "/24", "dev", veth)
        run("ip", "-n", ns, "link", "set", veth, "up")
        run("ip", "-n", ns, "link", "set", "lo", "up")


def remove_network():
    for ns in (NS_SERVER, NS_PLAYERS):
        run("ip", "netns", "del", ns, check=False)


def netem_works():
    if not shutil.which("tc"):
        return False
    for ns, veth in ((NS_SERVER, VETH_SERVER), (NS_PLAYERS, VETH_PLAYERS)):
        if run("tc", "-n", ns, "qdisc", "add", "dev", veth, "root", "netem", "delay", "0ms",
               check=False).returncode != 0:
            return False
    return True


def set_netem(delay, jitter, loss):
    for ns, veth in ((NS_SERVER, VETH_SERVER), (NS_PLAYERS, VETH_PLAYERS)):
        args = ["delay", f"{delay}ms"] + ([f"{jitter}ms"] if jitter else [])
        args += ["loss", f"{loss}%"] if loss else []
        run("tc", "-n", ns, "qdisc", "change", "dev", veth, "root", "netem", *args)


def first_line(process, word):
    line = process.stdout.readline()
    if not line.startswith(word + " "):
        raise RuntimeError(f"expected {word}, got {line!r}")
    return line.split()[1]


def run_case(case, netem):
    name, delay, jitter, loss, down_at, down_for, send_s, run_s = case
    server = in_ns(NS_SERVER, SERVER, "--drops", stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    server_start = time.monotonic()
    relay = None
    try:
        port = first_line(server, "PORT")
        host = SERVER_IP
        if netem:
            set_netem(delay, jitter, loss)
        elif delay or loss:
            relay = in_ns(NS_PLAYERS, f"{BIN}/fault_relay", SERVER_IP, port, str(delay),
                          str(jitter), str(loss), "7", stdout=subprocess.PIPE)
            host, port = "127.0.0.1", first_line(relay, "PORT")
        players = [in_ns(NS_PLAYERS, f"{BIN}/fault_player", host, port, n, str(len(NAMES)),
                         str(send_s), str(run_s),
                         stdout=subprocess.PIPE) for n in NAMES]
        start = time.monotonic()
        down_since = None
        if down_at is not None:
            time.sleep(down_at)
            run("ip", "-n", NS_PLAYERS, "link", "set", VETH_PLAYERS, "down")
            down_since = time.monotonic() - start
            time.sleep(down_for)
            run("ip", "-n", NS_PLAYERS, "link", "set", VETH_PLAYERS, "up")
        reports = {n: p.communicate(timeout=run_s + 15)[0] for n, p in zip(NAMES, players)}
        # Players that end close their connections: the server drops those too, afterwards.
        ended_ms = (start + run_s - server_start) * 1000 - 300
        server.stdin.write("quit\n")
        server.stdin.flush()
        dropped = [(int(w[1]), int(w[2]) / 1000 - (start - server_start))
                   for w in (line.split() for line in server.communicate(timeout=10)[0].splitlines())
                   if w[0] == "DROPPED" and int(w[2]) < ended_ms]
    finally:
        for p in (server, relay):
            if p and p.poll() is None:
                p.kill()
                p.wait()
    return summarise(name, reports, dropped, down_since)


def parse(report):
    sent, heard, balls, lost = (0, 0), {}, [], (0, -1, 0)
    for line in report.splitlines():
        words = line.split()
        if words[0] == "SENT":
            sent = (int(words[1]), int(words[2]))
        elif words[0] == "HEARD":
            heard[words[1]] = (int(words[2]), words[3] == "1", int(words[4]), words[5] == "1")
        elif words[0] == "BALLS":
            balls = [int(w) for w in words[1:]]
        elif words[0] == "LOST":
            lost = (int(words[1]), int(words[2]), int(words[3]))
    return sent, heard, balls, lost


def summarise(name, reports, dropped, down_since):
    parsed = {n: parse(r) for n, r in reports.items()}
    intact = True
    heard_total = expected_total = 0
    for listener, (_, heard, _, lost) in parsed.items():
        for sender, (sent, _, _, sender_lost) in parsed.items():
            chat, chat_ok, paddles, paddles_ok = heard.get(sender, (0, True, 0, True))
            declared_lost = lost[0] or sender_lost[0]
            heard_total += chat + paddles
            expected_total += sum(sent)
            # Once and in order, all of it, or a prefix where the connection was declared lost.
            if not (chat_ok and paddles_ok) or (
                    not declared_lost and (chat, paddles) != sent):
                intact = False
                print(f"{name}: {listener} heard {chat} chat lines (in order: {chat_ok}) and "
                      f"{paddles} paddle reports (in order: {paddles_ok}) of {sender}'s {sent}",
                      file=sys.stderr)
    intervals = [i for (_, _, balls, _) in parsed.values() for i in balls]
    q = statistics.quantiles(intervals, n=100) if len(intervals) > 2 else [0] * 99
    lost_players = [n for n, (_, _, _, lost) in parsed.items() if lost[0]]
    notices_shown = bool(lost_players) and all(lost[2] for (_, _, _, lost) in parsed.values()
                                               if lost[0])
    drop_after = None
    if dropped and down_since is not None:
        drop_after = max(at for _, at in dropped) - down_since
    return {
        "case": name,
        "intact": ("yes" if intact else "NO") + f" ({heard_total} of {expected_total} heard)",
        "p50": q[49],
        "p99": q[98],
        "dropped": f"{len(dropped)} by the server"
                   + (f" {drop_after:.1f} s into the outage" if drop_after is not None else "")
                   + f", {len(lost_players)} players lost the server"
                   + (" (notice shown)" if notices_shown else
                      " (NO notice)" if lost_players else ""),
        "all_intact": intact,
        "notices_shown": notices_shown,
        "lost_players": len(lost_players),
        "dropped_count": len(dropped),
        "drop_after": drop_after,
    }


def main():
    started = time.monotonic()
    make_network()
    try:
        netem = netem_works()
        how = "netem" if netem else "user-space relay (no netem in this kernel)"
        rows = [run_case(case, netem) for case in CASES]
    finally:
        remove_network()
    print(f"\nFault harness: 3 players, impairment by {how}; stall and outage by veth link down/up")
    print("| Case | Every chat line and paddle report once, in order (or declared lost) "
          "| Ball interval p50 / p99 (ms) | Dropped |")
    print("|---|---|---|---|")
    for r in rows:
        print(f"| {r['case']} | {r['intact']} | {r['p50']:.0f} / {r['p99']:.0f} | {r['dropped']} |")
    stall, outage = rows[3], rows[4]
    goals = [
        ("nothing lost or duplicated silently", all(r["all_intact"] for r in rows)),
        ("a 3 s stall drops nobody", stall["dropped_count"] == 0 and stall["lost_players"] == 0),
        (f"a 15 s outage drops every player within the {PEER_TIMEOUT_S} s time-out (+1 s)",
         outage["dropped_count"] == 3 and outage["drop_after"] is not None
         and outage["drop_after"] <= PEER_TIMEOUT_S + 1),
        ("the players show the lost-connection notice",
         outage["lost_players"] == 3 and outage["notices_shown"]),
    ]
    for what, met in goals:
        print(f"goal: {what}: {'met' if met else 'NOT met'}")
    print("total %.0f s" % (time.monotonic() - started))
    # Timings are figures on a shared machine; a message lost or repeated without notice is a
    # fault wherever it happens.
    return 0 if goals[0][1] else 1


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The unfriendly players of the hostile-player harness: raw sockets speaking the documented
wire format (docs/protocol.md), each attack staying inside every documented limit of one
connection. Loopback only. Attackers bind source addresses 127.0.0.2 and up, each a host of its
own (127.0.0.1, the server's own machine, is exempt from the limits per address).
    hostile_attacks.py --attack N --port P --seconds S [--password TEXT]
Prints "EVENT <monotonic ms> ..." lines while it runs (the harness reacts to some of them) and
one "RESULT <json>" line at the end: what the attacker saw, and its outcome in words."""

import argparse
import json
import math
import os
import resource
import selectors
import socket
import struct
import sys
import time

APP = b"{9794A24B-5FF9-40DF-B298-550657F3CA98}"
SERVER = "127.0.0.1"

HELLO, WELCOME, REFUSE, DATA, KEEPALIVE, CHALLENGE, ANSWER = 1, 2, 3, 4, 5, 6, 7
CHAT, ROSTER, SCOREBOARD, BALL_UPDATE, BALL_EVENT, SEAT_REQUEST, READY = 1, 2, 4, 5, 6, 9, 10
SEAT_TAKE, SEAT_GIVE_UP, SEAT_GIVE_UP_READY = 1, 2, 3

REASONS = {1: "wrong application", 2: "session full", 3: "malformed", 4: "name too long",
           5: "no identifiers", 6: "wrong password", 7: "banned", 8: "too many joins",
           9: "busy", 10: "password lockout"}


def now_ms():
    return int(time.monotonic() * 1000)


def event(*words):
    print("EVENT", now_ms(), *words, flush=True)


def text(b):
    return struct.pack("<H", len(b)) + b


def frame(kind, payload=b""):
    return struct.pack("<IB", 1 + len(payload), kind) + payload


def hello(name, nonce=b""):
    return frame(HELLO, struct.pack("<H", 1) + text(APP) + text(name) + nonce)


def data(message):
    return frame(DATA, message)


def chat(line):
    return data(bytes([CHAT]) + text(line))


def seat_request(request, ident):
    return data(bytes([SEAT_REQUEST, request]) + text(ident))


def ready():
    return data(bytes([READY]))


def ball_event(kind, value):
    return data(bytes([BALL_EVENT, kind]) + text(value))


def read_text(payload, offset):
    """A String at `offset`: (bytes, next offset), or (None, offset) past the end."""
    if offset + 2 > len(payload):
        return None, offset
    (n,) = struct.unpack_from("<H", payload, offset)
    if offset + 2 + n > len(payload):
        return None, offset
    return bytes(payload[offset + 2:offset + 2 + n]), offset + 2 + n


class Conn:
    """One TCP connection from `source`, non-blocking, reading frames as they come. With a
    name it sends Hello as soon as it is connected."""

    def __init__(self, loop, source, port, name=None, nonce=b"", on_data=None):
        self.loop, self.name, self.on_data = loop, name, on_data
        self.state = "connecting"  # then open, joined, refused, closed
        self.id = None
        self.refusal = None  # (reason, text)
        self.challenge = None
        self.cause = None  # why it closed: eof, reset, refused, ours, error
        self.opened_at = time.monotonic()
        self.last_sent = self.opened_at
        self.inbuf = bytearray()
        self.out = bytearray()
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.sock.setblocking(False)
        try:
            self.sock.bind((source, 0))
            self.sock.connect_ex((SERVER, port))
        except OSError:
            self.sock.close()
            self.state, self.cause = "closed", "error"
            return
        if name is not None:
            self.out += hello(name, nonce)
        loop.sel.register(self.sock, selectors.EVENT_READ | selectors.EVENT_WRITE, self)

    @property
    def alive(self):
        return self.state != "closed"

    def send(self, b):
        if not self.alive:
            return
        self.out += b
        self.last_sent = time.monotonic()
        if self.state != "connecting":
            self.flush()

    def flush(self):
        while self.out and self.alive:
            try:
                n = self.sock.send(self.out)
            except BlockingIOError:
                break
            except OSError:
                self.close("reset")
                return
            del self.out[:n]
        if self.alive:
            mask = selectors.EVENT_READ | (selectors.EVENT_WRITE if self.out else 0)
            self.loop.sel.modify(self.sock, mask, self)

    def close(self, cause="ours", reset=False):
        if not self.alive:
            return
        try:
            self.loop.sel.unregister(self.sock)
        except (KeyError, ValueError):
            pass
        if reset:
            self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.sock.close()
        self.state, self.cause = "closed", cause

    def ready_event(self, mask):
        if self.state == "connecting" and mask & selectors.EVENT_WRITE:
            err = self.sock.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR)
            if err:
                self.close("error")
                return
            self.state = "open"
        if mask & selectors.EVENT_READ:
            self.read()
        if self.alive and (mask & selectors.EVENT_WRITE or self.out):
            self.flush()

    def read(self):
        while self.alive:
            try:
                chunk = self.sock.recv(1 << 20)
            except BlockingIOError:
                break
            except OSError:
                self.close("reset")
                return
            if not chunk:
                self.close("refused" if self.refusal else "eof")
                return
            self.inbuf += chunk
            self.parse()
            if len(chunk) < (1 << 20):
                break

    def parse(self):
        at, buf = 0, self.inbuf
        while len(buf) - at >= 5:
            (n,) = struct.unpack_from("<I", buf, at)
            if len(buf) - at < 4 + n:
                break
            kind = buf[at + 4]
            payload = memoryview(buf)[at + 5:at + 4 + n]
            at += 4 + n
            self.frame(kind, payload)
            del payload
            if not self.alive:
                return
        del buf[:at]

    def frame(self, kind, payload):
        if kind == WELCOME and len(payload) >= 4:
            self.id = struct.unpack_from("<i", payload)[0]
            self.state = "joined"
        elif kind == REFUSE and len(payload) >= 1:
            words, _ = read_text(payload, 1)
            self.refusal = (payload[0], (words or b"").decode("utf-8", "replace"))
            self.state = "refused"
        elif kind == CHALLENGE:
            self.challenge = bytes(payload)
        elif kind == DATA and self.on_data and len(payload):
            self.on_data(self, payload)

    def keep_alive(self, now):
        if self.state == "joined" and now - self.last_sent >= 1.0:
            self.send(frame(KEEPALIVE))


class Loop:
    def __init__(self):
        self.sel = selectors.DefaultSelector()

    def run(self, until, tick=None, step=0.005):
        """Serves every connection until the monotonic time `until`, calling tick(now)."""
        while True:
            now = time.monotonic()
            if now >= until:
                return
            for key, mask in self.sel.select(min(step, until - now)):
                key.data.ready_event(mask)
            if tick and tick(time.monotonic()) is False:
                return

    def wait_for(self, conns, seconds, tick=None):
        """Serves until every conn in `conns` is joined, refused or closed (or time is up)."""
        until = time.monotonic() + seconds

        def done(now):
            if tick:
                tick(now)
            return not all(c.state in ("joined", "refused", "closed") for c in conns)

        self.run(until, done)


class Pacer:
    """How many of something are due at `rate` a second since the start."""

    def __init__(self, rate, start):
        self.rate, self.start, self.done = rate, start, 0

    def due(self, now, cap=50):
        n = min(int((now - self.start) * self.rate) - self.done, cap)
        n = max(n, 0)
        self.done += n
        return n


def raise_file_limit():
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft < hard:
        resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))


def join_one(loop, source, port, name, seconds=5, on_data=None):
    conn = Conn(loop, source, port, name, on_data=on_data)
    loop.wait_for([conn], seconds)
    return conn


def describe_refusal(conn):
    if conn.refusal:
        return f"refused {conn.refusal[0]} ({REASONS.get(conn.refusal[0], '?')})"
    return f"closed ({conn.cause or conn.state})"


# 1. One player takes thousands of seats: SeatRequest take naming itself, 190 a second.
def seat_grab(port, seconds, args):
    loop = Loop()
    seen = {"own_max": 0, "table_max": 0, "boards": 0}
    pattern = []

    def on_data(conn, payload):
        if payload[0] == SCOREBOARD and len(payload) >= 3:
            (n,) = struct.unpack_from("<h", payload, 1)
            seen["boards"] += 1
            seen["table_max"] = max(seen["table_max"], n)
            # The identifiers come first; wins and misses are short numbers that never match.
            if pattern:
                seen["own_max"] = max(seen["own_max"], bytes(payload).count(pattern[0]))

    conn = join_one(loop, "127.0.0.2", port, b"Grabber", on_data=on_data)
    if conn.state != "joined":
        return {"outcome": "could not join: " + describe_refusal(conn)}
    pattern.append(text(str(conn.id).encode()))
    start = time.monotonic()
    pacer = Pacer(190, start)
    sent = [0]
    lost_at = [None]

    def tick(now):
        for _ in range(pacer.due(now)):
            conn.send(seat_request(SEAT_TAKE, str(conn.id).encode()))
            sent[0] += 1
        conn.keep_alive(now)
        if not conn.alive and lost_at[0] is None:
            lost_at[0] = now - start
            return False

    loop.run(start + seconds, tick)
    held_off = seen["own_max"] <= 1
    if lost_at[0] is not None:
        how = f"cut off after {lost_at[0]:.1f} s"
    elif held_off:
        how = "ignored"
    else:
        how = "NOT held off"
    return {"outcome": f"{how}: held at most {seen['own_max']} seats of {sent[0]} asked",
            "requests": sent[0], "own_seats_max": seen["own_max"],
            "table_max": seen["table_max"], "cut_off": lost_at[0] is not None,
            "held_off": held_off or lost_at[0] is not None}


# 2. Connect-and-drop: joins with 256-byte names from one address, hanging up at once.
def connect_and_drop(port, seconds, args):
    loop = Loop()
    start = time.monotonic()
    pacer = Pacer(190, start)
    pending, counts = [], {"attempts": 0, "joined": 0, "refused": {}, "cut": 0, "timeout": 0}

    def settle(now):
        for conn in pending[:]:
            if conn.state == "joined":
                counts["joined"] += 1
                conn.close()
            elif conn.state == "refused" or (conn.state == "closed" and conn.refusal):
                reason = str(conn.refusal[0])
                counts["refused"][reason] = counts["refused"].get(reason, 0) + 1
                conn.close()
            elif conn.state == "closed":
                counts["cut"] += 1
            elif now - conn.opened_at > 5:
                counts["timeout"] += 1
                conn.close()
            else:
                continue
            pending.remove(conn)

    def tick(now):
        settle(now)
        for _ in range(pacer.due(now)):
            if len(pending) >= 64:
                break
            name = f"drop{counts['attempts']:07d}".encode().ljust(256, b"x")
            pending.append(Conn(loop, "127.0.0.2", port, name))
            counts["attempts"] += 1

    loop.run(start + seconds, tick)
    loop.wait_for(pending, 1.0)
    settle(time.monotonic() + 10)
    refused = sum(counts["refused"].values())
    allowed = 5 * math.ceil(seconds / 10)  # at most 5 in any 10 s
    how = "refused" if counts["joined"] <= allowed else "NOT held off"
    return {"outcome": f"{how}: {counts['joined']} of {counts['attempts']} joins admitted, "
                       f"{refused} refused {counts['refused']}, {counts['cut']} cut, "
                       f"{counts['timeout']} unanswered",
            **counts, "held_off": counts["joined"] <= allowed, "allowed": allowed}


# 3. Ready count spoiled: an unseated player sends SeatRequest 3 again and again, then Ready
# again and again.
def ready_spoil(port, seconds, args):
    loop = Loop()
    tallies = []

    def on_data(conn, payload):
        if payload[0] == READY:
            value, _ = read_text(payload, 1)
            try:
                tallies.append(int(value))
            except (TypeError, ValueError):
                pass

    conn = join_one(loop, "127.0.0.2", port, b"Spoiler", on_data=on_data)
    if conn.state != "joined":
        return {"outcome": "could not join: " + describe_refusal(conn)}
    me = str(conn.id).encode()
    conn.send(seat_request(SEAT_GIVE_UP, me))
    start = time.monotonic()
    half = start + seconds / 2
    withdraws, readies = Pacer(50, start), Pacer(60, half)
    sent = {"withdraw": 0, "ready": 0}

    def tick(now):
        if now < half:
            for _ in range(withdraws.due(now)):
                conn.send(seat_request(SEAT_GIVE_UP_READY, me))
                sent["withdraw"] += 1
        else:
            for _ in range(readies.due(now)):
                conn.send(ready())
                sent["ready"] += 1
        conn.keep_alive(now)
        if not conn.alive:
            return False

    loop.run(start + seconds, tick)
    low, high = (min(tallies), max(tallies)) if tallies else (None, None)
    held_off = low is None or (low >= 0 and high <= 4)
    how = "cut off" if not conn.alive else "ignored" if held_off else "NOT held off"
    return {"outcome": f"{how}: {sent['withdraw']} SeatRequest 3 then {sent['ready']} Ready; "
                       f"tallies seen {low} to {high}",
            "tally_low": low, "tally_high": high, "held_off": held_off or not conn.alive, **sent}


# 4. Kick does not kick: two squatters chat; the harness kicks them from the console, then
# bans the one that comes back. Squat1 reconnects a second after every loss; Squat2 never.
def kick_squatters(port, seconds, args):
    loop = Loop()
    start = time.monotonic()
    squatters = {1: {"source": "127.0.0.2", "conn": None, "n": 0, "lost_at": None, "seq": 0},
                 2: {"source": "127.0.0.3", "conn": None, "n": 0, "lost_at": None, "seq": 0}}
    refusals = []

    def connect(k):
        s = squatters[k]
        s["n"] += 1
        s["conn"] = Conn(loop, s["source"], port, f"Squat{k}".encode())
        s["announced"] = False
        s["last_chat"] = 0

    for k in squatters:
        connect(k)

    def tick(now):
        for k, s in squatters.items():
            c = s["conn"]
            if c is None:
                if k == 1 and now - s["lost_at"] >= 1.0:
                    connect(k)
                continue
            if c.state == "joined" and not s["announced"]:
                s["announced"] = True
                event("joined", f"Squat{k}", c.id, s["n"])
            if c.state == "joined" and now - s["last_chat"] >= 0.5:
                s["last_chat"] = now
                s["seq"] += 1
                c.send(chat(f"Squat{k}:>hostile c{s['n']} n{s['seq']}".encode()))
                c.send(ready())
            c.keep_alive(now)
            if c.state == "refused" or not c.alive:
                if c.refusal:
                    event("refused", f"Squat{k}", c.refusal[0], s["n"])
                    refusals.append((k, c.refusal[0]))
                    c.close("refused")
                else:
                    event("lost", f"Squat{k}", s["n"], c.cause)
                s["conn"], s["lost_at"] = None, now

    loop.run(start + seconds, tick)
    return {"outcome": f"connections made: Squat1 {squatters[1]['n']}, Squat2 "
                       f"{squatters[2]['n']}; refusals {sorted(set(refusals))}",
            "refusals": refusals}


# 5. Half-open slots: 128 connections from one address and 8 from each of 16 more, never
# saying Hello. Every 4.5 s, before the server's 5 s time-out, it hangs them all up and opens
# them again in order, the one address's 128 first, so that those come in while few
# connections are shaking hands; one the server closes or refuses meanwhile is opened again
# half a second later.
HALF_OPEN_CYCLE_S = 4.5
HALF_OPEN_PAUSE_S = 0.1  # lets the server see the hang-ups before the new connections come
# Connections opened at once, then a pause: within the server's accept backlog, whose overflow
# would make connections wait for a SYN retransmission and come in out of order.
HALF_OPEN_BATCH = 16
HALF_OPEN_BATCH_GAP_S = 0.025


def half_open(port, seconds, args):
    raise_file_limit()
    loop = Loop()
    sources = ["127.0.0.2"] * 128 + [f"127.0.0.{3 + i}" for i in range(16) for _ in range(8)]
    slots = [None] * len(sources)
    counts = {"opened": 0, "closed_by_server": 0, "refused": {}, "most_open": 0}
    start = time.monotonic()
    cycle = {"next": start, "reopen_at": start, "queue": list(range(len(sources)))}

    def open_slot(i):
        slots[i] = Conn(loop, sources[i], port)
        counts["opened"] += 1

    def tick(now):
        if now >= cycle["next"]:
            cycle["next"] += HALF_OPEN_CYCLE_S
            for i, conn in enumerate(slots):
                if conn is not None and conn.alive:
                    conn.counted = True  # ours, not the server's doing
                    conn.close(reset=True)
            cycle["reopen_at"] = now + HALF_OPEN_PAUSE_S
            cycle["queue"] = list(range(len(sources)))
        if now >= cycle["reopen_at"] and cycle["queue"]:
            cycle["reopen_at"] = now + HALF_OPEN_BATCH_GAP_S
            batch, cycle["queue"] = cycle["queue"][:HALF_OPEN_BATCH], \
                cycle["queue"][HALF_OPEN_BATCH:]
            for i in batch:
                open_slot(i)
        open_now = 0
        for i, conn in enumerate(slots):
            if conn is None:
                continue
            if conn.alive and conn.state != "refused":
                open_now += conn.state == "open"
                continue
            if not getattr(conn, "counted", False):
                conn.counted = True
                if conn.refusal:
                    reason = str(conn.refusal[0])
                    counts["refused"][reason] = counts["refused"].get(reason, 0) + 1
                else:
                    counts["closed_by_server"] += 1
                conn.close()
            if now - conn.opened_at >= 0.5 and i not in cycle["queue"]:
                open_slot(i)
        counts["most_open"] = max(counts["most_open"], open_now)

    loop.run(start + seconds, tick, step=0.02)
    for conn in slots:
        if conn is not None:
            conn.close(reset=True)
    refused = sum(counts["refused"].values())
    return {"outcome": f"held up to {counts['most_open']} of {len(sources)} at once; "
                       f"{counts['opened']} opened, {counts['closed_by_server']} closed by the "
                       f"server, {refused} refused {counts['refused']}", **counts}


# 6. Password guessing: answers as fast as one script can make them, one address.
def password_guessing(port, seconds, args):
    loop = Loop()
    start = time.monotonic()
    counts = {"connections": 0, "guesses": 0, "refused": {}, "welcomed": 0, "cut": 0,
              "unanswered": 0}
    first_lockout = [None]

    def note_refusal(conn):
        reason = str(conn.refusal[0])
        counts["refused"][reason] = counts["refused"].get(reason, 0) + 1
        if conn.refusal[0] == 10 and first_lockout[0] is None:
            first_lockout[0] = counts["guesses"]

    while time.monotonic() < start + seconds:
        conn = Conn(loop, "127.0.0.2", port, b"Guesser")
        counts["connections"] += 1
        until = min(time.monotonic() + 5, start + seconds)
        loop.run(until, lambda now: not (conn.challenge or conn.state in ("joined", "refused",
                                                                            "closed")))
        guessed = bool(conn.challenge and conn.alive)
        if guessed:
            conn.send(frame(ANSWER, os.urandom(32)))
            counts["guesses"] += 1
            loop.run(min(time.monotonic() + 5, start + seconds + 1),
                     lambda now: conn.state not in ("joined", "refused", "closed"))
        if conn.refusal:
            note_refusal(conn)
        elif conn.state == "joined":
            counts["welcomed"] += 1
        elif not conn.alive:
            counts["cut"] += 1
        else:
            counts["unanswered"] += 1
        # Reset, not closed: thousands of connections would otherwise wait in TIME_WAIT.
        conn.close(reset=True)
        if not guessed:
            # Turned away before it could guess: it asks again 20 times a second, watching for
            # the lockout's end, rather than flooding the door.
            time.sleep(0.05)
    judged = counts["refused"].get("6", 0)
    locked = first_lockout[0] is not None
    how = "locked out" if locked else "NOT held off"
    return {"outcome": f"{how}: {counts['guesses']} guesses in {seconds} s, "
                       f"{judged} judged wrong, refusals {counts['refused']}"
                       + (f", locked out after {first_lockout[0]} guesses" if locked else ""),
            **counts, "judged": judged, "locked": locked}


# 7. Others spoken for: a bounce from a player without a seat, and chat lines under others'
# names.
def spoken_for(port, seconds, args):
    loop = Loop()
    marker = b"1.7e2"  # a direction no honest client writes (they send whole degrees)
    seen = {"marked_balls": 0, "balls": 0, "forged_back": 0}

    def on_data(conn, payload):
        if payload[0] == BALL_UPDATE:
            seen["balls"] += 1
            if bytes(payload).endswith(text(marker)):
                seen["marked_balls"] += 1
        elif payload[0] == CHAT:
            line, _ = read_text(payload, 1)
            if line and b":>hostile forged" in line:
                seen["forged_back"] += 1

    conn = join_one(loop, "127.0.0.2", port, b"Mallory", on_data=on_data)
    if conn.state != "joined":
        return {"outcome": "could not join: " + describe_refusal(conn)}
    conn.send(seat_request(SEAT_GIVE_UP, str(conn.id).encode()))
    start = time.monotonic()
    bounces, lines = Pacer(5, start), Pacer(2, start)
    sent = {"bounces": 0, "forged": 0}
    names = [b"Ann", b"Bob", b"Cid"]

    def tick(now):
        for _ in range(bounces.due(now)):
            conn.send(ball_event(1, marker))
            sent["bounces"] += 1
        for _ in range(lines.due(now)):
            who = names[sent["forged"] % 3]
            conn.send(chat(who + b":>hostile forged " + str(sent["forged"]).encode()))
            sent["forged"] += 1
        conn.keep_alive(now)
        if not conn.alive:
            return False

    loop.run(start + seconds, tick)
    held_off = seen["marked_balls"] == 0 and seen["forged_back"] == 0
    how = "cut off" if not conn.alive else "ignored" if held_off else "NOT held off"
    return {"outcome": f"{how}: {seen['marked_balls']} of {seen['balls']} BallUpdates took its "
                       f"{sent['bounces']} bounces; {seen['forged_back']} of {sent['forged']} "
                       f"forged lines relayed", **seen, **sent,
            "held_off": held_off or not conn.alive}


NASTY_NAMES = [
    b"Inv\xff\xfe\xc0\x80utf8",                       # invalid UTF-8, an overlong NUL
    "C1\u009b31mred".encode(),                        # C1 CSI
    "Bidi\u202etxt.exe".encode(),                     # right-to-left override
    b"Esc\x1b[2J\x1b[31mred",                         # ESC, clear screen
    b"New\n2026-01-01 00:00:00 joined: 1 \"fake\"",    # a forged log line
    "Iso\u2066\u200f\x7f\u0085x".encode(),            # isolate, RLM, DEL, NEL
]


# 8. Log injection: names, chat lines and seat claims full of controls, bidi overrides and
# invalid bytes, each name from an address of its own (so no join limit hides it).
def log_injection(port, seconds, args):
    loop = Loop()
    start = time.monotonic()
    conns = []
    for i, name in enumerate(NASTY_NAMES):
        conns.append(Conn(loop, f"127.0.0.{2 + i}", port, name))
    loop.wait_for(conns, 5)
    joined = [c for c in conns if c.state == "joined"]
    for c, name in zip(conns, NASTY_NAMES):
        if c.state != "joined":
            continue
        me = str(c.id).encode()
        c.send(seat_request(SEAT_GIVE_UP, me))
        c.send(seat_request(SEAT_TAKE, me))
        c.send(seat_request(SEAT_TAKE, name))  # a claim that is no number at all
        c.send(seat_request(SEAT_TAKE, b"1\x1b[31m\xff"))
        c.send(chat(name + b":>" + name))
        c.send(chat(b"Ann:>" + name))
        c.send(ball_event(2, b"7\x1b\xff"))
    lines = Pacer(0.5, start)

    def tick(now):
        for _ in range(lines.due(now)):
            for c, name in zip(conns, NASTY_NAMES):
                c.send(chat(name + b":>\x1b[31m" + "\u009b\u202e".encode() + b"\xff"))
        for c in conns:
            c.keep_alive(now)

    loop.run(start + seconds * 0.8, tick)
    for c in conns:  # hangs up: the server logs the lost connection with the name
        c.close()
    loop.run(start + seconds, None)
    return {"outcome": f"{len(joined)} of {len(conns)} nasty names joined",
            "joined": len(joined)}


# 9. Discovery starved: 300 queries a second from one address while an honest asker on
# another address asks once a second.
def discovery_starved(port, seconds, args):
    def query(token):
        q = bytes([1]) + struct.pack("<H", 1) + text(APP) + struct.pack("<I", token)
        return q.ljust(512, b"\0")

    def reply_token(datagram):
        if len(datagram) < 3 or datagram[0] != 2:
            return None
        app, at = read_text(datagram, 3)
        if app != APP or at + 4 > len(datagram):
            return None
        return struct.unpack_from("<I", datagram, at)[0]

    flood = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    flood.bind(("127.0.0.2", 0))
    flood.setblocking(False)
    asker = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    asker.bind(("127.0.0.3", 0))
    asker.setblocking(False)
    start = time.monotonic()
    flood_pacer, ask_pacer = Pacer(300, start), Pacer(1, start - 0.999)
    counts = {"flood_sent": 0, "flood_replies": 0, "asked": 0, "answered": 0}
    asked_tokens = set()
    sel = selectors.DefaultSelector()
    sel.register(flood, selectors.EVENT_READ, "flood")
    sel.register(asker, selectors.EVENT_READ, "asker")
    flood_query = query(0xF100D)
    while True:
        now = time.monotonic()
        if now >= start + seconds + 0.5:
            break
        if now < start + seconds:
            for _ in range(flood_pacer.due(now)):
                try:
                    flood.sendto(flood_query, (SERVER, port))
                    counts["flood_sent"] += 1
                except OSError:
                    pass
            for _ in range(ask_pacer.due(now)):
                token = 0x5EED0000 + counts["asked"]
                asked_tokens.add(token)
                asker.sendto(query(token), (SERVER, port))
                counts["asked"] += 1
        for key, _ in sel.select(0.002):
            while True:
                try:
                    datagram = key.fileobj.recv(2048)
                except BlockingIOError:
                    break
                token = reply_token(datagram)
                if key.data == "flood" and token == 0xF100D:
                    counts["flood_replies"] += 1
                elif key.data == "asker" and token in asked_tokens:
                    asked_tokens.discard(token)
                    counts["answered"] += 1
    flood.close()
    asker.close()
    rate = counts["flood_replies"] / seconds
    return {"outcome": f"flood answered {counts['flood_replies']} of {counts['flood_sent']} "
                       f"({rate:.0f}/s); honest asker answered {counts['answered']} of "
                       f"{counts['asked']}", **counts}


ATTACKS = {1: seat_grab, 2: connect_and_drop, 3: ready_spoil, 4: kick_squatters, 5: half_open,
           6: password_guessing, 7: spoken_for, 8: log_injection, 9: discovery_starved}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--attack", type=int, required=True, choices=sorted(ATTACKS))
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--seconds", type=float, required=True)
    parser.add_argument("--password")
    args = parser.parse_args()
    try:
        result = ATTACKS[args.attack](args.port, args.seconds, args)
    except OSError as error:
        result = {"outcome": f"attacker failed: {error}"}
    print("RESULT " + json.dumps(result), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

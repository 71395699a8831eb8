#!/usr/bin/env python3
"""A hall of phones against the running program's site (python3 standard library only).

  checkin_load.py --port P --db EVENT/db/db.mdb --url-command CMD --draw-command CMD
                  [--streams 500] [--concurrency 32] [--spread 40]

(a) opens --streams live winner streams, runs --draw-command (a start and a stop on the handset; it prints
    the wall-clock time of the stop keypress) and times each stream's first "event: winner" from that press;
(b) checks in everyone in the roster (form, then post), at most --concurrency at a time, their arrivals spread
    evenly over --spread seconds, and counts the answers; then reads the database: everyone checked in once,
    one "checked in" journal row each.
--url-command prints the stage's current check-in link (the room token changes every minute).
Prints the figures; exits 1 when a check fails.
"""
import argparse
import asyncio
import http.client
import re
import shlex
import subprocess
import threading
import time
import urllib.parse
from concurrent.futures import ThreadPoolExecutor

DB_KEY = "kzm_30918265"
STREAM_LIMIT_S = 1.0
failures = []


def check(what, ok):
    print(("  ok    " if ok else "  FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)


def sql(db, statement):
    script = f".timeout 5000\nPRAGMA key='{DB_KEY}';\nselect '-- rows --';\n{statement}\n"
    out = subprocess.run(["sqlcipher", "-batch", "-bail", "-noheader", "-separator", "|", db], input=script,
                         capture_output=True, text=True, check=True).stdout
    return [line.split("|") for line in out.split("-- rows --\n", 1)[1].splitlines() if line]


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, max(0, int(round(p / 100 * len(ordered) + 0.5)) - 1))]


def run(command):
    return subprocess.run(shlex.split(command), capture_output=True, text=True, check=True).stdout.strip()


# (a) ------------------------------------------------------------------------------------------------------


async def open_stream(port, opened):
    reader, writer = await asyncio.open_connection("127.0.0.1", port)
    writer.write(f"GET /winners/stream HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n"
                 "Accept: text/event-stream\r\n\r\n".encode())
    await writer.drain()
    head = await reader.readuntil(b"\r\n\r\n")
    if not head.startswith(b"HTTP/1.1 200"):
        raise RuntimeError(head.split(b"\r\n", 1)[0].decode(errors="replace"))
    opened.release()
    return reader, writer


async def first_winner(reader):
    seen = b""
    while b"event: winner" not in seen:
        chunk = await reader.read(4096)
        if not chunk:
            return None
        seen = seen[-64:] + chunk
    return time.time()


async def streams_phase(args):
    opened = asyncio.Semaphore(0)
    gate = asyncio.Semaphore(args.concurrency)

    async def one():
        async with gate:
            reader, writer = await open_stream(args.port, opened)
        return reader, writer

    started = time.monotonic()
    results = await asyncio.gather(*(one() for _ in range(args.streams)), return_exceptions=True)
    streams = [r for r in results if not isinstance(r, BaseException)]
    errors = [r for r in results if isinstance(r, BaseException)]
    check(f"(a) {len(streams)} of {args.streams} streams open in {time.monotonic() - started:.1f} s"
          + (f" (first error: {errors[0]!r})" if errors else ""), not errors)
    waits = [asyncio.create_task(first_winner(reader)) for reader, _ in streams]
    await asyncio.sleep(0.5)
    loop = asyncio.get_running_loop()
    stop_at = float(await loop.run_in_executor(None, run, args.draw_command))
    done, pending = await asyncio.wait(waits, timeout=10)
    for task in pending:
        task.cancel()
    got = [t.result() - stop_at for t in done if t.result() is not None]
    if got:
        print(f"(a) stop keypress -> 'event: winner' on {len(got)} streams: median {percentile(got, 50) * 1000:.0f} ms, "
              f"p99 {percentile(got, 99) * 1000:.0f} ms, max {max(got) * 1000:.0f} ms")
    check(f"(a) all {len(streams)} streams had the winner within {STREAM_LIMIT_S:.0f} s of the stop "
          f"({sum(1 for g in got if g <= STREAM_LIMIT_S)} did)",
          len(got) == len(streams) and all(g <= STREAM_LIMIT_S for g in got))
    return streams


# (b) ------------------------------------------------------------------------------------------------------


class RoomLink:
    """The check-in path, read off the stage while it waits to draw (it shows no code with a result) and read
    again every 20 s where it shows one; a link stays good for at least a minute after it is read."""

    def __init__(self, command):
        self.command = command
        self.path = self.read()
        self.stop = threading.Event()
        threading.Thread(target=self.refresh, daemon=True).start()

    def read(self):
        return urllib.parse.urlsplit(run(self.command)).path

    def refresh(self):
        while not self.stop.wait(20):
            try:
                self.path = self.read()
            except subprocess.CalledProcessError:
                pass  # a result on the stage: the link read before stays good


FIELD = re.compile(r'name="(t|csrf|d)" value="([^"]*)"')


def check_in(port, link, gh, code, name):
    """One phone: the form, then the post. Returns (outcome, seconds the post took)."""
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    try:
        connection.request("GET", link.path)
        response = connection.getresponse()
        page = response.read().decode()
        if response.status != 200:
            return f"form {response.status}", None
        cookie = (response.getheader("Set-Cookie") or "").split(";", 1)[0]
        form = dict(FIELD.findall(page))
        form.update(gh=gh, code=code)
        body = urllib.parse.urlencode(form)
        started = time.monotonic()
        connection.request("POST", "/checkin", body, {
            "Content-Type": "application/x-www-form-urlencoded", "Cookie": cookie,
            "Origin": f"http://127.0.0.1:{port}"})
        response = connection.getresponse()
        answer = response.read().decode()
        took = time.monotonic() - started
        if response.status == 200 and f"{name}，签到成功" in answer:
            return "200 greeted", took
        return f"{response.status} {re.sub(r'<[^>]+>', ' ', answer)[-80:].strip()!r}", took
    except (OSError, http.client.HTTPException) as e:
        return f"error {e!r}", None
    finally:
        connection.close()


def checkins_phase(args, people, link):
    outcomes, times = {}, []
    lock = threading.Lock()
    started = time.monotonic()
    gap = args.spread / len(people)

    def one(i, person):
        # Arrivals spread evenly; a slow server makes them later, never more at once than the pool allows.
        delay = started + i * gap - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        outcome, took = check_in(args.port, link, *person)
        with lock:
            outcomes[outcome] = outcomes.get(outcome, 0) + 1
            if took is not None:
                times.append(took)

    with ThreadPoolExecutor(args.concurrency) as pool:
        list(pool.map(lambda item: one(*item), enumerate(people)))
    span = time.monotonic() - started
    link.stop.set()
    print(f"(b) {len(people)} check-ins in {span:.1f} s, {args.concurrency} at a time: "
          + ", ".join(f"{n} × {o}" for o, n in sorted(outcomes.items(), key=lambda x: -x[1])))
    if times:
        print(f"(b) post answer time: p50 {percentile(times, 50) * 1000:.1f} ms, "
              f"p99 {percentile(times, 99) * 1000:.1f} ms, max {max(times) * 1000:.1f} ms")
    check(f"(b) every check-in answered 200 with its greeting, within 60 s ({span:.1f} s)",
          outcomes.get("200 greeted", 0) == len(people) and span <= 60)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--db", required=True)
    parser.add_argument("--url-command", required=True)
    parser.add_argument("--draw-command", required=True)
    parser.add_argument("--streams", type=int, default=500)
    parser.add_argument("--concurrency", type=int, default=32)
    parser.add_argument("--spread", type=float, default=40)
    args = parser.parse_args()

    people = [tuple(row) for row in sql(args.db, "select gh, qdm, xm from yglb order by id;")]
    check(f"{len(people)} people with 工号 and codes", people and all(all(row) for row in people))

    link = RoomLink(args.url_command)
    loop = asyncio.new_event_loop()
    streams = loop.run_until_complete(streams_phase(args))
    checkins_phase(args, people, link)
    for _, writer in streams:
        writer.close()
    loop.close()

    (here, journal, distinct), = sql(args.db, "select (select count(nullif(qd,'')) from yglb), count(*), count(distinct ygid) "
                                              "from cjrz where lx='checked in';")
    check(f"the database: {here} of {len(people)} checked in, {journal} 'checked in' journal rows for "
          f"{distinct} people", int(here) == int(journal) == int(distinct) == len(people))
    print("checkin_load: " + ("PASS" if not failures else f"FAIL ({len(failures)} checks)"))
    return 1 if failures else 0


if __name__ == "__main__":
    raise SystemExit(main())

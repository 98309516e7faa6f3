#!/usr/bin/env python3
"""Clients for the cluster test: page readers that compare every reply with a single service's,
and usage-event senders that note which events were acknowledged.

  clients.py reference PORT DIR             the replies of one service to the requests, into DIR
  clients.py pages DIR SECONDS N FRONTS     N readers for SECONDS: every reply must be 200 and
                                            byte-identical to DIR's
  clients.py events SECONDS N FRONTS TAG ACKS   N senders, each from its own address; the texts
                                            acknowledged with 200 go to ACKS, one a line
  clients.py event FRONT TEXT [TIMEOUT]     one event; prints the status ("failed" when none
                                            came within TIMEOUT seconds, 30 by default)
  clients.py forged FRONT SOURCE TAG COUNT N    COUNT events from SOURCE on N threads, each
                                            with an X-Forwarded-For of another address; prints
                                            the statuses ("200=12 429=3")
  clients.py trickle FRONT SECONDS          sends a request's header a byte each half second;
                                            prints "cut" when the front closes the connection
                                            within SECONDS, else "served" or "open"
"""
import http.client
import os
import socket
import sys
import threading
import time
import urllib.parse

# The requests replicas must answer identically: pages, a pick list, the CSV export, the news
# pages and a content file.
REQUESTS = [
    ("POST", "/cgi-bin/getbat.exe", b"0!40!16!\r\n*\r\n\x1a"),
    ("POST", "/cgi-bin/getbat.exe", b"40!40!16!\r\n*\r\n\x1a"),
    ("POST", "/cgi-bin/getpit.exe", b"0!40!300!\r\n*\r\n\x1a"),
    ("POST", "/cgi-bin/getbat.exe", b"0!0!C!\r\n*\r\n\x1a"),
    ("POST", "/cgi-bin/getbaseteam.csv", b"0!40!16!\r\n*\r\n\x1a"),
    ("GET", "/scroller/dataFiles/todaysArticles.txt", b""),
    ("GET", "/home.asp", b""),
    ("GET", "/cgi-bin/verread.exe", b""),
]


def exchange(host, port, method, path, body, source=None, timeout=60, extra=None):
    """One request on a fresh connection, as the client makes them: (status, body)."""
    connection = http.client.HTTPConnection(
        host, port, timeout=timeout, source_address=(source, 0) if source else None)
    try:
        headers = {"Content-Type": "application/x-www-form-urlencoded"} if method == "POST" else {}
        headers.update(extra or {})
        connection.request(method, path, body=body if method == "POST" else None, headers=headers)
        reply = connection.getresponse()
        return reply.status, reply.read()
    finally:
        connection.close()


def split(address):
    host, port = address.rsplit(":", 1)
    return host, int(port)


def reference(port, folder):
    os.makedirs(folder, exist_ok=True)
    for number, (method, path, body) in enumerate(REQUESTS):
        status, reply = exchange("127.0.0.1", int(port), method, path, body)
        if status != 200 or not reply:
            sys.exit(f"reference: {method} {path} answered {status}: {reply[:200]!r}")
        with open(os.path.join(folder, f"{number}.reply"), "wb") as out:
            out.write(reply)
    print(f"reference: {len(REQUESTS)} replies")


def pages(folder, seconds, count, fronts):
    expected = []
    for number in range(len(REQUESTS)):
        with open(os.path.join(folder, f"{number}.reply"), "rb") as source:
            expected.append(source.read())
    fronts = [split(front) for front in fronts.split(",")]
    end = time.monotonic() + float(seconds)
    done = [0] * int(count)
    failures = []
    lock = threading.Lock()

    def reader(index):
        # Each reader is another user: the per-address bounds are each reader's own.
        source = f"127.0.0.{40 + index}"
        turn = index
        while time.monotonic() < end:
            number = turn % len(REQUESTS)
            method, path, body = REQUESTS[number]
            host, port = fronts[turn % len(fronts)]
            turn += 1
            try:
                status, reply = exchange(host, port, method, path, body, source)
                problem = None
                if status != 200:
                    problem = f"status {status}: {reply[:120]!r}"
                elif reply != expected[number]:
                    problem = f"{len(reply)} bytes differ from the single service's"
            except OSError as error:
                problem = f"failed: {error}"
            with lock:
                done[index] += 1
                if problem:
                    failures.append(f"{method} {path} via {host}:{port}: {problem}")

    threads = [threading.Thread(target=reader, args=(i,)) for i in range(int(count))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    print(f"pages: {sum(done)} requests, {len(failures)} failed")
    for failure in failures[:10]:
        print("  " + failure)
    sys.exit(1 if failures or sum(done) == 0 else 0)


def event_path(text):
    return "/999addlog.asp?Q=" + urllib.parse.quote(text, safe=",:/")


def events(seconds, count, fronts, tag, acks):
    fronts = [split(front) for front in fronts.split(",")]
    end = time.monotonic() + float(seconds)
    acknowledged = []
    statuses = {}
    lock = threading.Lock()

    def sender(index):
        # Its own address, so that the per-address bound is each sender's own.
        source = f"127.0.0.{20 + index}"
        host, port = fronts[index % len(fronts)]
        number = 0
        while time.monotonic() < end:
            text = f"CLICK,{tag}-{index}-{number},http://cluster.test/,0"
            number += 1
            try:
                status, _ = exchange(host, port, "GET", event_path(text), b"", source)
            except OSError:
                status = "failed"
            with lock:
                statuses[status] = statuses.get(status, 0) + 1
                if status == 200:
                    acknowledged.append(text)
            time.sleep(0.25)

    threads = [threading.Thread(target=sender, args=(i,)) for i in range(int(count))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    with open(acks, "w") as out:
        out.writelines(text + "\n" for text in acknowledged)
    print("events: " + ", ".join(f"{status}: {n}" for status, n in sorted(statuses.items(), key=str)))
    sys.exit(0 if acknowledged else 1)


def event(front, text, timeout="30"):
    host, port = split(front)
    try:
        status, _ = exchange(host, port, "GET", event_path(text), b"", timeout=float(timeout))
    except OSError:
        status = "failed"
    print(status)


def forged(front, source, tag, count, threads):
    host, port = split(front)
    statuses = {}
    lock = threading.Lock()
    numbers = iter(range(int(count)))

    def sender():
        while True:
            with lock:
                number = next(numbers, None)
            if number is None:
                return
            text = f"CLICK,{tag}-{number},http://cluster.test/,0"
            # Another address each time, as a client forging its way past per-address bounds.
            forged_address = f"10.66.{number // 250}.{number % 250 + 1}"
            try:
                status, _ = exchange(host, port, "GET", event_path(text), b"", source,
                                     extra={"X-Forwarded-For": forged_address})
            except OSError:
                status = "failed"
            with lock:
                statuses[status] = statuses.get(status, 0) + 1

    workers = [threading.Thread(target=sender) for _ in range(int(threads))]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    print(" ".join(f"{status}={n}" for status, n in sorted(statuses.items(), key=str)))


def trickle(front, seconds):
    host, port = split(front)
    request = b"GET /cgi-bin/verread.exe HTTP/1.0\r\nX-Slow: " + b"a" * 200 + b"\r\n\r\n"
    end = time.monotonic() + float(seconds)
    with socket.create_connection((host, port), timeout=5) as connection:
        connection.settimeout(0.5)
        for index, byte in enumerate(request):
            if time.monotonic() > end:
                print("open")
                return
            try:
                connection.sendall(bytes([byte]))
                # A reply or the end of the stream before the request is whole: cut.
                connection.recv(4096, socket.MSG_PEEK)
                print("served" if index == len(request) - 1 else "cut")
                return
            except socket.timeout:
                continue
            except OSError:
                print("cut")
                return
    print("served")


if __name__ == "__main__":
    actions = {"reference": reference, "pages": pages, "events": events, "event": event,
               "forged": forged, "trickle": trickle}
    if len(sys.argv) < 2 or sys.argv[1] not in actions:
        sys.exit(__doc__)
    actions[sys.argv[1]](*sys.argv[2:])

#!/usr/bin/env python3
"""Requests per second of a cached page through HAProxy with 1, 2 and 3 replicas against one
replica without the balancer, in the same run, and the p99 of a page while a replica dies.

  unshare -n sh -c 'ip link set lo up && bench/cluster_bench.py BBSTATSD DB [SECONDS] [CLIENTS]'

It uses the client's default front addresses, hence the network namespace of its own. Each
client is a process making one request per connection, as the client does. Figures: medians of
three runs per setting, and ratios against the replica without the balancer.
"""
import http.client
import multiprocessing
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CLUSTER = os.path.join(HERE, "..", "deploy", "cluster")
PAGE = b"0!40!16!\r\n*\r\n\x1a"


def client(address, seconds, queue):
    host, port = address.rsplit(":", 1)
    end = time.monotonic() + seconds
    latencies, failed = [], 0
    while time.monotonic() < end:
        start = time.monotonic()
        try:
            connection = http.client.HTTPConnection(host, int(port), timeout=30)
            connection.request("POST", "/cgi-bin/getbat.exe", body=PAGE)
            reply = connection.getresponse()
            reply.read()
            connection.close()
            if reply.status != 200:
                failed += 1
                continue
        except OSError:
            failed += 1
            continue
        latencies.append(time.monotonic() - start)
    queue.put((latencies, failed))


def load(addresses, seconds, clients, during=None):
    """Requests per second, p99 in ms and failures of `clients` processes for `seconds`."""
    queue = multiprocessing.Queue()
    workers = [multiprocessing.Process(target=client,
                                       args=(addresses[i % len(addresses)], seconds, queue))
               for i in range(clients)]
    for worker in workers:
        worker.start()
    if during:
        time.sleep(seconds / 2)
        during()
    results = [queue.get() for _ in workers]
    for worker in workers:
        worker.join()
    latencies = sorted(l for result in results for l in result[0])
    failed = sum(result[1] for result in results)
    p99 = latencies[int(len(latencies) * 0.99)] * 1000 if latencies else float("nan")
    return len(latencies) / seconds, p99, failed


def median_of(runs, addresses, seconds, clients):
    rates = [load(addresses, seconds, clients)[0] for _ in range(runs)]
    return statistics.median(rates)


def ready(address):
    for _ in range(2400):
        try:
            connection = http.client.HTTPConnection(*address.split(":"), timeout=2)
            connection.request("GET", "/healthz")
            if connection.getresponse().status == 200:
                return
        except OSError:
            pass
        time.sleep(0.25)
    sys.exit(f"{address} did not become ready")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    bbstatsd, db = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 5
    clients = int(sys.argv[4]) if len(sys.argv) > 4 else 8
    work = tempfile.mkdtemp(prefix="bbstats-cluster-bench.")
    os.chmod(work, 0o755)
    rows = []
    single = subprocess.Popen([bbstatsd, "serve", "--db", db, "--listen", "127.0.0.1:18461",
                               "--events", os.path.join(work, "events.db")],
                              stdout=subprocess.DEVNULL)
    try:
        ready("127.0.0.1:18461")
        load(["127.0.0.1:18461"], 1, clients)  # fills the cache
        base = median_of(3, ["127.0.0.1:18461"], seconds, clients)
        rows.append(("one replica, no balancer", base))
    finally:
        single.send_signal(signal.SIGINT)
        single.wait()
    fronts = ["127.0.0.1:8461", "127.0.0.2:8461", "127.0.0.3:8461"]
    cluster = os.path.join(work, "c")
    subprocess.run([CLUSTER, "up", cluster, "--replicas", "1", "--db", db, "--bbstatsd", bbstatsd],
                   check=True, stdout=subprocess.DEVNULL)
    try:
        for replicas in (1, 2, 3):
            if replicas > 1:
                subprocess.run([CLUSTER, "add", cluster], check=True, stdout=subprocess.DEVNULL)
                time.sleep(3)  # the balancer's health checks take the new replica in
            load(fronts, 1, clients)
            rows.append((f"HAProxy, {replicas} replica(s)", median_of(3, fronts, seconds, clients)))
        steady = load(fronts, seconds, clients)
        status = subprocess.run([CLUSTER, "status", cluster], check=True, capture_output=True,
                                text=True).stdout
        victim = int(status.split("\n")[0].split()[2])
        dying = load(fronts, seconds, clients, during=lambda: os.kill(victim, signal.SIGKILL))
    finally:
        subprocess.run([CLUSTER, "down", cluster], stdout=subprocess.DEVNULL)
    print(f"{'setting':34} {'req/s':>8} {'ratio':>6}")
    for name, rate in rows:
        print(f"{name:34} {rate:8.0f} {rate / base:6.2f}")
    print(f"p99 of a page, 3 replicas steady:      {steady[1]:7.1f} ms ({steady[2]} failed)")
    print(f"p99 of a page, one replica killed:     {dying[1]:7.1f} ms ({dying[2]} failed)")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Where the service's time goes while it answers requests, from a perf recording.

    bbstats-bench --http --perf /tmp/bbstatsd.perf
    python3 bench/http_profile.py /tmp/bbstatsd.perf

Each sample of the service's threads is put in one phase of a request by its stack, innermost
frame first: the first frame that names a phase decides (a memcpy inside the engine counts as
the engine's, the kernel's TCP work inside sendmsg as writing). Prints the share of each phase.
"""
import collections
import re
import subprocess
import sys

# (phase, pattern of a frame's symbol); the first frame of a stack that matches any decides.
PHASES = [
    ("cache look-up (engine)", r"bbstatsd::(Engine|Endpoints|PickLists|RecordTexts|PlayerSearch)"),
    ("connection watch", r"bbstatsd::ConnectionWatch"),
    ("making the reply", r"bbstatsd::(queueReply|bufferResponse|streamResponse|headerSafe|problemReply)"
     r"|MHD_create_response|MHD_add_response_header|MHD_queue_response|MHD_destroy_response"),
    ("routing (our callbacks)", r"bbstatsd::(RequestRouter|HttpDaemon|repeatedParameter|lastForwarded)"),
    ("worker hand-off", r"bbstatsd::WorkerPool|futex"),
    ("accept", r"accept4|__sys_accept|do_accept|inet_accept"),
    ("reading the request", r"recvfrom|__libc_recv|tcp_recvmsg|__sys_recv"),
    ("writing the reply", r"sendmsg|__libc_send|__sys_sendto|tcp_sendmsg|writev"),
    ("closing", r"__x64_sys_close|__close|tcp_close|__fput|shutdown|task_work_run"),
    ("socket options", r"setsockopt"),
    ("waiting for events (epoll)", r"epoll_wait|do_epoll"),
    ("epoll set changes", r"epoll_ctl"),
    ("timekeeping", r"clock_gettime|__vdso"),
    ("memory (malloc/free)", r"malloc|free|_int_|mmap|munmap|brk"),
    ("libmicrohttpd's own work (parsing, state)", r"libmicrohttpd"),
]
COMPILED = [(name, re.compile(pattern)) for name, pattern in PHASES]


def phase_of(frames):
    for frame in frames:
        for name, pattern in COMPILED:
            if pattern.search(frame):
                return name
    return "other"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: http_profile.py PERF-DATA")
    script = subprocess.run(["perf", "script", "-i", sys.argv[1], "-F", "comm,ip,sym,dso"],
                            capture_output=True, text=True, check=True).stdout
    counts = collections.Counter()
    total = 0
    for block in script.split("\n\n"):
        lines = [line.strip() for line in block.strip().splitlines()]
        if not lines or not lines[0].startswith("MHD"):
            continue  # only the threads that serve connections
        frames = lines[1:]
        counts[phase_of(frames)] += 1
        total += 1
    if total == 0:
        sys.exit("no samples of the service's connection threads")
    print(f"| phase | share of {total} samples |")
    print("|---|---:|")
    for name, count in counts.most_common():
        print(f"| {name} | {100.0 * count / total:.1f}% |")


if __name__ == "__main__":
    main()

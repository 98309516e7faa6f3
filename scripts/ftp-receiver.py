#!/usr/bin/python3
"""The receiver of the client's start-up marker: an FTP server on one
loopback address with one account, which may only store files into DIR.

usage: ftp-receiver.py HOST:PORT USER PASSWORD DIR

Port 0 takes a free port. Prints "listening on HOST:PORT" once it accepts
connections, then serves until it is stopped (SIGTERM or SIGINT)."""

import logging
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def stop(*_):
    raise KeyboardInterrupt


def main(argv):
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    host, _, port = argv[1].rpartition(":")
    user, password, folder = argv[2], argv[3], argv[4]
    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s %(message)s")
    authorizer = DummyAuthorizer()
    # e: enter the folder, l: list it, w: store files. Nothing is read back.
    authorizer.add_user(user, password, folder, perm="elw")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "bbstats marker receiver"
    server = FTPServer((host, int(port)), handler)
    server.max_cons = 64
    server.max_cons_per_ip = 16
    bound = server.socket.getsockname()
    print("listening on %s:%d" % (bound[0], bound[1]), flush=True)
    signal.signal(signal.SIGTERM, stop)
    # Ends on SIGINT or SIGTERM through KeyboardInterrupt, closing every
    # connection.
    server.serve_forever(handle_exit=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/python3
"""The receiver of the client's start-up marker: an FTP server on one
loopback address with one account, which may only store new small files
under numeric names into UPLOADS.

usage: ftp-receiver.py HOST:PORT USER PASSWORD UPLOADS

UPLOADS is the receiver's own folder: it is made when missing, and a folder
holding anything but earlier uploads is refused, so the receiver never
writes where other files live. Each upload is a new file (an existing name
is refused) under a name of digits only, at most 4 KiB; past 256 files or
1 MiB in all, the oldest uploads are removed. Nothing can be read back,
listed, appended to or stored under a name the server chooses.

Port 0 takes a free port. Prints "listening on HOST:PORT" once it accepts
connections, then serves until it is stopped (SIGTERM or SIGINT)."""

import errno
import logging
import os
import re
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

# The marker is a gzip of a few hundred bytes.
MAX_FILE_BYTES = 4 * 1024
MAX_FILES = 256
MAX_TOTAL_BYTES = 1024 * 1024
UPLOAD_NAME = re.compile(r"[0-9]{1,20}")


def stop(*_):
    raise KeyboardInterrupt


def uploads_in(folder):
    """The uploads in folder as (mtime, name, size), oldest first."""
    found = []
    for entry in os.scandir(folder):
        if entry.is_file(follow_symlinks=False) and UPLOAD_NAME.fullmatch(entry.name):
            info = entry.stat(follow_symlinks=False)
            found.append((info.st_mtime, entry.name, info.st_size))
    return sorted(found)


def make_room(folder):
    """Removes the oldest uploads until one more of the largest size fits."""
    found = uploads_in(folder)
    total = sum(size for _, _, size in found)
    while found and (len(found) >= MAX_FILES or total + MAX_FILE_BYTES > MAX_TOTAL_BYTES):
        _, name, size = found.pop(0)
        try:
            os.unlink(os.path.join(folder, name))
        except FileNotFoundError:
            pass
        total -= size


class CappedFile:
    """A new upload that refuses to grow past MAX_FILE_BYTES."""

    def __init__(self, raw):
        self._raw = raw
        self._written = 0
        self.name = raw.name
        self.closed = False

    def write(self, data):
        self._written += len(data)
        if self._written > MAX_FILE_BYTES:
            # Removed before the refusal is answered, so nothing of it is ever seen.
            self.close()
            try:
                os.unlink(self.name)
            except OSError:
                pass
            raise OSError(errno.EFBIG, "upload larger than %d bytes" % MAX_FILE_BYTES)
        return self._raw.write(data)

    def close(self):
        self.closed = True
        self._raw.close()


class UploadsFS(AbstractedFS):
    """Opens only new files under numeric names directly in the root, for
    writing; everything else the account could do to files fails."""

    def open(self, filename, mode):
        root = os.path.realpath(self.root)
        path = os.path.realpath(filename)
        name = os.path.basename(path)
        if mode != "wb" or os.path.dirname(path) != root or not UPLOAD_NAME.fullmatch(name):
            raise PermissionError(errno.EACCES, "only new uploads under a numeric name")
        make_room(root)
        # "x": an existing file (or a link planted in its place) is never opened.
        return CappedFile(open(path, "xb"))


class ReceiverHandler(FTPHandler):
    abstracted_fs = UploadsFS
    banner = "bbstats marker receiver"

    def _refuse(self, *_):
        self.respond("502 Not allowed on this server.")

    # Reading the folder, appending and names chosen by the server.
    ftp_STOU = ftp_APPE = ftp_LIST = ftp_NLST = ftp_MLSD = ftp_MLST = _refuse
    ftp_SIZE = ftp_MDTM = ftp_STAT = ftp_RETR = ftp_DELE = ftp_RNFR = ftp_RNTO = _refuse
    ftp_MKD = ftp_RMD = ftp_SITE = ftp_MFMT = _refuse

    def ftp_REST(self, *_):
        self.respond("502 Not allowed on this server.")

    def on_incomplete_file_received(self, file):
        # A cut or oversized upload leaves nothing behind.
        try:
            os.unlink(file)
        except OSError:
            pass


def prepare(folder):
    """Makes the uploads folder; None when it holds anything but uploads."""
    os.makedirs(folder, mode=0o700, exist_ok=True)
    for entry in os.scandir(folder):
        if not (entry.is_file(follow_symlinks=False) and UPLOAD_NAME.fullmatch(entry.name)):
            return None
    return os.path.realpath(folder)


def main(argv):
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    host, _, port = argv[1].rpartition(":")
    user, password = argv[2], argv[3]
    folder = prepare(argv[4])
    if folder is None:
        sys.stderr.write("%s holds other files than uploads; give the receiver a folder "
                         "of its own\n" % argv[4])
        return 2
    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s %(message)s")
    authorizer = DummyAuthorizer()
    # e: stay in the folder, w: store files. Nothing is listed or read back.
    authorizer.add_user(user, password, folder, perm="ew")
    handler = ReceiverHandler
    handler.authorizer = authorizer
    handler.permit_foreign_addresses = False
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

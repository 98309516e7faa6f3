#!/usr/bin/python3
"""The receiver of the client's start-up marker: an FTP server on one
loopback address with one account, which may only store new small files
under numeric names into UPLOADS.

usage: ftp-receiver.py [--password-file FILE] HOST:PORT USER UPLOADS

The account's password is the first line of FILE, else the value of
BBSTATS_FTP_PASSWORD in the environment; never on the command line, which
every local user can read.

UPLOADS is the receiver's own folder: it is made when missing, and a folder
holding anything but earlier uploads is refused, so the receiver never
writes where other files live. Each upload is a new file (an existing name
is refused) under a name of digits only, at most 4 KiB; past 256 files or
1 MiB in all, the oldest uploads are removed. Nothing can be read back,
listed, appended to or stored under a name the server chooses.

A connection must log in within LOGIN_SECONDS, and at most MAX_WAITING
connections wait to log in at once: a newer one closes the oldest waiting,
so idle connections never lock the real client out. A NUL byte in a command
is refused with 501.

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
# The client logs in right after the greeting and stores its marker at once.
LOGIN_SECONDS = 10
MAX_WAITING = 8
IDLE_SECONDS = 30


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
    timeout = IDLE_SECONDS
    _login_timer = None

    def handle(self):
        self.server.waiting.append(self)
        self._login_timer = self.ioloop.call_later(LOGIN_SECONDS, self._login_overdue,
                                                   _errback=self.handle_error)
        FTPHandler.handle(self)

    def _login_overdue(self):
        if not self.authenticated:
            self.respond("421 Log in within %d seconds." % LOGIN_SECONDS)
            self.close_when_done()

    def _stop_waiting(self):
        if self._login_timer is not None and not self._login_timer.cancelled:
            self._login_timer.cancel()
        if self in self.server.waiting:
            self.server.waiting.remove(self)

    def on_login(self, username):
        self._stop_waiting()

    def close(self):
        self._stop_waiting()
        FTPHandler.close(self)

    def pre_process_command(self, line, cmd, arg):
        # No file name holds a NUL; the file system would raise on one.
        if "\0" in line:
            self.respond("501 A NUL byte is not allowed in a command.")
            return
        FTPHandler.pre_process_command(self, line, cmd, arg)

    def _refuse(self, *_):
        self.respond("502 Not allowed on this server.")

    # Reading the folder, appending and names chosen by the server.
    ftp_STOU = ftp_APPE = ftp_LIST = ftp_NLST = ftp_MLSD = ftp_MLST = _refuse
    ftp_SIZE = ftp_MDTM = ftp_STAT = ftp_RETR = ftp_DELE = ftp_RNFR = ftp_RNTO = _refuse
    ftp_MKD = ftp_RMD = ftp_SITE = ftp_MFMT = _refuse
    # Logging out would make a connection wait to log in again, unbounded.
    ftp_REIN = _refuse

    def ftp_REST(self, *_):
        self.respond("502 Not allowed on this server.")

    def on_incomplete_file_received(self, file):
        # A cut or oversized upload leaves nothing behind.
        try:
            os.unlink(file)
        except OSError:
            pass


class ReceiverServer(FTPServer):
    """Keeps the connections that have not logged in, oldest first, and
    closes the oldest when one more arrives past MAX_WAITING."""

    max_cons = 64
    max_cons_per_ip = 16

    def __init__(self, *args, **kwargs):
        FTPServer.__init__(self, *args, **kwargs)
        self.waiting = []

    def handle_accepted(self, sock, addr):
        while len(self.waiting) >= MAX_WAITING:
            oldest = self.waiting.pop(0)
            oldest.respond_w_warning("421 Too many connections waiting to log in.")
            oldest.close()
        return FTPServer.handle_accepted(self, sock, addr)


def read_password(path):
    """The password from the file at path, else from the environment; None
    when neither gives one."""
    if path is not None:
        with open(path, encoding="utf-8") as source:
            password = source.readline().rstrip("\r\n")
    else:
        password = os.environ.get("BBSTATS_FTP_PASSWORD", "")
    return password or None


def prepare(folder):
    """Makes the uploads folder; None when it holds anything but uploads."""
    os.makedirs(folder, mode=0o700, exist_ok=True)
    for entry in os.scandir(folder):
        if not (entry.is_file(follow_symlinks=False) and UPLOAD_NAME.fullmatch(entry.name)):
            return None
    return os.path.realpath(folder)


def main(argv):
    password_file = None
    if len(argv) > 2 and argv[1] == "--password-file":
        password_file, argv = argv[2], argv[:1] + argv[3:]
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    host, _, port = argv[1].rpartition(":")
    user = argv[2]
    try:
        password = read_password(password_file)
    except (OSError, UnicodeDecodeError) as error:
        sys.stderr.write("cannot read the password file: %s\n" % error)
        return 2
    if password is None:
        sys.stderr.write("no password: give --password-file FILE or set BBSTATS_FTP_PASSWORD\n")
        return 2
    folder = prepare(argv[3])
    if folder is None:
        sys.stderr.write("%s holds other files than uploads; give the receiver a folder "
                         "of its own\n" % argv[3])
        return 2
    logging.basicConfig(level=logging.INFO, stream=sys.stderr,
                        format="%(asctime)s %(message)s")
    authorizer = DummyAuthorizer()
    # e: stay in the folder, w: store files. Nothing is listed or read back.
    authorizer.add_user(user, password, folder, perm="ew")
    handler = ReceiverHandler
    handler.authorizer = authorizer
    handler.permit_foreign_addresses = False
    server = ReceiverServer((host, int(port)), handler)
    bound = server.socket.getsockname()
    print("listening on %s:%d" % (bound[0], bound[1]), flush=True)
    signal.signal(signal.SIGTERM, stop)
    # Ends on SIGINT or SIGTERM through KeyboardInterrupt, closing every
    # connection.
    server.serve_forever(handle_exit=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

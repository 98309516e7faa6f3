#!/usr/bin/python3
"""The marker receiver (scripts/ftp-receiver.py) under pyftpdlib on a free
loopback port, driven with ftplib as a hostile local user would: only new
small files under numeric names land, in its own folder and nowhere else; a
NUL in a name is refused, idle connections that never log in are closed and
cannot lock the client out, and the password never goes on a command line.

usage: test_ftp_receiver.py RECEIVER_SCRIPT"""

import ftplib
import io
import os
import socket
import subprocess
import sys
import tempfile
import time

USER, PASSWORD = "bbstats", "startmark"


def start(script, folder, password_file=None, log=subprocess.DEVNULL):
    """Starts the receiver with the password in the environment, or in
    password_file when given; its port, or None when it did not start."""
    env = dict(os.environ)
    env.pop("BBSTATS_FTP_PASSWORD", None)
    options = []
    if password_file is not None:
        options = ["--password-file", password_file]
    else:
        env["BBSTATS_FTP_PASSWORD"] = PASSWORD
    proc = subprocess.Popen([sys.executable, script] + options + ["127.0.0.1:0", USER, folder],
                            stdout=subprocess.PIPE, stderr=log, text=True, env=env)
    line = proc.stdout.readline()
    if not line.startswith("listening on "):
        proc.wait(10)
        return proc, None
    return proc, int(line.rsplit(":", 1)[1])


def idle(port):
    """A connection that reads the greeting and never logs in."""
    sock = socket.create_connection(("127.0.0.1", port), timeout=30)
    reader = sock.makefile("rb")
    reader.readline()
    return sock, reader


def last_reply(reader):
    """What the server sent before it closed the connection."""
    lines = []
    try:
        for line in reader:
            lines.append(line)
    except OSError:
        pass
    return b"".join(lines).decode("ascii", "replace")


def refused(action):
    try:
        action()
    except (ftplib.error_perm, ftplib.error_temp):
        return True
    return False


def main(script):
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    with tempfile.TemporaryDirectory() as work:
        # A folder holding other files (the working folder) is refused at start.
        with open(os.path.join(work, "lahman.db"), "wb") as db:
            db.write(b"precious")
        proc, port = start(script, work)
        check(port is None and proc.returncode == 2, "started on a folder holding other files")

        # No password in the environment or a file: no start.
        env = {k: v for k, v in os.environ.items() if k != "BBSTATS_FTP_PASSWORD"}
        refusal = subprocess.run([sys.executable, script, "127.0.0.1:0", USER,
                                  os.path.join(work, "none")], env=env, capture_output=True,
                                 text=True, timeout=30)
        check(refusal.returncode == 2 and "no password" in refusal.stderr,
              "started without a password: %r" % refusal.stderr)
        # The password from a file.
        secret = os.path.join(work, "secret")
        with open(secret, "w") as out:
            out.write("from a file\n")
        proc, port = start(script, os.path.join(work, "filed"), password_file=secret)
        try:
            check(port is not None, "did not start with a password file")
            if port is not None:
                ftp = ftplib.FTP()
                ftp.connect("127.0.0.1", port, timeout=10)
                check(refused(lambda: ftp.login(USER, PASSWORD)),
                      "the environment's password was taken over the file's")
                ftp.close()
                ftp = ftplib.FTP()
                ftp.connect("127.0.0.1", port, timeout=10)
                ftp.login(USER, "from a file")
                ftp.quit()
        finally:
            proc.terminate()
            proc.wait(10)

        uploads = os.path.join(work, "uploads")
        log = open(os.path.join(work, "receiver.log"), "w")
        proc, port = start(script, uploads, log=log)
        check(port is not None, "did not start on a new folder")
        try:
            # Connected first and never logged in: closed at the login deadline.
            late = idle(port)
            ftp = ftplib.FTP()
            ftp.connect("127.0.0.1", port, timeout=10)
            ftp.login(USER, PASSWORD)
            marker = b"\x1f\x8b" + b"m" * 300
            ftp.storbinary("STOR 12345678", io.BytesIO(marker))
            with open(os.path.join(uploads, "12345678"), "rb") as stored:
                check(stored.read() == marker, "the marker was not stored whole")
            check(refused(lambda: ftp.storbinary("STOR 12345678", io.BytesIO(b"x"))),
                  "an upload overwrote an earlier one")
            for name in ("PROXY.DAT", "../lahman.db", "/../lahman.db", "check.ver", "1.db", "007 "):
                check(refused(lambda: ftp.storbinary("STOR " + name, io.BytesIO(b"x"))),
                      "stored under the name " + name)
            for name in ("12\0", "\0", "1\x002"):
                check(refused(lambda: ftp.storbinary("STOR " + name, io.BytesIO(b"x"))),
                      "stored under a name with a NUL: %r" % name)
            check(refused(lambda: ftp.storbinary("STOR 555", io.BytesIO(b"x" * 8192))),
                  "an 8 KiB upload was taken")
            check(not os.path.exists(os.path.join(uploads, "555")),
                  "an oversized upload left a file")
            for command in ("STOU", "APPE 12345678", "LIST", "NLST", "SIZE 12345678",
                            "MDTM 12345678", "MLSD", "RETR 12345678", "DELE 12345678"):
                def send(command=command):
                    ftp.voidcmd("TYPE I")
                    if command.startswith(("STOU", "APPE", "LIST", "NLST", "MLSD", "RETR")):
                        ftp.transfercmd(command).close()
                        ftp.voidresp()
                    else:
                        ftp.voidcmd(command)
                check(refused(send), command + " was allowed")
            with open(os.path.join(work, "lahman.db"), "rb") as db:
                check(db.read() == b"precious", "a file outside the uploads folder changed")
            # The total is capped: the oldest uploads go.
            for n in range(300):
                ftp.storbinary("STOR %d" % (1000 + n), io.BytesIO(b"y" * 4000))
            names = os.listdir(uploads)
            total = sum(os.path.getsize(os.path.join(uploads, n)) for n in names)
            check(len(names) <= 256 and total <= 1024 * 1024,
                  "%d uploads of %d bytes kept" % (len(names), total))
            check("1299" in names and "12345678" not in names, "not the oldest removed")
            ftp.quit()

            reply = last_reply(late[1])
            check(reply.startswith("421 Log in within"), "no login deadline: %r" % reply)
            # 40 idle connections from the client's own address, then the client.
            crowd = [idle(port) for _ in range(40)]
            ftp = ftplib.FTP()
            ftp.connect("127.0.0.1", port, timeout=10)
            ftp.login(USER, PASSWORD)
            ftp.storbinary("STOR 424242", io.BytesIO(b"after the crowd"))
            ftp.quit()
            check(os.path.exists(os.path.join(uploads, "424242")),
                  "idle connections locked the client out")
            reply = last_reply(crowd[0][1])
            check(reply.startswith("421 Too many connections waiting"),
                  "the oldest idle connection was kept: %r" % reply)
            for sock, reader in [late] + crowd:
                reader.close()
                sock.close()
        finally:
            proc.terminate()
            proc.wait(10)
            log.close()
        with open(os.path.join(work, "receiver.log")) as logged:
            check("Traceback" not in logged.read(), "the receiver raised an exception")
        check(set(os.listdir(work)) == {"lahman.db", "uploads", "secret", "filed", "receiver.log"},
              "files outside the folder: %s" % sorted(os.listdir(work)))

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

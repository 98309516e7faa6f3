#!/usr/bin/python3
"""The marker receiver (scripts/ftp-receiver.py) under pyftpdlib on a free
loopback port, driven with ftplib as a hostile local user would: only new
small files under numeric names land, in its own folder and nowhere else.

usage: test_ftp_receiver.py RECEIVER_SCRIPT"""

import ftplib
import io
import os
import subprocess
import sys
import tempfile
import time

USER, PASSWORD = "bbstats", "startmark"


def start(script, folder):
    proc = subprocess.Popen([sys.executable, script, "127.0.0.1:0", USER, PASSWORD, folder],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = proc.stdout.readline()
    if not line.startswith("listening on "):
        proc.wait(10)
        return proc, None
    return proc, int(line.rsplit(":", 1)[1])


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

        uploads = os.path.join(work, "uploads")
        proc, port = start(script, uploads)
        check(port is not None, "did not start on a new folder")
        try:
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
        finally:
            proc.terminate()
            proc.wait(10)
        check(set(os.listdir(work)) == {"lahman.db", "uploads"}, "files outside the folder")

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))

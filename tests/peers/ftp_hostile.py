#!/usr/bin/env python3
"""A deliberately hostile FTP server on 127.0.0.1, for the client's defences.

Prints "PORT <n>" once it listens. --mode chooses the misbehaviour:
  endless-line       the greeting is one line that never ends
  endless-multiline  the greeting is a multi-line reply that never ends
  pasv-elsewhere     PASV names 127.0.0.2 (a decoy on the same port counts every
                     connection in --report); the real data port waits on 127.0.0.1
  evil-list          LIST holds the names "../../x", "a/b", "/etc/passwd" besides good.txt
  huge-stamp         "$TimeStamp.tsu" is listed and sent as 8 stamp bytes followed by
                     up to 256 MiB more
  silent             greets, then never answers (the client's idle time-out must end it)
Every command it does not know is answered 502; nothing is ever written to disk but
the report. It ends itself after --lifetime seconds (default 120).
"""

import argparse
import os
import socket
import struct
import threading

CHUNK = 64 * 1024


def send_forever(conn, first, repeat):
    try:
        conn.sendall(first)
        while True:
            conn.sendall(repeat)
    except OSError:
        pass


def count_decoy(listener, report):
    while True:
        try:
            conn, _ = listener.accept()
        except OSError:
            return
        with open(report, "a") as out:
            out.write("connection\n")
        conn.close()


class Session:
    def __init__(self, conn, args):
        self.conn = conn
        self.args = args
        self.data = None

    def reply(self, text):
        self.conn.sendall(text.encode() + b"\r\n")

    def open_passive(self):
        self.data = socket.socket()
        self.data.bind(("127.0.0.1", 0))
        self.data.listen(1)
        port = self.data.getsockname()[1]
        host = "127,0,0,1"
        if self.args.mode == "pasv-elsewhere":
            decoy = socket.socket()
            decoy.bind(("127.0.0.2", port))
            decoy.listen(1)
            threading.Thread(target=count_decoy, args=(decoy, self.args.report), daemon=True).start()
            host = "127,0,0,2"
        self.reply("227 Entering Passive Mode (%s,%d,%d)" % (host, port >> 8, port & 255))

    def listing(self):
        lines = ["-rw-r--r-- 1 u g 5 Dec 01 10:00 good.txt"]
        if self.args.mode == "evil-list":
            for name in ("../../x", "a/b", "/etc/passwd"):
                lines.append("-rw-r--r-- 1 u g 5 Dec 01 10:00 " + name)
        if self.args.mode == "huge-stamp":
            lines.append("-rw-r--r-- 1 u g 268435456 Dec 01 10:00 $TimeStamp.tsu")
        return ("\r\n".join(lines) + "\r\n").encode()

    def transfer(self, payload, endless=False):
        if self.data is None:
            self.reply("425 Use PASV first")
            return
        self.reply("150 Opening data connection")
        conn, _ = self.data.accept()
        self.data.close()
        self.data = None
        try:
            conn.sendall(payload)
            if endless:
                zeros = bytes(CHUNK)
                for _ in range(256 * 1024 * 1024 // CHUNK):
                    conn.sendall(zeros)
        except OSError:
            pass
        conn.close()
        self.reply("226 Transfer complete")

    def run(self):
        mode = self.args.mode
        if mode == "endless-line":
            send_forever(self.conn, b"220 ", b"x" * CHUNK)
            return
        if mode == "endless-multiline":
            send_forever(self.conn, b"220-Welcome\r\n", b" and more welcome\r\n" * 1000)
            return
        self.reply("220 Ready")
        reader = self.conn.makefile("rb")
        if mode == "silent":
            for _ in reader:
                pass
            return
        for raw in reader:
            line = raw.decode("latin-1").rstrip("\r\n")
            verb, _, arg = line.partition(" ")
            verb = verb.upper()
            if verb == "USER":
                self.reply("331 Password required")
            elif verb == "PASS":
                self.reply("230 Logged on")
            elif verb == "FEAT":
                self.reply("211-Features:\r\n SIZE\r\n211 End")
            elif verb in ("TYPE", "NOOP", "CWD"):
                self.reply("200 OK")
            elif verb == "PWD":
                self.reply('257 "/"')
            elif verb == "PASV":
                self.open_passive()
            elif verb == "LIST":
                self.transfer(self.listing())
            elif verb == "RETR" and arg == "$TimeStamp.tsu":
                self.transfer(struct.pack("<d", 46000.5), endless=True)
            elif verb == "QUIT":
                self.reply("221 Bye")
                break
            else:
                self.reply("502 Not implemented")
        self.conn.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", required=True,
                        choices=["endless-line", "endless-multiline", "pasv-elsewhere", "evil-list", "huge-stamp",
                                 "silent"])
    parser.add_argument("--report", default="/dev/null")
    parser.add_argument("--lifetime", type=float, default=120)
    args = parser.parse_args()
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(5)
    print("PORT %d" % server.getsockname()[1], flush=True)
    while True:
        conn, _ = server.accept()
        threading.Thread(target=lambda c=conn: Session(c, args).run(), daemon=True).start()


if __name__ == "__main__":
    main()

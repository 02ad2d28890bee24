#!/usr/bin/python3
"""A scripted FTP proxy on 127.0.0.1 for the proxy logon tests.

It expects the logon dialogue of one proxy method (--type 1..6) word for word,
answers 530 to anything else, logs on to the real server (--upstream-port) and
then relays the control connection. Data connections go straight to the
server, which listens on 127.0.0.1 as well. Prints "PORT <n>" once it listens.
"""
import argparse
import socket
import sys
import threading


class Refused(Exception):
    pass


def read_reply(stream):
    line = stream.readline().decode("utf-8", "replace")
    if len(line) < 4:
        raise Refused("no reply from server")
    code = line[:3]
    while line[3] == "-":
        line = stream.readline().decode("utf-8", "replace")
        if not line:
            raise Refused("server closed")
        if line[:3] == code and line[3] == " ":
            break
    return int(code)


class Session:
    def __init__(self, client, args):
        self.client = client
        self.cin = client.makefile("rb")
        self.args = args
        self.target = "127.0.0.1:%d" % args.upstream_port
        self.upstream = None

    def say(self, text):
        self.client.sendall((text + "\r\n").encode())

    def expect(self, wanted, reply):
        line = self.cin.readline().decode("utf-8", "replace").rstrip("\r\n")
        if line != wanted:
            self.say("530 proxy expected '%s', got '%s'" % (wanted, line))
            raise Refused(line)
        if reply:
            self.say(reply)

    def open_upstream(self):
        self.upstream = socket.create_connection(("127.0.0.1", self.args.upstream_port))
        self.uin = self.upstream.makefile("rb")
        if read_reply(self.uin) != 220:
            raise Refused("no greeting from server")

    def upstream_login(self):
        self.open_upstream()
        self.upstream.sendall(("USER %s\r\n" % self.args.user).encode())
        if read_reply(self.uin) == 331:
            self.upstream.sendall(("PASS %s\r\n" % self.args.password).encode())
            if read_reply(self.uin) != 230:
                raise Refused("server refused the logon")

    def logon(self):
        a, t = self.args, self.target
        kind = a.type
        if kind == 1:
            self.expect("USER %s@%s" % (a.user, t), "331 password please")
            self.expect("PASS %s" % a.password, None)
            self.upstream_login()
            self.say("230 logged on through the proxy")
        elif kind in (2, 3):
            self.expect("USER %s" % a.proxy_user, "331 proxy password please")
            self.expect("PASS %s" % a.proxy_password, "230 proxy logon ok")
            self.expect(("SITE %s" if kind == 2 else "OPEN %s") % t, None)
            self.open_upstream()
            self.say("220 connected to %s" % t)
        elif kind == 4:
            self.expect("USER %s@%s@%s" % (a.user, a.proxy_user, t), "331 passwords please")
            self.expect("PASS %s@%s" % (a.password, a.proxy_password), None)
            self.upstream_login()
            self.say("230 logged on through the proxy")
        elif kind == 5:
            self.expect("USER %s" % a.proxy_user, "331 proxy password please")
            self.expect("PASS %s" % a.proxy_password, None)
            self.open_upstream()
            self.say("230 proxy logon ok")
        elif kind == 6:
            self.expect("USER %s@%s %s" % (a.user, t, a.proxy_user), "331 password please")
            self.expect("PASS %s" % a.password, "332 account please")
            self.expect("ACCT %s" % a.proxy_password, None)
            self.upstream_login()
            self.say("230 logged on through the proxy")

    def pipe(self, source, target):
        try:
            while True:
                data = source.recv(65536)
                if not data:
                    break
                target.sendall(data)
        except OSError:
            pass
        for sock in (source, target):
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def run(self):
        try:
            self.say("220 scripted proxy ready")
            self.logon()
        except (Refused, OSError) as error:
            sys.stderr.write("proxy: %s\n" % error)
            self.client.close()
            return
        # The client waits for each reply, so the line reader holds nothing the relay would miss.
        threading.Thread(target=self.pipe, args=(self.upstream, self.client), daemon=True).start()
        self.pipe(self.client, self.upstream)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--type", type=int, required=True)
    parser.add_argument("--upstream-port", type=int, required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--proxy-user", default="")
    parser.add_argument("--proxy-password", default="")
    args = parser.parse_args()

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=Session(client, args).run, daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Runs a real FTP server (pyftpdlib) on 127.0.0.1 for the tests.

Prints "PORT <n>" on stdout once it listens, then serves until killed.
Options: --root DIR (required), --user, --password, --port (0 = a free one),
--perm (pyftpdlib permission letters), --disable CMD[,CMD...] (commands the
server must not know, e.g. FEAT, MFMT or MLSD,MLST).
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--perm", default="elradfmwMT")
    parser.add_argument("--disable", default="")
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=args.perm)

    class Handler(FTPHandler):
        pass

    Handler.authorizer = authorizer
    Handler.passive_ports = None
    Handler.permit_foreign_addresses = False
    Handler.use_gmt_times = True
    Handler.timeout = 120
    Handler.auth_failed_timeout = 0
    disabled = {name.strip().upper() for name in args.disable.split(",") if name.strip()}
    if disabled:
        Handler.proto_cmds = {k: v for k, v in FTPHandler.proto_cmds.items() if k not in disabled}

    server = FTPServer(("127.0.0.1", args.port), Handler)
    server.max_cons = 64
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()
    return 0


if __name__ == "__main__":
    sys.exit(main())

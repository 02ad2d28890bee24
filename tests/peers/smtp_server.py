#!/usr/bin/python3
"""Runs a real SMTP server (aiosmtpd) on 127.0.0.1 for the tests.

Prints "PORT <n>" on stdout once it listens, then serves until killed.
Every message taken is stored as DIR/<n>.eml (n counted from 1), the raw data as
received, and DIR/<n>.env holds the envelope: the sender, then one recipient a line.
Options: --dir DIR (required), --port (0 = a free one), --user and --password
(the server then offers AUTH PLAIN and LOGIN and takes only this login),
--refuse ADDR (a recipient the server refuses with 550).
"""
import argparse
import logging
import os
import signal
import socket
import sys
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Store:
    def __init__(self, folder, refused):
        self.folder = folder
        self.refused = refused
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused:
            return "550 no such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".env.tmp", "w") as env:
            env.write(envelope.mail_from + "\n")
            for rcpt in envelope.rcpt_tos:
                env.write(rcpt + "\n")
        with open(base + ".eml.tmp", "wb") as eml:
            eml.write(envelope.original_content)
        # Complete files only: the tests read them once the client is done.
        os.rename(base + ".env.tmp", base + ".env")
        os.rename(base + ".eml.tmp", base + ".eml")
        return "250 Message accepted for delivery"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--refuse", action="append", default=[])
    args = parser.parse_args()
    warnings.simplefilter("ignore")
    logging.disable(logging.CRITICAL)

    port = args.port
    if port == 0:
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]

    options = {}
    if args.user:
        def authenticate(server, session, envelope, mechanism, auth_data):
            ok = (isinstance(auth_data, LoginPassword)
                  and auth_data.login == args.user.encode()
                  and auth_data.password == args.password.encode())
            return AuthResult(success=ok, handled=False)
        options = dict(authenticator=authenticate, auth_require_tls=False, auth_required=True)

    controller = Controller(Store(args.dir, set(args.refuse)), hostname="127.0.0.1", port=port, **options)
    controller.start()
    print("PORT %d" % port, flush=True)
    try:
        signal.sigwait({signal.SIGTERM, signal.SIGINT})
    finally:
        controller.stop()
    return 0


if __name__ == "__main__":
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGTERM, signal.SIGINT})
    sys.exit(main())

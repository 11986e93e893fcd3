#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A loopback FTP server for the upload tests.

Prints the port it listens on (127.0.0.1 only) as the first line of stdout, then serves until
it is killed or its stdin reaches end of file (the test process is gone).

Modes: "normal" serves one user whose home is --home; "silent" accepts connections and never
answers (each accepted connection is logged as "(connection)" in --commands); "reject" answers
but refuses every login.
"""
import argparse
import logging
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def stored_name(path):
    """The name a file is stored under: an upload's temporary "NAME.part" is NAME."""
    name = os.path.basename(path)
    return name[:-5] if name.endswith(".part") else name


def exit_with_parent():
    sys.stdin.read()
    os._exit(0)


class RejectingAuthorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        raise AuthenticationFailed("Authentication failed.")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--home", required=True)
    p.add_argument("--user", default="station")
    p.add_argument("--password", default="secret")
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--mode", choices=["normal", "silent", "reject"], default="normal")
    p.add_argument("--commands", help="every command line received is appended here")
    p.add_argument("--drop-on-stor", default="",
                   help="the session dies when asked to store a file of this name")
    p.add_argument("--stall-on-stor", default="",
                   help="storing a file of this name gets no answer until --release exists")
    p.add_argument("--release", default="", help="see --stall-on-stor")
    p.add_argument("--no-rename", action="store_true", help="refuse every RNFR/RNTO")
    a = p.parse_args()

    threading.Thread(target=exit_with_parent, daemon=True).start()
    logging.basicConfig(level=logging.ERROR)

    if a.mode == "silent":
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        s.bind(("127.0.0.1", a.port))
        s.listen(16)
        print(s.getsockname()[1], flush=True)
        held = []
        while True:
            conn, _ = s.accept()
            held.append(conn)
            if a.commands:
                with open(a.commands, "a") as f:
                    f.write("(connection)\n")

    authorizer = RejectingAuthorizer() if a.mode == "reject" else DummyAuthorizer()
    authorizer.add_user(a.user, a.password, a.home,
                        perm="elradmwMT" if a.no_rename else "elradfmwMT")

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            if a.commands:
                with open(a.commands, "a") as f:
                    f.write(line + "\n")
            return super().pre_process_command(line, cmd, arg)

        def ftp_STOR(self, file, mode="w"):
            if a.drop_on_stor and stored_name(file) == a.drop_on_stor:
                self.close()
                return None
            if a.stall_on_stor and stored_name(file) == a.stall_on_stor:
                self._stalled_store(file, mode)
                return None
            return super().ftp_STOR(file, mode)

        def _stalled_store(self, file, mode):
            if not self.connected:
                return
            if a.release and os.path.exists(a.release):
                FTPHandler.ftp_STOR(self, file, mode)
            else:
                self.ioloop.call_later(0.05, self._stalled_store, file, mode)

    Handler.authorizer = authorizer
    Handler.auth_failed_timeout = 0.1
    server = FTPServer(("127.0.0.1", a.port), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

"""Local FTP server for the retrieval tests: anonymous and one login on one root,
on a free port of 127.0.0.1, plus a listener that accepts and never answers.

usage: ftp_server.py ROOT PORTFILE
PORTFILE receives "<ftp port> <silent port>" once both listen."""
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

USER, PASSWORD = "tscuser", "s3cret pw"


class Handler(FTPHandler):
    def ftp_RETR(self, file):
        # A package whose name says "broken" fails its transfer, as a server
        # that drops the data connection would.
        if "broken" in os.path.basename(file):
            self.respond("451 Transfer aborted.")
            return
        return super().ftp_RETR(file)


def silent_listener():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    s.listen(8)
    held = []

    def accept():
        while True:
            conn, _ = s.accept()
            held.append(conn)  # keep it open, say nothing

    threading.Thread(target=accept, daemon=True).start()
    return s.getsockname()[1]


def main():
    root, port_file = sys.argv[1], sys.argv[2]
    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(root, perm="elr")
    authorizer.add_user(USER, PASSWORD, root, perm="elr")
    Handler.authorizer = authorizer
    Handler.passive_ports = None
    server = FTPServer(("127.0.0.1", 0), Handler)
    silent = silent_listener()
    tmp = port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d %d\n" % (server.socket.getsockname()[1], silent))
    os.replace(tmp, port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()

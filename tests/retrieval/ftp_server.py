"""Local FTP server for the retrieval tests: anonymous and one login on one root,
on a free port of 127.0.0.1, plus a listener that accepts and never answers.

A folder holding ".listing" answers LIST with that file's bytes and MDTM with the text
of ".mdtm" (a listing with garbage dates); a package whose name says "dropped" sends
half of itself and then loses its data connection.

usage: ftp_server.py ROOT PORTFILE
PORTFILE receives "<ftp port> <silent port>" once both listen."""
import os
import socket
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FileProducer, FTPHandler
from pyftpdlib.servers import FTPServer

USER, PASSWORD = "tscuser", "s3cret pw"


class HalfThenFail:
    """A file that yields half its bytes, then fails as a lost connection does."""

    def __init__(self, path):
        self.fd = open(path, "rb")
        self.left = os.path.getsize(path) // 2
        self.name = path
        self.closed = False

    def read(self, size=-1):
        if self.left <= 0:
            raise OSError("connection lost")
        data = self.fd.read(min(size if size > 0 else self.left, self.left))
        self.left -= len(data)
        return data

    def close(self):
        self.closed = True
        self.fd.close()


class Handler(FTPHandler):
    def ftp_RETR(self, file):
        # A package whose name says "broken" fails its transfer, as a server
        # that drops the data connection would.
        if "broken" in os.path.basename(file):
            self.respond("451 Transfer aborted.")
            return
        if "dropped" in os.path.basename(file):
            producer = FileProducer(HalfThenFail(file), "i")
            self.push_dtp_data(producer, isproducer=True, cmd="RETR")
            return file
        return super().ftp_RETR(file)

    def ftp_LIST(self, path):
        listing = os.path.join(path, ".listing")
        if self.fs.isdir(path) and os.path.exists(listing):
            with open(listing, "rb") as f:
                self.push_dtp_data(f.read(), cmd="LIST")
            return path
        return super().ftp_LIST(path)

    def ftp_MDTM(self, path):
        mdtm = os.path.join(os.path.dirname(path), ".mdtm")
        if os.path.exists(mdtm):
            with open(mdtm) as f:
                self.respond("213 " + f.read().strip())
            return path
        return super().ftp_MDTM(path)


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

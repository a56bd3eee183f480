"""Local HTTP server for the retrieval tests, on a free port of 127.0.0.1.

Files under ROOT are served as they are; besides them:
  /drop/NAME   promises 100000 bytes, sends 1000 and closes the connection
  /stall/NAME  sends the headers and 10 bytes, then nothing for a minute
  /moved/NAME  redirects (302) to /NAME
  /loop/NAME   redirects (302) to itself, for ever
  /status/N/NAME  answers with status N and a short HTML page
usage: http_server.py ROOT PORTFILE [CERT KEY]   (with CERT and KEY: https)"""
import functools
import os
import ssl
import sys
import time
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer


class Handler(SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.startswith("/drop/"):
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"PK\x03\x04" + b"x" * 996)
            self.wfile.flush()
            self.close_connection = True
            return
        if self.path.startswith("/stall/"):
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"PK\x03\x04stall")
            self.wfile.flush()
            time.sleep(60)
            return
        if self.path.startswith("/moved/"):
            self.send_response(302)
            self.send_header("Location", self.path[len("/moved"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path.startswith("/loop/"):
            self.send_response(302)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path.startswith("/status/"):
            code = int(self.path.split("/")[2])
            body = b"<html><body>status %d</body></html>" % code
            self.send_response(code)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        super().do_GET()


def main():
    root, port_file = sys.argv[1], sys.argv[2]
    server = ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=root))
    server.daemon_threads = True
    if len(sys.argv) > 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    tmp = port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(tmp, port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()

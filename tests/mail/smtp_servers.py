#!/usr/bin/python3
"""Local SMTP servers for the mail tests, all on 127.0.0.1 on ports chosen at run time.

  smtp_servers.py STATE_DIR

Writes STATE_DIR/ports.ini (name=port lines) once every server listens, then serves
until it is terminated (or after 30 minutes, so a lost run cannot leave it behind).
  normal      aiosmtpd; every message is decoded into STATE_DIR/inbox/<recipient>/<n>/
  helo_only   aiosmtpd refusing EHLO with 502, so clients must fall back to HELO
  reject_rcpt aiosmtpd answering 550 to every RCPT TO
  drop_data   greets, accepts the envelope and DATA, then closes during the message
  silent      accepts connections and never says anything
  refused     a port where nothing listens
"""
import email
import email.header
import email.policy
import email.utils
import io
import os
import re
import socket
import socketserver
import sys
import threading
import time
import zipfile

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP

STATE = sys.argv[1]
LIFETIME_S = 1800


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def decoded(header_value):
    return str(email.header.make_header(email.header.decode_header(header_value or "")))


class Inbox:
    def __init__(self):
        self.lock = threading.Lock()

    async def handle_DATA(self, server, session, envelope):
        rcpt = re.sub(r"[^A-Za-z0-9.@_-]", "_", envelope.rcpt_tos[0])
        with self.lock:
            folder = os.path.join(STATE, "inbox", rcpt)
            os.makedirs(folder, exist_ok=True)
            n = 1
            while os.path.exists(os.path.join(folder, str(n))):
                n += 1
            folder = os.path.join(folder, str(n))
            os.makedirs(folder)
        self.keep(folder, envelope)
        return "250 OK"

    def keep(self, folder, envelope):
        raw = envelope.original_content or envelope.content
        write(os.path.join(folder, "raw.eml"), raw)
        write(os.path.join(folder, "envelope.txt"), envelope.mail_from + "\n" + "\n".join(envelope.rcpt_tos))
        msg = email.message_from_bytes(envelope.content, policy=email.policy.compat32)
        name, address = email.utils.parseaddr(decoded(msg["From"]))
        write(os.path.join(folder, "subject.txt"), decoded(msg["Subject"]))
        write(os.path.join(folder, "from_name.txt"), name)
        write(os.path.join(folder, "from_address.txt"), address)
        write(os.path.join(folder, "to.txt"), email.utils.parseaddr(msg["To"] or "")[1])
        date_ok = msg["Date"] is not None and email.utils.parsedate_to_datetime(msg["Date"]) is not None
        write(os.path.join(folder, "date_ok.txt"), "1" if date_ok else "0")
        write(os.path.join(folder, "message_id.txt"), msg["Message-ID"] or "")
        defects = [type(d).__name__ for part in msg.walk() for d in part.defects]
        write(os.path.join(folder, "defects.txt"), "\n".join(defects))
        for part in msg.walk():
            if part.is_multipart():
                continue
            filename = part.get_filename()
            payload = part.get_payload(decode=True) or b""
            if filename is None and part.get_content_type() == "text/plain":
                write(os.path.join(folder, "body.txt"), payload)
                write(os.path.join(folder, "charset.txt"), part.get_content_charset() or "")
            elif filename is not None:
                write(os.path.join(folder, "attachment", filename), payload)
                if filename.lower().endswith(".zip"):
                    self.unpack(folder, payload)
        write(os.path.join(folder, "done"), "")

    @staticmethod
    def unpack(folder, payload):
        try:
            with zipfile.ZipFile(io.BytesIO(payload)) as z:
                ok = z.testzip() is None
                for info in z.infolist():
                    write(os.path.join(folder, "zip", os.path.basename(info.filename)), z.read(info))
            write(os.path.join(folder, "zip_ok.txt"), "1" if ok else "0")
        except zipfile.BadZipFile as e:
            write(os.path.join(folder, "zip_ok.txt"), "0 " + str(e))


class RejectRecipients(Inbox):
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        return "550 5.1.1 <%s>: Recipient address rejected" % address


class NoExtensions(SMTP):
    async def smtp_EHLO(self, hostname):
        await self.push("502 5.5.1 EHLO not implemented")


class NoExtensionsController(Controller):
    def factory(self):
        return NoExtensions(self.handler, **self.SMTP_kwargs)


def start_aiosmtpd(controller_class, handler):
    for _ in range(20):
        controller = controller_class(handler, hostname="127.0.0.1", port=free_port())
        try:
            controller.start()
            return controller
        except Exception:
            time.sleep(0.1)
    raise RuntimeError("no free port for an SMTP server")


class DropDuringData(socketserver.StreamRequestHandler):
    def handle(self):
        self.wfile.write(b"220 drop.test ESMTP\r\n")
        for line in self.rfile:
            verb = line[:4].upper()
            if verb == b"DATA":
                self.wfile.write(b"354 go ahead\r\n")
                self.rfile.read1(16)  # the start of the message, then the line goes dead
                self.request.shutdown(socket.SHUT_RDWR)
                return
            if verb == b"QUIT":
                self.wfile.write(b"221 bye\r\n")
                return
            self.wfile.write(b"250 ok\r\n")


class Silent(socketserver.BaseRequestHandler):
    def handle(self):
        time.sleep(LIFETIME_S)


class Threaded(socketserver.ThreadingMixIn, socketserver.TCPServer):
    daemon_threads = True
    allow_reuse_address = True


def start_raw(handler):
    server = Threaded(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    os.makedirs(STATE, exist_ok=True)
    controllers = {
        "normal": start_aiosmtpd(Controller, Inbox()),
        "helo_only": start_aiosmtpd(NoExtensionsController, Inbox()),
        "reject_rcpt": start_aiosmtpd(Controller, RejectRecipients()),
    }
    raw = {"drop_data": start_raw(DropDuringData), "silent": start_raw(Silent)}
    ports = {name: c.port for name, c in controllers.items()}
    ports.update({name: s.server_address[1] for name, s in raw.items()})
    ports["refused"] = free_port()
    text = "[ports]\n" + "".join("%s=%d\n" % item for item in ports.items())
    write(os.path.join(STATE, "ports.tmp"), text)
    os.replace(os.path.join(STATE, "ports.tmp"), os.path.join(STATE, "ports.ini"))
    time.sleep(LIFETIME_S)


if __name__ == "__main__":
    main()

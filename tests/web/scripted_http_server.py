#!/usr/bin/env python3
"""A scripted HTTP server on loopback for the web client's tests.

It records every request it receives into its work directory and answers as the test asked:

  request-N.head   request line, then one "Name: value" line per header, as received
  request-N.body   the body bytes
  request-N.form   the body parsed by Python's form parser: "<name hex> <value hex>" per field

  reply.action     "answer STATUS" (default "answer 200"), "stall N" (announce the whole body,
                   send its first N bytes, then nothing more), "drip MS" (announce the whole
                   body, send it one byte every MS milliseconds), "hang" (read the request, never
                   answer) or "close" (read the request, close the connection without a word)
  reply.body       the body of the answer (default: empty)

Kinds of server (--kind):
  plain80     plain HTTP on port 80 of the first free address 127.0.0.2 ... 127.0.0.254
  plain-any   plain HTTP on a free port of 127.0.0.1
  tls-good, tls-wrong-name, tls-expired
              HTTPS on a free port of 127.0.0.1 with a certificate signed by a certificate
              authority made for this run (ca.pem in the work directory): valid for 127.0.0.1
              and localhost, valid only for another name, or expired

Once listening it prints "READY <host> <port>"; when it cannot listen it prints
"UNAVAILABLE <reason>" and ends. It runs until it is terminated.
"""

import argparse
import http.server
import os
import random
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

CERTIFICATES = {
    # kind: (subject alternative names, days valid)
    "tls-good": ("IP:127.0.0.1,DNS:localhost", 3650),
    "tls-wrong-name": ("DNS:wrong-name.example", 3650),
    "tls-expired": ("IP:127.0.0.1,DNS:localhost", -1),
}


def run_openssl(openssl, directory, *arguments):
    subprocess.run([openssl, *arguments], cwd=directory, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_certificates(openssl, directory, kind):
    names, days = CERTIFICATES[kind]
    curve = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run_openssl(openssl, directory, "req", "-x509", *curve, "-keyout", "ca.key", "-out",
                "ca.pem", "-days", "3650", "-subj", "/CN=ZEP Test Authority")
    run_openssl(openssl, directory, "req", *curve, "-keyout", "server.key", "-out",
                "server.csr", "-subj", "/CN=" + names.split(",")[0].split(":")[1])
    with open(os.path.join(directory, "server.ext"), "w") as extensions:
        extensions.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\n"
                         "extendedKeyUsage=serverAuth\n" % names)
    run_openssl(openssl, directory, "x509", "-req", "-in", "server.csr", "-CA", "ca.pem",
                "-CAkey", "ca.key", "-CAcreateserial", "-days", str(days), "-extfile",
                "server.ext", "-out", "server.pem")


class RecordingHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    directory = "."
    counter = 0
    lock = threading.Lock()

    def log_message(self, *arguments):
        pass

    def do_POST(self):
        self.answer()

    do_GET = do_POST
    do_PUT = do_POST

    def answer(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        self.record(body)
        action = self.read_file("reply.action", b"answer 200").decode().split()
        if action[0] == "hang":
            while True:
                time.sleep(60)
        if action[0] == "close":
            self.close_connection = True
            return
        reply = self.read_file("reply.body", b"")
        self.send_response(int(action[1]) if action[0] == "answer" else 200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(reply)))
        self.send_header("Connection", "close")
        self.end_headers()
        if action[0] == "stall":
            self.wfile.write(reply[:int(action[1])])
            self.wfile.flush()
            while True:
                time.sleep(60)
        if action[0] == "drip":
            for byte in reply:
                self.wfile.write(bytes([byte]))
                self.wfile.flush()
                time.sleep(int(action[1]) / 1000)
        else:
            self.wfile.write(reply)
        self.close_connection = True

    def read_file(self, name, default):
        try:
            with open(os.path.join(self.directory, name), "rb") as file:
                return file.read()
        except FileNotFoundError:
            return default

    def record(self, body):
        with RecordingHandler.lock:
            RecordingHandler.counter += 1
            number = RecordingHandler.counter
        base = os.path.join(self.directory, "request-%d" % number)
        head = self.requestline + "\n"
        for name, value in self.headers.items():
            head += "%s: %s\n" % (name, value)
        fields = urllib.parse.parse_qsl(body.decode("latin-1"), keep_blank_values=True,
                                        encoding="latin-1")
        form = "".join("%s %s\n" % (name.encode("latin-1").hex(), value.encode("latin-1").hex())
                       for name, value in fields)
        for suffix, data in ((".body", body), (".form", form.encode()), (".head", head.encode())):
            with open(base + suffix + ".part", "wb") as file:
                file.write(data)
            os.rename(base + suffix + ".part", base + suffix)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # refused handshakes and dropped connections are part of the tests


def listen_on_port_80():
    addresses = ["127.0.0.%d" % n for n in range(2, 255)]
    random.shuffle(addresses)
    reason = "no free address"
    for address in addresses:
        try:
            return Server((address, 80), RecordingHandler), None
        except OSError as error:
            reason = "port 80 of the loopback addresses cannot be used: %s" % error.strerror
            if isinstance(error, PermissionError):
                break
    return None, reason


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--kind", required=True, choices=["plain80", "plain-any", *CERTIFICATES])
    parser.add_argument("--openssl", default="openssl")
    options = parser.parse_args()
    RecordingHandler.directory = options.dir

    if options.kind == "plain80":
        server, reason = listen_on_port_80()
        if server is None:
            print("UNAVAILABLE " + reason, flush=True)
            return
    else:
        server = Server(("127.0.0.1", 0), RecordingHandler)
    if options.kind in CERTIFICATES:
        make_certificates(options.openssl, options.dir, options.kind)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(options.dir, "server.pem"),
                                os.path.join(options.dir, "server.key"))
        server.socket = context.wrap_socket(server.socket, server_side=True)
    host, port = server.server_address[:2]
    print("READY %s %d" % (host, port), flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())

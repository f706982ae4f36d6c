#!/usr/bin/env python3
"""The maker's web server as the Wine-driven tests see it: plain HTTP on a loopback address.

Replies come from files in the state directory, read at each request, so that a test can change
them between requests:

  reply-checkversion.txt   body for POST /script/checkversion.php
  reply-sendfeedback.txt   body for POST /script/sendfeedback.php

A missing file makes the answer 404 with an empty body; a file holding exactly "<close>" makes
the server close the connection without a word.

Every request is appended to requests.log as one line: the method and path, then for each form
field of the body a tab and name=value, decoded, with backslash, CR, LF, tab and other
non-printable bytes written as \\\\, \\r, \\n, \\t and \\xNN.

Prints "READY <port>" once it listens.
"""

import argparse
import http.server
import os
import sys
import urllib.parse


def escaped(data):
    out = []
    for byte in data:
        if byte == 0x5C:
            out.append("\\\\")
        elif byte == 0x0D:
            out.append("\\r")
        elif byte == 0x0A:
            out.append("\\n")
        elif byte == 0x09:
            out.append("\\t")
        elif byte < 0x20 or byte >= 0x7F:
            out.append("\\x%02X" % byte)
        else:
            out.append(chr(byte))
    return "".join(out)


def handler_for(state):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def record(self, body):
            path = urllib.parse.urlsplit(self.path).path
            fields = urllib.parse.parse_qsl(body, keep_blank_values=True, encoding="latin-1",
                                            errors="strict")
            line = "%s %s" % (self.command, urllib.parse.unquote(path))
            for name, value in fields:
                line += "\t%s=%s" % (escaped(name.encode("latin-1")),
                                     escaped(value.encode("latin-1")))
            with open(os.path.join(state, "requests.log"), "a", encoding="latin-1") as log:
                log.write(line + "\n")
            return path

        def answer(self):
            length = int(self.headers.get("Content-Length") or 0)
            body = self.rfile.read(length).decode("latin-1") if length else ""
            path = self.record(body)
            script = os.path.splitext(os.path.basename(path))[0]
            reply_file = os.path.join(state, "reply-%s.txt" % script)
            if not os.path.exists(reply_file):
                self.send_response(404)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            with open(reply_file, "rb") as reply:
                content = reply.read()
            if content == b"<close>":
                self.close_connection = True
                return
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(content)))
            self.end_headers()
            self.wfile.write(content)

        do_POST = answer
        do_GET = answer

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=80)
    parser.add_argument("--state", required=True)
    arguments = parser.parse_args()
    os.makedirs(arguments.state, exist_ok=True)
    server = http.server.ThreadingHTTPServer((arguments.address, arguments.port),
                                             handler_for(arguments.state))
    print("READY %s %d" % (arguments.address, arguments.port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())

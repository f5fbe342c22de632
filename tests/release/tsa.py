#!/usr/bin/env python3
"""A time-stamp authority for the signing test: answers each RFC 3161 query
posted to it with `openssl ts -reply` and the given configuration. It
listens on 127.0.0.1 only, at a port the system picks, which it writes to
PORTFILE, and stops by itself after COUNT replies or 120 seconds.

usage: tsa.py CONFIG PORTFILE COUNT
"""
import http.server
import os
import subprocess
import sys
import tempfile
import time


class Handler(http.server.BaseHTTPRequestHandler):
    """Replies to a time-stamp query; anything openssl refuses gets a 500."""

    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "query.tsq")
            with open(path, "wb") as f:
                f.write(query)
            done = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1], "-queryfile", path,
                                   "-out", path + ".tsr"], capture_output=True, check=False)
            reply = open(path + ".tsr", "rb").read() if done.returncode == 0 else b""
        self.server.replies += 1
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


def main():
    """Serves until COUNT replies are given or the time is up."""
    if len(sys.argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    server.replies, server.timeout = 0, 1
    with open(sys.argv[2] + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(sys.argv[2] + ".part", sys.argv[2])
    deadline = time.monotonic() + 120
    while server.replies < int(sys.argv[3]) and time.monotonic() < deadline:
        server.handle_request()
    server.server_close()


if __name__ == "__main__":
    main()

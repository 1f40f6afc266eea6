#!/usr/bin/env python3
"""Serves a folder on 127.0.0.1 the way a web host would, for the browser build.

    serve.py FOLDER [PORT]

PORT 0 picks a free port. The first line printed is the address. Files go out compressed
with gzip to a browser that accepts it (as most hosts do), WebAssembly with its own type, and
nothing is cached, so a rebuilt game shows on the next reload.
"""

import gzip
import http.server
import os
import sys
import threading

COMPRESSED = {".wasm", ".js", ".html", ".css"}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript"}
    packed = {}
    packed_lock = threading.Lock()

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, "index.html")
        ext = os.path.splitext(path)[1]
        accepts = "gzip" in self.headers.get("Accept-Encoding", "")
        if ext not in COMPRESSED or not accepts or not os.path.isfile(path):
            return super().send_head()
        stat = os.stat(path)
        key = (path, stat.st_mtime_ns, stat.st_size)
        with self.packed_lock:
            body = self.packed.get(key)
            if body is None:
                with open(path, "rb") as f:
                    body = gzip.compress(f.read(), compresslevel=9)
                self.packed[key] = body
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command == "HEAD":
            return None
        self.wfile.write(body)
        return None

    def log_message(self, fmt, *args):
        # Only failures: a served page makes dozens of requests.
        if len(args) > 1 and str(args[1])[:1] in "45":
            sys.stderr.write("%s - %s\n" % (self.address_string(), fmt % args))


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    folder = os.path.abspath(sys.argv[1])
    port = int(sys.argv[2]) if len(sys.argv) == 3 else 8000

    def handler(*args, **kwargs):
        return Handler(*args, directory=folder, **kwargs)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
    print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()

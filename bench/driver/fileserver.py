"""A local HTTP server for the download hand-over and the second start: serves the benchmark
pages, an attachment (noting the wall-clock time its last byte was written to the socket) and a
web application that browsers may cache, each answer of which comes after a set delay."""

import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

ATTACHMENT_SIZE = 256 * 1024
APP_SCRIPT_SIZE = 2 * 1024 * 1024
# What a server some way off adds to each answer of the application (a round trip and its work).
APP_DELAY_S = 0.05
APP_CACHING = "max-age=86400"


def _app_script():
    # Real functions, so that the engine has code to compile as a bundle of that size would.
    first = b"const appScript = performance.timeOrigin + performance.now();\n"
    last = (b'console.warn("MIREL-BENCH app " + JSON.stringify({ appScript, '
            b'total: f0(1) }));\n')
    body, number = [first], 0
    size = len(first) + len(last)
    while size < APP_SCRIPT_SIZE:
        line = f"function f{number}(a) {{ return a * {number} + {number % 7}; }}\n".encode()
        body.append(line)
        size += len(line)
        number += 1
    return b"".join(body + [last])


_APP_PAGE = (b'<!doctype html><html><head><meta charset="utf-8"><title>application</title>'
             b'<script src="app.js"></script></head><body><p>application</p></body></html>')


def _attachment():
    header = b"%PDF-1.4\n% mirel benchmark attachment\n"
    return header + b"0" * (ATTACHMENT_SIZE - len(header))


class _Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        path = self.path.split("?", 1)[0]
        if path == "/report.pdf":
            self._send(_attachment(), "application/pdf",
                       {"Content-Disposition": 'attachment; filename="report.pdf"'})
            self.server.last_byte_ns.append(time.time_ns())
            return
        if path in ("/app/app.html", "/app/app.js"):
            time.sleep(APP_DELAY_S)
            self.server.app_requests.append(path)
            body, kind = ((_APP_PAGE, "text/html; charset=utf-8") if path.endswith(".html")
                          else (self.server.app_script, "text/javascript"))
            self._send(body, kind, {}, APP_CACHING)
            return
        page = self.server.pages / path.lstrip("/")
        if path.endswith(".html") and page.is_file():
            self._send(page.read_bytes(), "text/html; charset=utf-8", {})
        else:
            self.send_error(404)

    def _send(self, body, content_type, headers, caching="no-store"):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", caching)
        for name, value in headers.items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def log_message(self, *args):
        pass


class FileServer:
    def __init__(self, pages):
        self._server = ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        self._server.pages = Path(pages)
        self._server.last_byte_ns = []
        self._server.app_requests = []
        self._server.app_script = _app_script()
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    @property
    def base_url(self):
        return f"http://127.0.0.1:{self._server.server_address[1]}/"

    def app_requests(self):
        return list(self._server.app_requests)

    def last_byte_times(self):
        return list(self._server.last_byte_ns)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()

"""A local HTTP server for the download hand-over: serves the benchmark pages and an
attachment, and notes the wall-clock time its last byte was written to the socket."""

import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

ATTACHMENT_SIZE = 256 * 1024


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
        page = self.server.pages / path.lstrip("/")
        if path.endswith(".html") and page.is_file():
            self._send(page.read_bytes(), "text/html; charset=utf-8", {})
        else:
            self.send_error(404)

    def _send(self, body, content_type, headers):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
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
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    @property
    def base_url(self):
        return f"http://127.0.0.1:{self._server.server_address[1]}/"

    def last_byte_times(self):
        return list(self._server.last_byte_ns)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._server.shutdown()
        self._server.server_close()

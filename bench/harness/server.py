"""The local server of the benchmarks: the start page, a gated large download, a slow report
endpoint and the page-command addresses. 127.0.0.1 only, on a port of its own choosing."""

import json
import os
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

START_TITLE = "Corvane bench start page"
DOWNLOAD_NAME = "bench-download.bin"
# Sent before the gate, so that the engine has what it needs to offer the download.
PREFIX_BYTES = 64 * 1024
CHUNK = 1024 * 1024

START_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>%s</title></head>
<body><h1>%s</h1><p>A small local page for the start-up and memory figures.</p></body></html>
""" % (START_TITLE, START_TITLE)

# Pages that do one thing once loaded: start the download, or send the login command.
GO_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>bench</title></head>
<body><script>addEventListener("load", function () {
  setTimeout(function () { location.href = %s; }, 0);
});</script></body></html>
"""

LOGIN_COMMAND = '{"type":"login","data":{"nsrsbh":"330100799655058"}}'


class Gate:
    """One gated transfer: the body waits until the bench opens the gate."""

    def __init__(self, pace_mb_s=None):
        self.pace_mb_s = pace_mb_s  # None: as fast as the receiver takes it
        self.arrived = threading.Event()  # headers and prefix are out
        self.opened = threading.Event()
        self.opened_at = None
        self.finished_at = None
        self.sent = 0

    def open(self):
        self.opened_at = time.time()
        self.opened.set()


class BenchServer:
    def __init__(self, download_bytes, report_delay_s):
        self.download_bytes = download_bytes
        self.report_delay_s = report_delay_s
        self.lock = threading.Lock()
        self.gates = {}
        self.reports = []  # (received, answered) times
        self.pattern = os.urandom(CHUNK)
        self.httpd = ThreadingHTTPServer(("127.0.0.1", 0), self._handler_class())
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()

    def gate(self, key, pace_mb_s=None):
        with self.lock:
            return self.gates.setdefault(key, Gate(pace_mb_s))

    def download_path(self, key):
        return "/download?gate=" + urllib.parse.quote(key)

    def go_page_path(self, target):
        return "/go?to=" + urllib.parse.quote(target)

    def login_path(self):
        return "/interact_" + urllib.parse.quote(LOGIN_COMMAND, safe="")

    def _handler_class(self):
        server = self

        class Handler(BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def reply(self, status, body=b"", ctype="text/html; charset=utf-8"):
                self.send_response(status)
                self.send_header("Content-Type", ctype)
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                if body:
                    self.wfile.write(body)

            def do_GET(self):
                url = urllib.parse.urlsplit(self.path)
                query = urllib.parse.parse_qs(url.query)
                if url.path == "/start.html":
                    self.reply(200, START_PAGE.encode("utf-8"))
                elif url.path == "/go":
                    target = query.get("to", ["/start.html"])[0]
                    self.reply(200, (GO_PAGE % json.dumps(target)).encode("utf-8"))
                elif url.path == "/download":
                    self.download(server.gate(query.get("gate", [""])[0]))
                elif url.path.lower().startswith("/interact_"):
                    self.reply(204)
                else:
                    self.reply(404, b"not here")

            def do_POST(self):
                length = int(self.headers.get("Content-Length") or 0)
                if length:
                    self.rfile.read(length)
                received = time.time()
                time.sleep(server.report_delay_s)
                self.send_response(200)
                self.send_header("Content-Length", "2")
                self.send_header("Connection", "close")
                self.end_headers()
                self.wfile.write(b"ok")
                self.wfile.flush()
                with server.lock:
                    server.reports.append((received, time.time()))

            def download(self, gate):
                total = server.download_bytes
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Content-Length", str(total))
                self.send_header("Content-Disposition", 'attachment; filename="%s"' % DOWNLOAD_NAME)
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                view = memoryview(server.pattern)
                sent = min(PREFIX_BYTES, total)
                self.wfile.write(view[:sent])
                self.wfile.flush()
                gate.arrived.set()
                gate.opened.wait()
                body = 0
                while sent < total:
                    n = min(CHUNK, total - sent)
                    self.wfile.write(view[:n])
                    sent += n
                    body += n
                    if gate.pace_mb_s:
                        due = gate.opened_at + body / (gate.pace_mb_s * 1e6)
                        time.sleep(max(0.0, due - time.time()))
                self.wfile.flush()
                gate.sent = sent
                gate.finished_at = time.time()

        return Handler


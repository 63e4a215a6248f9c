"""Local pages that make the engine fire its events, served on 127.0.0.1 (plain and TLS)."""
import http.server
import os
import select
import socket
import ssl
import sys
import threading
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))

PAGES = {
    "/title": "<html><head><title>Probe Title</title></head><body>title page</body></html>",
    "/frames": "<html><head><title>frames</title></head>"
               "<body><iframe src='/sub-frame'></iframe></body></html>",
    "/sub-frame": "<html><body>inside the frame</body></html>",
    "/landing": "<html><head><title>landing</title></head><body>landed</body></html>",
    "/blocked": "<html><head><title>blocked</title></head><body>must not load</body></html>",
    "/opener": "<html><head><title>opener</title></head><body>"
               "<a id='dl' target='_blank' href='/download?name=from-popup.bin&size=1000'>get</a>"
               "</body></html>",
    "/popup": "<html><head><title>Popup Page</title></head><body>popup"
              "<script>if (location.search.includes('autoclose'))"
              " setTimeout(function () { window.close(); }, 1500);</script></body></html>",
    "/print": "<html><head><title>print me</title></head><body><h1>Printed page</h1></body></html>",
    "/stalled": "<html><head><title>stalled</title></head><body>waiting for"
                "<img src='/stall?seconds=600'></body></html>",
    "/unload-guard": "<html><head><title>guarded</title></head><body><script>"
                     "window.addEventListener('beforeunload', function (e) {"
                     " e.preventDefault(); e.returnValue = 'stay'; });</script></body></html>",
    "/storage": "<html><head><title>storage</title></head><body><script>"
                "localStorage.setItem('k', 'v'); document.cookie = 'c=1; max-age=3600';"
                "document.title = 'stored';</script></body></html>",
}


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        self.server.site.requests.append(url.path)
        if url.path == "/redirect":
            self._reply(302, b"", [("Location", "/landing")])
        elif url.path == "/status":
            code = int(query["code"][0])
            self._reply(code, b"<html><body>status %d</body></html>" % code)
        elif url.path == "/stall":  # answers late; notes when the browser gives up first
            deadline = time.monotonic() + float(query["seconds"][0])
            while time.monotonic() < deadline and not self.server.site.stopping:
                readable, _, _ = select.select([self.connection], [], [], 0.1)
                if readable and not self.connection.recv(1, socket.MSG_PEEK):
                    self.server.site.abandoned.append(url.path)
                    return
            self._reply(200, b"", content_type="image/png")
        elif url.path == "/download":
            self._download(query)
        elif url.path in PAGES:
            self._reply(200, PAGES[url.path].encode())
        else:
            self._reply(404, b"<html><body>not here</body></html>")

    def _reply(self, code, body, headers=(), content_type="text/html; charset=utf-8"):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def _download(self, query):
        # name: the raw file name the server suggests; size: bytes; seconds: how long to take.
        name = query["name"][0]
        size = int(query.get("size", ["1000"])[0])
        seconds = float(query.get("seconds", ["0"])[0])
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.send_header("Content-Disposition",
                         "attachment; filename*=UTF-8''" + urllib.parse.quote(name, safe=""))
        self.end_headers()
        chunk = 64 * 1024
        chunks = max(1, (size + chunk - 1) // chunk)
        sent = 0
        for i in range(chunks):
            part = min(chunk, size - sent)
            self.wfile.write(bytes([i % 251]) * part)
            self.wfile.flush()
            sent += part
            if seconds:
                time.sleep(seconds / chunks)


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # A browser hanging up on a response (a stopped load, a cancelled download) is normal.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


class LocalSite:
    """One server on 127.0.0.1 on a port of its own; tls=True serves a self-signed certificate."""

    def __init__(self, tls=False):
        self.requests = []
        self.abandoned = []  # requests the browser closed before their answer
        self.stopping = False
        self._server = _Server(("127.0.0.1", 0), _Handler)
        self._server.site = self
        if tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(os.path.join(HERE, "self_signed.pem"))
            self._server.socket = context.wrap_socket(self._server.socket, server_side=True)
        self.port = self._server.server_address[1]
        self.scheme = "https" if tls else "http"
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)
        self._thread.start()

    def url(self, path, host="127.0.0.1"):
        return "%s://%s:%d%s" % (self.scheme, host, self.port, path)

    def download_url(self, name, size=1000, seconds=0):
        return self.url("/download?" + urllib.parse.urlencode(
            {"name": name, "size": size, "seconds": seconds}))

    def stop(self):
        self.stopping = True
        self._server.shutdown()
        self._server.server_close()

#!/usr/bin/env python3
"""The demo portal: a few static pages, the report endpoint, downloads and a scripted-walk channel.

Listens on 127.0.0.1 only. Python's standard library alone (http.server), so the demo needs no
package beyond python3 and the whole portal is this one file plus its pages in www/.

    server.py [--port N] [--port-file FILE] [--root DIR] [--report-path PATH] [--codepage NAME]

--port 0 (the default) takes a free port; the port is printed and, with --port-file, written to
that file once the server accepts connections. SIGTERM or SIGINT stops the server.
"""

import argparse
import hashlib
import html
import json
import os
import signal
import sys
import threading
import time
import urllib.parse
from collections import deque
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DEFAULT_REPORT_PATH = "/zjgfdacx/app/queryVersion.do"
COOKIE_NAME = "corvane_demo_session"
KEPT_REPORTS = 50
KEPT_COMMANDS = 50

CONTENT_TYPES = {
    ".html": "text/html; charset=utf-8",
    ".css": "text/css; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".svg": "image/svg+xml",
    ".png": "image/png",
    ".ico": "image/x-icon",
    # Without a Content-Disposition a PDF is shown in the engine's PDF viewer, not downloaded.
    ".pdf": "application/pdf",
}


def make_download(size, label):
    """Deterministic text of `size` bytes, so that a saved copy can be compared with it."""
    lines = []
    total = 0
    n = 0
    while total < size:
        n += 1
        line = f"{n:07d} 演示下载 demo download · {label}\n".encode("utf-8")
        lines.append(line)
        total += len(line)
    return b"".join(lines)[:size]


class Download:
    def __init__(self, key, name, size, fallback):
        self.key = key
        self.name = name
        self.fallback = fallback
        self.data = make_download(size, name)
        self.sha256 = hashlib.sha256(self.data).hexdigest()

    def info(self):
        return {
            "key": self.key,
            "name": self.name,
            "size": len(self.data),
            "sha256": self.sha256,
            "url": "/download/" + self.key,
        }


class PortalState:
    """Everything the handlers share; every access holds the lock."""

    def __init__(self, report_path):
        self.lock = threading.Lock()
        self.report_path = report_path
        self.reports = deque(maxlen=KEPT_REPORTS)
        self.commands = deque(maxlen=KEPT_COMMANDS)
        self.redirected_once = False
        self.session = hashlib.sha1(os.urandom(16)).hexdigest()[:16]
        self.walk_actions = deque()
        self.walk_events = []
        self.walk_action_seq = 0
        self.downloads = {
            d.key: d
            for d in (
                Download("declaration", "《申报资料》样例.txt", 3 * 1024 * 1024, "declaration.txt"),
                Download("invoices", "发票清单（演示）.csv", 1024 * 1024, "invoices.csv"),
            )
        }


class Handler(BaseHTTPRequestHandler):
    server_version = "CorvaneDemoPortal/1.0"
    protocol_version = "HTTP/1.0"

    @property
    def state(self):
        return self.server.state

    def log_message(self, fmt, *args):
        sys.stderr.write("portal: %s %s\n" % (self.address_string(), fmt % args))

    # -- responses --------------------------------------------------------------------------

    def send_body(self, status, body, content_type, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_json(self, status, value):
        body = json.dumps(value, ensure_ascii=False, indent=1).encode("utf-8")
        self.send_body(status, body, "application/json; charset=utf-8")

    def send_empty(self, status, headers=()):
        self.send_response(status)
        self.send_header("Content-Length", "0")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()

    def read_body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    # -- routing ----------------------------------------------------------------------------

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        path = urllib.parse.unquote(url.path)
        query = urllib.parse.parse_qs(url.query)
        if "/interact_" in self.path.lower():
            return self.page_command()
        if path == "/reports":
            return self.reports_page()
        if path == "/reports.json":
            with self.state.lock:
                return self.send_json(200, list(self.state.reports))
        if path == "/commands.json":
            with self.state.lock:
                return self.send_json(200, list(self.state.commands))
        if path == "/downloads.json":
            return self.send_json(200, [d.info() for d in self.state.downloads.values()])
        if path.startswith("/download/"):
            return self.download(path[len("/download/"):], query)
        if path == "/walk/next":
            return self.walk_next()
        if path == "/walk/events.json":
            since = int((query.get("since") or ["0"])[0])
            with self.state.lock:
                return self.send_json(200, self.state.walk_events[since:])
        return self.static_file(path)

    do_HEAD = do_GET

    def do_POST(self):
        url = urllib.parse.urlsplit(self.path)
        body = self.read_body()
        if url.path == self.state.report_path:
            return self.report(url, body)
        if url.path == "/walk/event":
            return self.walk_event(body)
        if url.path == "/walk/action":
            return self.walk_action(body)
        return self.send_empty(404)

    # -- pages ------------------------------------------------------------------------------

    def static_file(self, path):
        root = self.server.root
        if path.endswith("/"):
            path += "index.html"
        full = os.path.realpath(os.path.join(root, path.lstrip("/")))
        if not full.startswith(root + os.sep) or not os.path.isfile(full):
            body = "<!doctype html><meta charset=utf-8><title>404</title>未找到 Not found".encode()
            return self.send_body(404, body, "text/html; charset=utf-8")
        ext = os.path.splitext(full)[1].lower()
        with open(full, "rb") as f:
            data = f.read()
        self.send_body(200, data, CONTENT_TYPES.get(ext, "application/octet-stream"))

    def page_command(self):
        # The shell acts on the address before the request is made; the portal only notes that the
        # navigation went through and answers "no content", so the page stays where it is.
        with self.state.lock:
            self.state.commands.append({"time": now_text(), "address": self.path})
        self.send_empty(204)

    def reports_page(self):
        with self.state.lock:
            reports = list(self.state.reports)
            commands = list(self.state.commands)
        rows = []
        for r in reversed(reports):
            fields = r.get("json") or {}
            rows.append(
                "<tr><td>{}</td><td>{} {}</td><td>{}</td><td>{}</td><td><code>{}</code></td>"
                "<td>{}</td></tr>".format(
                    esc(r["time"]),
                    esc(r["method"]),
                    esc(r["path"]),
                    r["status"],
                    esc(r["headers"].get("Cookie", "")),
                    esc(r["body"]),
                    esc(fields.get("nsrsbh", "")),
                )
            )
        cmd_rows = [
            "<tr><td>{}</td><td><code>{}</code></td></tr>".format(esc(c["time"]), esc(c["address"]))
            for c in reversed(commands)
        ]
        page = REPORTS_TEMPLATE.format(
            count=len(reports),
            report_path=esc(self.state.report_path),
            rows="\n".join(rows) or '<tr><td colspan="7">尚无报告 No report yet</td></tr>',
            commands="\n".join(cmd_rows) or '<tr><td colspan="2">尚无命令 None yet</td></tr>',
        )
        self.send_body(200, page.encode("utf-8"), "text/html; charset=utf-8")

    # -- the version and login report -------------------------------------------------------

    def report(self, url, body):
        query = urllib.parse.parse_qs(url.query)
        text = decode_body(body, self.server.codepage)
        try:
            parsed = json.loads(text) if text.strip() else None
        except ValueError:
            parsed = None
        host = self.headers.get("Host") or "%s:%d" % self.server.server_address[:2]
        with self.state.lock:
            followup = query.get("step") == ["followup"]
            redirect = not followup and not self.state.redirected_once
            if redirect:
                self.state.redirected_once = True
            record = {
                "time": now_text(),
                "method": self.command,
                "path": self.path,
                "request_line": self.requestline,
                "headers": {k: v for k, v in self.headers.items()},
                "header_order": [k for k in self.headers.keys()],
                "body": text,
                "body_bytes": len(body),
                "json": parsed if isinstance(parsed, dict) else None,
                "followup": followup,
                "status": 302 if redirect else 200,
            }
            self.state.reports.append(record)
            session = self.state.session
        if redirect:
            # First report of this run: send the client round once, with a cookie it must carry.
            location = "http://%s%s?step=followup" % (host, self.state.report_path)
            cookie = "%s=%s; Path=/" % (COOKIE_NAME, session)
            return self.send_empty(302, [("Location", location), ("Set-Cookie", cookie)])
        received = parsed if isinstance(parsed, dict) else None
        answer = {"code": "0", "msg": "ok", "received": received}
        self.send_json(200, answer)

    # -- downloads --------------------------------------------------------------------------

    def download(self, key, query):
        item = self.state.downloads.get(key)
        if item is None:
            return self.send_empty(404)
        rate = int((query.get("rate") or ["0"])[0]) * 1024  # bytes per second, 0 = unlimited
        disposition = "attachment; filename=\"%s\"; filename*=UTF-8''%s" % (
            item.fallback,
            urllib.parse.quote(item.name, safe=""),
        )
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(item.data)))
        self.send_header("Content-Disposition", disposition)
        self.end_headers()
        if self.command == "HEAD":
            return
        chunk = 64 * 1024
        started = time.monotonic()
        try:
            for offset in range(0, len(item.data), chunk):
                self.wfile.write(item.data[offset:offset + chunk])
                if rate > 0:
                    pause = started + (offset + chunk) / rate - time.monotonic()
                    if pause > 0:
                        time.sleep(pause)
        except ConnectionError:
            self.log_message("download of %s cancelled by the client", item.key)

    # -- the scripted walk ------------------------------------------------------------------

    def walk_next(self):
        with self.state.lock:
            action = self.state.walk_actions.popleft() if self.state.walk_actions else None
        if action is None:
            return self.send_empty(204)
        self.send_json(200, action)

    def walk_action(self, body):
        action = json.loads(body.decode("utf-8"))
        with self.state.lock:
            self.state.walk_action_seq += 1
            action["seq"] = self.state.walk_action_seq
            self.state.walk_actions.append(action)
        self.send_json(200, action)

    def walk_event(self, body):
        try:
            event = json.loads(body.decode("utf-8"))
        except ValueError:
            return self.send_empty(400)
        event["time"] = now_text()
        with self.state.lock:
            self.state.walk_events.append(event)
        self.send_empty(204)


def decode_body(body, codepage):
    # The shell sends the report in its ANSI code page although the content type says UTF-8; the
    # two agree for ASCII only, and GBK bytes are often valid UTF-8 as well, so the code page is
    # tried first.
    for encoding in (codepage, "utf-8"):
        try:
            return body.decode(encoding)
        except UnicodeDecodeError:
            pass
    return body.decode(codepage, errors="replace")


def esc(text):
    return html.escape(str(text))


def now_text():
    t = time.time()
    return time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(t)) + ".%03d" % (int(t * 1000) % 1000)


REPORTS_TEMPLATE = """<!doctype html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>报告记录 Reports received</title>
<link rel="stylesheet" href="/style.css">
</head>
<body>
<header><h1>报告记录 <span class="en">Reports received</span></h1>
<p><a href="/">返回首页 Back to the portal</a> · <a href="/reports">刷新 Reload</a></p></header>
<main>
<section>
<h2>版本与登录报告 <span class="en">Version and login reports</span> ({count})</h2>
<p>服务器在 <code>{report_path}</code> 接收报告。本次运行的第一份报告得到一个设置 Cookie 的 302 应答，
程序带着 Cookie 重发到新地址（第二行 “followup”）。<br>
<span class="en">The server takes reports at <code>{report_path}</code>. The first report of this
run is answered with a 302 that sets a cookie; the program sends the same body again to the new
address, carrying the cookie (the "followup" row).</span></p>
<table>
<tr><th>时间 Time</th><th>请求 Request</th><th>应答 Answer</th><th>Cookie</th><th>内容 Body</th>
<th>纳税人识别号 nsrsbh</th></tr>
{rows}
</table>
</section>
<section>
<h2>页面命令地址 <span class="en">Page command addresses that reached the portal</span></h2>
<table><tr><th>时间 Time</th><th>地址 Address</th></tr>
{commands}
</table>
</section>
</main>
</body>
</html>
"""


def main(argv=None):
    parser = argparse.ArgumentParser(description="Corvane demo portal on 127.0.0.1")
    parser.add_argument("--port", type=int, default=0, help="port to listen on; 0 picks a free one")
    parser.add_argument("--port-file", help="write the port to this file once listening")
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--root", default=os.path.join(here, "www"),
                        help="folder of the portal's pages")
    parser.add_argument("--report-path", default=DEFAULT_REPORT_PATH,
                        help="path that receives the version and login report")
    parser.add_argument("--codepage", default="gbk",
                        help="code page in which Corvane sends the report (its ANSI code page)")
    args = parser.parse_args(argv)

    httpd = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    httpd.daemon_threads = True
    httpd.state = PortalState(args.report_path)
    httpd.root = os.path.realpath(args.root)
    httpd.codepage = args.codepage
    port = httpd.server_address[1]

    def stop(signum, frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("portal: listening on http://127.0.0.1:%d/" % port, flush=True)
    try:
        httpd.serve_forever(poll_interval=0.2)
    except SystemExit:
        pass
    finally:
        httpd.server_close()
    print("portal: stopped", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

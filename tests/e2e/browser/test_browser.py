"""The browser window of the program from a build, with the real engine, under X (the test runs
under Xvfb and starts openbox), on a portal and a report server served from 127.0.0.1.

What it catches: a start page that never loads or whose title and address do not reach the window,
a login command that does not reach the report server or does not store the taxpayer number, an
exit command that does not end the program with 0, a hidden alert that blocks the page, a download
that does not land where the user chose or whose completion never reaches the status bar, and a
main window that does not come up on screen."""

import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest
import urllib.parse

PROGRAM_DIR = os.environ["CORVANE_PROGRAM_DIR"]
OUT_DIR = os.environ.get("CORVANE_E2E_OUT", tempfile.gettempdir())
TITLE = "Corvane browser e2e"
NSRSBH = "91320100E2E0001X"
DOWNLOAD = bytes(range(256)) * 4096  # 1 MiB


def command(obj):
    """A page command address path: the marker and the URL-encoded JSON object."""
    return "/interact_" + urllib.parse.quote(json.dumps(obj, separators=(",", ":")), safe="")


def page(body, title=TITLE):
    return ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>%s</title></head>"
            "<body>%s</body></html>" % (title, body)).encode()


PAGES = {
    "/start.html": page("<h1>Corvane 电子税务局</h1><p>start page</p>"),
    # The login command in a frame; once its navigation goes on (after the report), the exit.
    "/login.html": page(
        "<iframe id='f'></iframe><script>"
        "var f = document.getElementById('f');"
        "f.onload = function () { location.href = '%s'; };"
        "f.src = '%s';</script>" % (command({"type": "exit"}),
                                    command({"type": "login", "data": {"nsrsbh": NSRSBH}}))),
    "/alert.html": page("<script>alert('QVXX_noShow_silent');"
                        "location.href = '/after-alert.html';</script>"),
    "/after-alert.html": page("<p>after the alert</p>"),
    "/keys.html": page("<p>keys</p><input id='i'>"),
    "/download.html": page("<script>setTimeout(function () {"
                           "location.href = '/files/report.bin'; }, 300);</script>"),
}


class Server:
    """An HTTP server on 127.0.0.1 (a port of its own) that records every request."""

    def __init__(self):
        self.requests = []  # (method, path, body)
        requests = self.requests

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                requests.append(("GET", self.path, b""))
                path = self.path.split("?")[0]
                if path == "/files/report.bin":
                    self.reply(DOWNLOAD, "application/octet-stream",
                               {"Content-Disposition": 'attachment; filename="report.bin"'})
                elif path in PAGES:
                    self.reply(PAGES[path], "text/html; charset=utf-8")
                else:
                    self.reply(page("<p>ok</p>"), "text/html; charset=utf-8")

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                requests.append(("POST", self.path, self.rfile.read(length)))
                self.reply(b'{"code":"00"}', "application/json")

            def reply(self, body, content_type, headers=None):
                self.send_response(200)
                self.send_header("Content-Type", content_type)
                self.send_header("Content-Length", str(len(body)))
                for k, v in (headers or {}).items():
                    self.send_header(k, v)
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.base = "http://127.0.0.1:%d" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def paths(self, method="GET"):
        return [p for m, p, _ in self.requests if m == method]

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def wait_for(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError("timed out waiting for " + what)


def xdotool(*args):
    return subprocess.run(["xdotool"] + list(args), capture_output=True, text=True).stdout.split()


class BrowserWindow(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="corvane-browser-e2e-")
        self.prog = os.path.join(self.dir, "program")
        shutil.copytree(PROGRAM_DIR, self.prog, symlinks=False)
        for sub in ("cache", "logs", "down"):
            shutil.rmtree(os.path.join(self.prog, sub), ignore_errors=True)
        self.portal = Server()
        self.reports = Server()
        with open(os.path.join(self.prog, "log4me.ini"), "w") as f:
            f.write("[log4me]\r\nlevel=debug\r\n")
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.program = None

    def tearDown(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.wm.terminate()
        self.wm.wait()
        self.portal.stop()
        self.reports.stop()
        shutil.rmtree(self.dir, ignore_errors=True)

    def start(self, page_path):
        with open(os.path.join(self.prog, "qvpz.pz"), "w") as f:
            f.write("[config]\r\nTaxUrl=%s%s\r\nServer=%s/report\r\n"
                    % (self.portal.base, page_path, self.reports.base))
        self.program = subprocess.Popen([os.path.join(self.prog, "corvane")], cwd=self.dir)

    def log(self):
        logs = os.path.join(self.prog, "logs")
        text = b""
        if os.path.isdir(logs):
            for name in sorted(os.listdir(logs)):
                with open(os.path.join(logs, name), "rb") as f:
                    text += f.read()
        return text.decode("gbk", errors="replace")

    def main_window(self):
        return wait_for(lambda: xdotool("search", "--name", "^%s$" % TITLE), 120,
                        "the main window captioned with the page title")[0]

    def test_start_page_title_address_and_screenshot(self):
        self.start("/start.html")
        url = self.portal.base + "/start.html"
        window = self.main_window()
        # Maximised: as wide as the screen.
        screen_width = xdotool("getdisplaygeometry")[0]
        wait_for(lambda: "WIDTH=" + screen_width in xdotool("getwindowgeometry", "--shell", window),
                 60, "the main window to fill the screen's width")
        # The start address is traced when the window is shown, the status bar follows the load.
        wait_for(lambda: "StatusBar:" + url in self.log(), 60, "the address in the status bar")
        self.assertIn(url, self.log())

        shot = os.path.join(OUT_DIR, "browser-main-window.png")
        subprocess.run(["import", "-window", "root", shot], check=True)
        spread = subprocess.run(["convert", shot, "-format", "%[fx:standard_deviation]", "info:"],
                                capture_output=True, text=True, check=True).stdout
        self.assertGreater(float(spread), 0.0, "the screenshot shows nothing but one colour")

    def test_login_reports_and_stores_the_number_then_exit_ends_with_0(self):
        self.start("/login.html")
        self.assertEqual(self.program.wait(timeout=180), 0)
        posts = [b for m, p, b in self.reports.requests if m == "POST" and p == "/report"]
        self.assertEqual(len(posts), 1, self.reports.requests)
        self.assertEqual(json.loads(posts[0].decode("gbk"))["nsrsbh"], NSRSBH)
        with open(os.path.join(self.prog, "HISUPDATE", "qvprm.ini"), "rb") as f:
            self.assertIn(("nsrsbh=" + NSRSBH).encode(), f.read())
        # Both command navigations went on to the portal.
        self.assertTrue(any(p.startswith("/interact_") and "login" in p
                            for p in self.portal.paths()), self.portal.paths())

    def test_alert_with_the_no_show_prefix_does_not_block_the_page(self):
        self.start("/alert.html")
        wait_for(lambda: "/after-alert.html" in self.portal.paths(), 120,
                 "the page to go on after its alert")
        self.assertEqual(xdotool("search", "--name", "系统 提示"), [])

    def bottom_band_shows_something(self):
        """Whether the band where the developer tools dock holds anything but one colour."""
        shot = os.path.join(self.dir, "band.png")
        subprocess.run(["import", "-window", "root", shot], check=True)
        width, height = (int(v) for v in xdotool("getdisplaygeometry"))
        spread = subprocess.run(
            ["convert", shot, "-crop", "%dx150+0+%d" % (width, height - 220),
             "-format", "%[fx:standard_deviation]", "info:"],
            capture_output=True, text=True, check=True).stdout
        return float(spread) > 0.0

    def test_keys_typed_in_the_page(self):
        self.start("/keys.html")
        window = self.main_window()
        wait_for(lambda: "StatusBar:" + self.portal.base + "/keys.html" in self.log(), 60,
                 "the page to load")
        xdotool("windowactivate", "--sync", window)
        xdotool("mousemove", "300", "300", "click", "1")
        # F12 and F11 belong to the page while it has the focus.
        xdotool("key", "F12")
        xdotool("key", "F11")
        time.sleep(2)
        self.assertFalse(self.bottom_band_shows_something())
        # Still the bordered window: a full screen would be as high as the screen.
        self.assertNotIn("HEIGHT=" + xdotool("getdisplaygeometry")[1],
                         xdotool("getwindowgeometry", "--shell", window))
        # Ctrl+F12 works wherever the focus is: the developer tools dock at the bottom.
        xdotool("key", "ctrl+F12")
        wait_for(self.bottom_band_shows_something, 60, "the developer tools at the bottom")

    def test_download_lands_in_the_chosen_folder(self):
        self.start("/download.html")
        self.main_window()
        dialog = wait_for(lambda: xdotool("search", "--name", "^Save"), 120, "the Save As dialog")
        target = os.path.join(self.dir, "chosen", "report.bin")
        os.makedirs(os.path.dirname(target))
        xdotool("windowactivate", "--sync", dialog[0])
        xdotool("key", "--clearmodifiers", "ctrl+a")
        xdotool("type", "--delay", "20", target)
        xdotool("key", "Return")

        wait_for(lambda: os.path.isfile(target) and os.path.getsize(target) == len(DOWNLOAD),
                 120, "the file in the chosen folder")
        box = wait_for(lambda: xdotool("search", "--onlyvisible", "--name", "^Corvane$"), 120,
                       "the completion box")
        self.assertIn("StatusBar:下载完成！", self.log())
        with open(target, "rb") as f:
            self.assertEqual(f.read(), DOWNLOAD)
        xdotool("windowactivate", "--sync", box[0])
        xdotool("key", "Return")
        wait_for(lambda: not xdotool("search", "--onlyvisible", "--name", "^Corvane$"), 60,
                 "the box to close")
        self.assertIsNone(self.program.poll(), "the main window stays after a download")


if __name__ == "__main__":
    unittest.main()

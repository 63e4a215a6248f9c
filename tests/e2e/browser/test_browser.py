"""The browser window of the program from a build, with the real engine, under X (the test runs
under Xvfb and starts openbox), on a portal and a report server served from 127.0.0.1.

What it catches: a start page that never loads or whose title and address do not reach the window,
a login command that does not reach the report server or does not store the taxpayer number, an
exit command that does not end the program with 0, a hidden alert that blocks the page, a download
that does not land where the user chose or whose completion never reaches the status bar, and a
main window that does not come up on screen."""

import json
import os
import subprocess
import tempfile
import time
import unittest

from e2e_support import SAVE_AS_DIALOG, ProgramTest, command, page, wait_for, xdotool

OUT_DIR = os.environ.get("CORVANE_E2E_OUT", tempfile.gettempdir())
TITLE = "Corvane browser e2e"
NSRSBH = "91320100E2E0001X"
DOWNLOAD = bytes(range(256)) * 4096  # 1 MiB


PAGES = {
    "/start.html": page(TITLE, "<h1>Corvane 电子税务局</h1><p>start page</p>"),
    # The login command in a frame; once its navigation goes on (after the report), the exit.
    "/login.html": page(
        TITLE, "<iframe id='f'></iframe><script>"
        "var f = document.getElementById('f');"
        "f.onload = function () { location.href = '%s'; };"
        "f.src = '%s';</script>" % (command({"type": "exit"}),
                                    command({"type": "login", "data": {"nsrsbh": NSRSBH}}))),
    "/alert.html": page(TITLE, "<script>alert('QVXX_noShow_silent');"
                        "location.href = '/after-alert.html';</script>"),
    "/after-alert.html": page(TITLE, "<p>after the alert</p>"),
    "/keys.html": page(TITLE, "<p>keys</p><input id='i'>"),
    "/download.html": page(TITLE, "<script>setTimeout(function () {"
                           "location.href = '/files/report.bin'; }, 300);</script>"),
}


def download(handler):
    handler.reply(DOWNLOAD, "application/octet-stream",
                  (("Content-Disposition", 'attachment; filename="report.bin"'),))


def report(handler):
    handler.reply(b'{"code":"00"}', "application/json")


class BrowserWindow(ProgramTest):
    TITLE = TITLE

    def setUp(self):
        super().setUp()
        self.portal = self.site(dict(PAGES, **{"/files/report.bin": download}))
        self.reports = self.site({"/report": report})
        self.folder = None

    def start(self, page_path):
        self.folder = self.program(self.portal.base + page_path, self.reports.base + "/report")
        self.folder.start()

    def log(self):
        return self.folder.log()

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
        self.assertEqual(self.folder.wait(timeout=180), 0, self.folder.stderr_text()[-2000:])
        posts = [b for m, p, b in self.reports.requests if m == "POST" and p == "/report"]
        self.assertEqual(len(posts), 1, self.reports.requests)
        self.assertEqual(json.loads(posts[0].decode("gbk"))["nsrsbh"], NSRSBH)
        self.assertIn(("nsrsbh=" + NSRSBH).encode(), self.folder.read("HISUPDATE/qvprm.ini"))
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
        shot = os.path.join(self.folder.dir, "band.png")
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
        dialog = wait_for(lambda: xdotool("search", "--name", SAVE_AS_DIALOG), 120, "the Save As dialog")
        target = os.path.join(self.folder.dir, "chosen", "report.bin")
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
        self.assertIsNone(self.folder.process.poll(), "the main window stays after a download")


if __name__ == "__main__":
    unittest.main()

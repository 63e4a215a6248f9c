"""The real program with the real engine under faults, renderer crashes, a server that drips and
hostile input; each class is one ctest test (see CMakeLists.txt).

Run under X (ctest runs under Xvfb) with CORVANE_PROGRAM_DIR set; each test starts openbox."""

import os
import re
import signal
import stat
import time
import unittest

from dripping_server import DrippingServer
from e2e_support import (SAVE_AS_DIALOG, ProgramTest, command, page, press, wait_for,
                         windows_named)

TITLE = "Corvane reliability e2e"
NSRSBH = "330100799655058"


def login_page(nsrsbh, then="/after.html", delay_ms=1500):
    """A page that sends the login command from a frame once its title is up, then goes on."""
    return page(TITLE, "<iframe id='f'></iframe><script>"
                       "var f = document.getElementById('f');"
                       "setTimeout(function () {"
                       "  f.onload = function () { location.href = '%s'; };"
                       "  f.src = '%s'; }, %d);</script>"
                % (then, command({"type": "login", "data": {"nsrsbh": nsrsbh}}), delay_ms))


class ReliabilityTest(ProgramTest):
    TITLE = TITLE


class SlowReportServer(ReliabilityTest):
    # Catches a report wait that freezes the window (it would not close) or that lets the program
    # end before the report is over (the number not stored, a crash on the way out).
    def test_window_stays_responsive_and_closes_while_the_server_drips(self):
        reports = DrippingServer(b"HTT", interval=20.0)  # a byte every 20 s for a minute
        self.cleanups.append(reports.stop)
        portal = self.site({"/login.html": login_page(NSRSBH)})
        program = self.program(portal.base + "/login.html", reports.base + "/report")
        program.start()

        wait_for(lambda: reports.requests, 120, "the report to reach the server")
        window = self.main_window(60)
        press(window, "alt+F4")
        wait_for(lambda: not windows_named("^%s$" % TITLE), 30,
                 "the main window to close while the report waits")
        self.assertFalse(reports.done.is_set(), "closed while the server was still dripping")

        self.assertEqual(program.wait(timeout=240), 0, program.stderr_text()[-2000:])
        self.assertTrue(reports.done.is_set(), "the program waited for the report to end")
        self.assertIn(b"nsrsbh=" + NSRSBH.encode(), program.read("HISUPDATE/qvprm.ini"))
        errors = [e for e in program.log().split("[error]")[1:]]
        self.assertEqual(len(errors), 1, errors)
        self.assertIn(reports.base + "/report\r\n", errors[0])
        self.assertIn("Connection closed in the middle of the status line", errors[0])


class Faults(ReliabilityTest):
    def setUp(self):
        super().setUp()
        self.portal = self.site({"/start.html": page(TITLE, "<p>start</p>"),
                                 "/login.html": login_page(NSRSBH),
                                 "/after.html": page(TITLE, "<p>after the login</p>")})

    # Catches a log that cannot be written stopping the program or losing its failures silently.
    def test_log_folder_that_cannot_be_written(self):
        program = self.program(self.portal.base + "/start.html")
        program.write("logs", "a file where the log folder should be")
        program.start()
        self.close_and_expect_0(program, self.main_window())
        lines = program.read("log4me_err.log").decode("gbk").split("\r\n")
        self.assertEqual(lines.pop(), "")
        self.assertGreater(len(lines), 3)
        for line in lines:
            self.assertRegex(line, r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} Cannot open file "
                                   r"\"%s/logs/\d{4}-\d\d-\d\d_corvane\.log\"\. "
                             % re.escape(program.prog))

    # Catches a missing update folder stopping the login or the program.
    def test_missing_update_folder(self):
        program = self.program(self.portal.base + "/login.html", self.portal.base + "/report")
        for name in os.listdir(program.path("HISUPDATE")):
            os.remove(program.path("HISUPDATE", name))
        os.rmdir(program.path("HISUPDATE"))
        program.start()
        wait_for(lambda: "/after.html" in self.portal.paths(), 120, "the page to go on")
        self.assertEqual(len(self.portal.paths("POST")), 1, "the report was sent")
        self.assertIn("Unable to write to %s/HISUPDATE/qvprm.ini" % program.prog, program.log())
        self.close_and_expect_0(program, self.main_window())

    # Catches the program starting without its update-check component.
    def test_missing_update_check_component(self):
        program = self.program(self.portal.base + "/start.html")
        os.remove(program.path("CK_update.so"))
        program.start()
        self.assertNotEqual(program.wait(timeout=60), 0)
        self.assertIn("CK_update.so: cannot open shared object file", program.stderr_text())
        self.assertFalse(os.path.exists(program.path("logs")), "the program never ran")

    # Catches a crashing outside updater taking the start-up down with it.
    def test_outside_updater_that_crashes(self):
        program = self.program(self.portal.base + "/start.html")
        program.write("ExeUpdate", "#!/bin/sh\ntouch \"$(dirname \"$0\")/ExeUpdate.ran\"\n"
                                   "kill -SEGV $$\n")
        os.chmod(program.path("ExeUpdate"), 0o755)
        program.start()
        window = self.main_window()
        self.assertTrue(os.path.exists(program.path("ExeUpdate.ran")))
        self.close_and_expect_0(program, window)

    # Catches the real program ending otherwise than its entry says when the engine library is
    # missing or is random bytes: another exit code, a crash on the way out after its box.
    def test_engine_library_missing_or_random_bytes(self):
        cases = [("missing", None, "^Corvane$", 0),
                 ("random bytes", b"\x00" + os.urandom(8191), "^Application Error$", 1)]
        for name, content, box_name, exit_code in cases:
            with self.subTest(name):
                program = self.program(self.portal.base + "/start.html")
                os.remove(program.path("CefLib", "libcef.so"))
                if content is not None:
                    program.write("CefLib/libcef.so", content)
                program.start()
                box = wait_for(lambda: windows_named(box_name), 120, "the box")
                press(box[0], "Return")
                self.assertEqual(program.wait(timeout=60), exit_code)
                self.assertEqual(windows_named("^%s$" % TITLE), [])


class RendererCrash(ReliabilityTest):
    # Catches a crashed page left blank, a crash that goes unreported, and a page that takes its
    # renderer down at once making the window reload for ever.
    def test_reloads_the_start_page_then_gives_up_with_the_hotline(self):
        portal = self.site({"/start.html": page(TITLE, "<p>start</p>")})
        program = self.program(portal.base + "/start.html")
        program.start()
        window = self.main_window()

        def loads():
            return portal.paths().count("/start.html")

        killed = set()

        def kill_renderers(sig):
            pids = wait_for(lambda: [p for p in program.renderers() if p not in killed], 60,
                            "a renderer of the page")
            for pid in pids:
                killed.add(pid)
                os.kill(pid, sig)

        before = loads()
        kill_renderers(signal.SIGSEGV)
        wait_for(lambda: loads() == before + 1, 60, "the start page to be loaded again")
        wait_for(lambda: "render process ended:" in program.log(), 30, "the crash in the log")
        self.assertTrue(any("render process ended:" in e for e in
                            program.log().split("[error]")[1:]))

        # Ended again right after the reload: the hotline box, no further reload. A reload that
        # took longer than the retry window on a busy machine counts as a fresh start.
        box = []
        for _ in range(3):
            reloads = loads()
            kill_renderers(signal.SIGKILL)
            box = wait_for(lambda: windows_named("^Corvane$") or loads() > reloads, 60,
                           "the hotline box or another reload")
            if box is not True:
                break
        self.assertIsNot(box, True, "the window kept reloading")
        self.assertEqual(loads(), reloads, "no reload after giving up")
        press(box[0], "Return")
        wait_for(lambda: not windows_named("^Corvane$"), 30, "the box to close")
        self.assertIsNone(program.process.poll(), "the window stays")
        self.close_and_expect_0(program, window)


class Security(ReliabilityTest):
    # Catches: the program touching a "cache" folder of the folder it was started from or writing
    # there; a taxpayer number adding lines to qvprm.ini; a download named by the server landing
    # outside the folder chosen; anything the program writes being writable by everybody when the
    # user's umask allows it.
    def test_hostile_input_stays_contained(self):
        evil_number = NSRSBH + "\r\n[config]\r\nTaxUrl=http://evil.example/\r\nnsrsbh=1"
        payload = b"downloaded bytes" * 1000

        def evil_download(handler):
            handler.reply(payload, "application/octet-stream",
                          [("Content-Disposition", 'attachment; filename="../..\\\\evil.bin"')])

        portal = self.site({
            "/start.html": login_page(evil_number, then="/download.html"),
            "/download.html": page(TITLE, "<script>setTimeout(function () {"
                                          "location.href = '/files/evil'; }, 300);</script>"),
            "/files/evil": evil_download,
        })
        program = self.program(portal.base + "/start.html", portal.base + "/report")
        os.makedirs(program.path("down"))
        elsewhere = os.path.join(program.dir, "elsewhere")
        os.makedirs(os.path.join(elsewhere, "cache"))
        with open(os.path.join(elsewhere, "cache", "keep.txt"), "w") as f:
            f.write("the user's own files")
        before = {p: os.stat(p).st_mtime_ns for p in tree(program.dir)}

        program.start(cwd=elsewhere, umask=0)
        window = self.main_window()
        dialog = wait_for(lambda: windows_named(SAVE_AS_DIALOG), 120, "the Save As dialog")
        press(dialog[0], "Return")  # the folder and name the program suggests
        box = wait_for(lambda: windows_named("^Corvane$"), 120, "the completion box")
        press(box[0], "Return")
        self.close_and_expect_0(program, window)

        # The number is one value of one key.
        lines = [l for l in program.read("HISUPDATE/qvprm.ini").decode("gbk").split("\r\n") if l]
        self.assertEqual(lines, ["[parms]", "clientlx=1", "version=1.0.0", "nsrsbh=" + NSRSBH])

        created = sorted(set(tree(program.prog)) - set(before))
        # Only the program folder's own places (the engine adds an empty "locales" beside its
        # executable); the download inside the folder it offered.
        places = ("logs", "cache", "down", "HISUPDATE", "locales")
        outside = [p for p in created
                   if os.path.relpath(p, program.prog).split(os.sep)[0] not in places]
        self.assertEqual(outside, [])
        downloads = [p for p in created if p.startswith(program.path("down") + os.sep)]
        self.assertEqual(len(downloads), 1, downloads)
        with open(downloads[0], "rb") as f:
            self.assertEqual(f.read(), payload)
        self.assertEqual(os.path.dirname(downloads[0]), program.path("down"))
        # The folder the program was started from is as it was.
        self.assertEqual({p: os.stat(p).st_mtime_ns for p in tree(elsewhere)},
                         {p: t for p, t in before.items() if p.startswith(elsewhere + os.sep)})

        written = created + [program.path("HISUPDATE", "qvprm.ini")]
        everybody = [p for p in written if os.stat(p).st_mode & stat.S_IWOTH]
        self.assertEqual(everybody, [])


def tree(root):
    """Every file and folder below root (symbolic links not followed)."""
    found = []
    for folder, dirs, files in os.walk(root):
        found += [os.path.join(folder, n) for n in dirs + files
                  if not os.path.islink(os.path.join(folder, n))]
    return found


if __name__ == "__main__":
    unittest.main()

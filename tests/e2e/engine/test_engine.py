"""The engine library on real Chromium: each class is one run of engine_probe (one Chromium start)
against local pages, reading the events the probe prints.

Run by ctest under Xvfb with ENGINE_PROBE and ENGINE_LIBRARY set (see CMakeLists.txt)."""
import os
import time
import re
import signal
import socket
import unittest

from local_site import LocalSite
from probe_run import ProbeRun, wait_for


class EngineRun(unittest.TestCase):
    """Starts one probe for the class; at the end shuts the engine down and checks it ended well
    and wrote nothing under the fresh $HOME."""
    probe_args = ()

    @classmethod
    def setUpClass(cls):
        cls.site = LocalSite()
        cls.tls_site = LocalSite(tls=True)
        try:
            cls.probe = ProbeRun(*cls.probe_args)
        except BaseException:
            cls.site.stop()
            cls.tls_site.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        probe = cls.probe
        mark = probe.mark()
        code = probe.quit()
        try:
            # Shutdown closes what is left: the probe's browser gets its last event and the
            # engine lets go of the client.
            if code != 0 or not probe.matching(r"^before-close %d " % probe.main_id) \
                    or not probe.matching(r"^client-released$", mark):
                raise AssertionError("engine did not shut down cleanly (exit %s)\n%s"
                                     % (code, probe.transcript()))
            if probe.home_files():
                raise AssertionError("written under $HOME: %s" % probe.home_files())
        finally:
            cls.site.stop()
            cls.tls_site.stop()
            probe.cleanup()

    def load(self, url):
        """Loads url in the probe's browser and returns the load-end match."""
        mark = self.probe.mark()
        self.probe.send("load " + url)
        return self.probe.expect(r"^load-end %d (\d+) main=1 (\S+)$" % self.probe.main_id, mark)


class PageEvents(EngineRun):
    def test_before_browse_reports_main_frame_sub_frame_and_redirect(self):
        probe, me = self.probe, self.probe.main_id
        mark = probe.mark()
        self.load(self.site.url("/frames"))
        probe.expect(r"^before-browse %d main=1 redirect=0 cancel=0 %s$"
                     % (me, re.escape(self.site.url("/frames"))), mark)
        probe.expect(r"^before-browse %d main=0 redirect=0 cancel=0 %s$"
                     % (me, re.escape(self.site.url("/sub-frame"))), mark)

        mark = probe.mark()
        status, url = self.load(self.site.url("/redirect")).groups()
        self.assertEqual((status, url), ("200", self.site.url("/landing")))
        probe.expect(r"^before-browse %d main=1 redirect=0 cancel=0 %s$"
                     % (me, re.escape(self.site.url("/redirect"))), mark)
        probe.expect(r"^before-browse %d main=1 redirect=1 cancel=0 %s$"
                     % (me, re.escape(self.site.url("/landing"))), mark)

    def test_before_browse_keeps_percent_encoding(self):
        url = self.site.url("/interact_%7B%22type%22%3A%22x%22%7D?q=%E4%BD%A0")
        mark = self.probe.mark()
        self.probe.send("load " + url)
        self.probe.expect(r"^before-browse %d main=1 redirect=0 cancel=0 %s$"
                          % (self.probe.main_id, re.escape(url)), mark)

    def test_before_browse_can_cancel(self):
        probe = self.probe
        probe.send("cancel-navigation /blocked")
        try:
            mark = probe.mark()
            probe.send("load " + self.site.url("/blocked"))
            probe.expect(r"^before-browse %d main=1 redirect=0 cancel=1 " % probe.main_id, mark)
            self.load(self.site.url("/title"))  # the next load goes through
            self.assertNotIn("/blocked", self.site.requests)
            self.assertEqual(probe.matching(r"^load-end .*/blocked", mark), [])
        finally:
            probe.send("cancel-navigation ")

    def test_handler_failures_stop_at_the_engine(self):
        # A question (before browse) and a notification (title) whose handlers throw: the page
        # loads as if they had answered nothing, and later events still arrive.
        probe = self.probe
        probe.send("throw-in-handlers on")
        try:
            mark = probe.mark()
            self.assertEqual(self.load(self.site.url("/title")).group(1), "200")
            probe.expect(r"^title %d Probe Title$" % probe.main_id, mark)
        finally:
            probe.send("throw-in-handlers off")
        self.assertEqual(self.load(self.site.url("/landing")).group(1), "200")

    def test_load_end_carries_http_status(self):
        for url, status in [(self.site.url("/title"), "200"),
                            (self.site.url("/status?code=203"), "203"),
                            (self.site.url("/status?code=404"), "404"),
                            (self.site.url("/status?code=500"), "500"),
                            ("about:blank", "0"),
                            ("http://127.0.0.1:%d/refused" % closed_port(), "0")]:
            with self.subTest(url=url):
                self.assertEqual(self.load(url).group(1), status)

    def test_title_change_follows_the_document(self):
        mark = self.probe.mark()
        self.load(self.site.url("/title"))
        self.probe.expect(r"^title %d Probe Title$" % self.probe.main_id, mark)

    def test_js_dialogs(self):
        probe, me = self.probe, self.probe.main_id
        self.load(self.site.url("/title"))
        cases = [
            # answers given to the probe, the script, the dialog event, the title it leads to
            ("handle 1", "alert('A1'); document.title = 'after-alert'",
             r"alert mode=handle origin=\S+ message=A1 ", None, "after-alert"),
            ("handle 1", "document.title = 'confirm:' + confirm('C1')",
             r"confirm mode=handle .*message=C1 ", None, "confirm:true"),
            ("handle 0", "document.title = 'confirm:' + confirm('C2')",
             r"confirm mode=handle .*message=C2 ", None, "confirm:false"),
            ("handle 1 typed answer", "document.title = 'prompt:' + prompt('P1', 'def')",
             r"prompt mode=handle .*message=P1 default=def$", None, "prompt:typed answer"),
            ("suppress", "document.title = 'confirm:' + confirm('C3')",
             r"confirm mode=suppress .*message=C3 ", None, "confirm:false"),
            ("suppress", "document.title = 'prompt:' + prompt('P2')",
             r"prompt mode=suppress .*message=P2 ", None, "prompt:null"),
            # Left to the engine: Qt's own message box and input dialog.
            ("default", "alert('A2'); document.title = 'after-default-alert'",
             r"alert mode=default .*message=A2 ", r"^engine-dialog message-box A2$",
             "after-default-alert"),
            ("default", "document.title = 'prompt:' + prompt('P3')",
             r"prompt mode=default .*message=P3 ", r"^engine-dialog input P3$",
             "prompt:typed by the user"),
        ]
        for answers, script, dialog, engine_dialog, title in cases:
            with self.subTest(script=script, answers=answers):
                mark = probe.mark()
                probe.send("dialogs " + answers)
                probe.send("js " + script)
                probe.expect(r"^js-dialog %d %s" % (me, dialog), mark)
                if engine_dialog:
                    probe.expect(engine_dialog, mark)
                probe.expect(r"^title %d %s$" % (me, re.escape(title)), mark)
        probe.send("dialogs handle 1")

    def test_certificate_errors_are_accepted_when_ignored(self):
        mark = self.probe.mark()
        self.assertEqual(self.load(self.tls_site.url("/title")).group(1), "200")
        self.assertEqual(self.probe.matching(r"^cert-error", mark), [])
        self.assertIn("/title", self.tls_site.requests)

    def test_stop_load_abandons_the_page_load(self):
        probe = self.probe
        mark = probe.mark()
        probe.send("load " + self.site.url("/stalled"))
        probe.expect(r"^title %d stalled$" % probe.main_id, mark)
        self.assertTrue(wait_for(lambda: "/stall" in self.site.requests))
        probe.send("stop")
        # The stalled image would keep the page loading for ten minutes; stopped, the browser
        # hangs up on it.
        self.assertTrue(wait_for(lambda: "/stall" in self.site.abandoned))
        self.assertEqual(probe.matching(r"^load-end %d .*/stalled$" % probe.main_id, mark), [])

    def test_render_process_termination_is_reported(self):
        probe = self.probe
        self.load(self.site.url("/title"))
        renderers = probe.renderers()
        self.assertTrue(renderers)
        mark = probe.mark()
        for pid in renderers:
            os.kill(pid, signal.SIGKILL)
        probe.expect(r"^render-terminated %d status=1 code=\d+$" % probe.main_id, mark)
        self.load(self.site.url("/landing"))  # a new renderer takes over

    def test_helper_processes_are_instances_of_the_probe(self):
        self.load(self.site.url("/title"))
        helpers = self.probe.descendants()
        kinds = {arg.split("=", 1)[1] for _, _, argv in helpers for arg in argv
                 if arg.startswith("--type=")}
        self.assertIn("zygote", kinds)
        self.assertTrue(self.probe.renderers())
        for pid, exe, argv in helpers:
            self.assertEqual(exe, self.probe.executable, (pid, argv))

    def test_storage_stays_in_the_cache_folder(self):
        mark = self.probe.mark()
        self.load(self.site.url("/storage"))
        self.probe.expect(r"^title %d stored$" % self.probe.main_id, mark)
        self.assertEqual(self.probe.home_files(), [])
        self.assertTrue(any(f.startswith("Local Storage") for f in
                            self.probe.files_under(self.probe.cache)))
        self.assertEqual(self.probe.files_under(self.probe.cwd), [])

    def test_context_menu_asks_the_client_before_the_default_action(self):
        probe, me = self.probe, self.probe.main_id
        self.load(self.site.url("/title"))
        reload_id = 3  # the page action "Reload"
        for handled in (False, True):
            with self.subTest(handled=handled):
                probe.send("menu-commands " + ("handle" if handled else "default"))
                mark = probe.mark()
                self.open_context_menu()
                probe.send("menu-pick Reload")
                entries = probe.expect(r"^menu (.*)$", mark).group(1).split("|")
                self.assertIn("Reload", entries)
                probe.expect(r"^context-menu-command %d %d handled=%d$"
                             % (me, reload_id, int(handled)), mark)
                if not handled:  # the default action reloads the page
                    probe.expect(r"^before-browse %d main=1 .*/title$" % me, mark)
                    probe.expect(r"^load-end %d 200 main=1 .*/title$" % me, mark)
                else:  # a round trip through the page, and still no reload
                    probe.send("js document.title = 'after-handled-menu'")
                    probe.expect(r"^title %d after-handled-menu$" % me, mark)
                    self.assertEqual(probe.matching(r"^before-browse %d " % me, mark), [])
        probe.send("menu-commands default")


    def open_context_menu(self):
        """Right-clicks into the page until Chromium answers with its context menu: a page that
        has just loaded may not take input yet."""
        probe = self.probe
        for _ in range(18):
            mark = probe.mark()
            probe.send("right-click 200 200")
            try:
                return probe.expect(r"^before-context-menu %d main=1$" % probe.main_id, mark,
                                    timeout=5)
            except AssertionError:
                continue
        self.fail("no context menu\n" + probe.transcript())


class Downloads(EngineRun):
    def download(self, name, folder, size=1000, seconds=0, dialog=False):
        """Starts a download of `name` into folder; returns (before-download name, final line)."""
        probe = self.probe
        probe.send("download-to %s%s" % (folder, " dialog" if dialog else ""))
        mark = probe.mark()
        probe.send("load " + self.site.download_url(name, size, seconds))
        before = probe.expect(r"^before-download %d total=(\d+) name=(.*)$" % probe.main_id,
                              mark)
        end = probe.expect(r"^download %d state=(complete|canceled|other) .*$" % probe.main_id,
                           mark)
        return before, end, mark

    def test_suggested_names_are_reduced_to_one_safe_component(self):
        folder = os.path.join(self.probe.root, "saved")
        passwd = os.stat("/etc/passwd")
        cases = [
            ("../x.txt", "_x.txt"),
            ("/etc/passwd", "_etc_passwd"),
            ("a\\b.txt", "a_b.txt"),
            ("..", "download"),
            ("  .hidden", "hidden"),
            ("ctl\x01\x1f.txt", "ctl__.txt"),
            ("x" * 300 + ".pdf", "x" * 240 + ".pdf"),  # room left for ".crdownload"
            ("《报表》|1.txt", "《报表》|1.txt"),
        ]
        for suggested, expected in cases:
            with self.subTest(suggested=suggested):
                before, end, _ = self.download(suggested, folder)
                self.assertEqual(before.group(2), expected)
                self.assertEqual(end.group(1), "complete")
                target = os.path.join(folder, expected)
                self.assertIn("path=" + target, end.group(0))
                self.assertEqual(os.path.getsize(target), 1000)
        # Everything landed in the folder, nothing beside it or at the named absolute path.
        self.assertEqual(sorted(self.probe.files_under(folder)),
                         sorted(expected for _, expected in cases))
        self.assertFalse(os.path.exists(os.path.join(self.probe.root, "x.txt")))
        self.assertEqual(os.stat("/etc/passwd").st_mtime_ns, passwd.st_mtime_ns)

    def test_progress_reports_sizes_speed_and_start_time(self):
        folder = os.path.join(self.probe.root, "slow")
        size = 3 * 1024 * 1024
        # Qt WebEngine 6.4 does not know the size yet when it asks where to save (total 0).
        _, end, mark = self.download("slow.bin", folder, size=size, seconds=4)
        self.assertEqual(end.group(1), "complete")
        progress = [dict(kv.split("=", 1) for kv in line.split()[3:])
                    for line in self.probe.matching(r"^download %d state=in-progress "
                                                    % self.probe.main_id, mark)]
        moving = [p for p in progress if 0 < int(p["received"]) < size]
        self.assertGreaterEqual(len(moving), 2, progress)
        for p in moving:
            self.assertEqual(p["total"], str(size))
            self.assertGreater(int(p["speed"]), 0)
            self.assertEqual(int(p["percent"]), int(p["received"]) * 100 // size)
            self.assertEqual(p["path"], os.path.join(folder, "slow.bin"))
        self.assertEqual(len({p["start"] for p in progress}), 1)
        self.assertRegex(progress[0]["start"], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")
        self.assertIn("received=%d total=%d" % (size, size), end.group(0))
        self.assertEqual(os.path.getsize(os.path.join(folder, "slow.bin")), size)

    def test_relative_folder_is_taken_in_the_program_folder(self):
        _, end, _ = self.download("rel.bin", "down")
        self.assertEqual(end.group(1), "complete")
        self.assertTrue(os.path.isfile(os.path.join(self.probe.program, "down", "rel.bin")))
        self.assertFalse(os.path.exists(os.path.join(self.probe.cwd, "down")))

    def test_save_as_dialog_decides_the_target(self):
        probe = self.probe
        start = os.path.join(probe.root, "offered")
        chosen = os.path.join(probe.root, "chosen", "picked.bin")
        os.makedirs(os.path.dirname(chosen))
        os.makedirs(start)
        probe.send("save-as " + chosen)
        _, end, mark = self.download("offered.bin", start, dialog=True)
        probe.expect(r"^save-as-dialog folder=%s name=%s$"
                     % (re.escape(start), re.escape(os.path.join(start, "offered.bin"))), mark)
        self.assertEqual(end.group(1), "complete")
        # Reported complete only once the whole file stands under its final name.
        self.assertEqual(os.listdir(os.path.dirname(chosen)), ["picked.bin"])
        self.assertEqual(os.path.getsize(chosen), 1000)
        self.assertEqual(os.listdir(start), [])

        probe.send("save-as cancel")
        _, end, _ = self.download("refused.bin", start, dialog=True)
        self.assertEqual(end.group(1), "canceled")
        self.assertEqual(os.listdir(start), [])

    def test_download_is_cancelled_through_its_callback(self):
        probe = self.probe
        folder = os.path.join(probe.root, "cancelled")
        probe.send("cancel-download")
        _, end, mark = self.download("big.bin", folder, size=8 * 1024 * 1024, seconds=20)
        probe.expect(r"^cancelling-download$", mark)
        self.assertEqual(end.group(1), "canceled")
        self.assertFalse(os.path.exists(os.path.join(folder, "big.bin")))

    def test_download_without_an_answer_is_cancelled(self):
        probe = self.probe
        probe.send("download-to none")
        mark = probe.mark()
        probe.send("load " + self.site.download_url("unwanted.bin"))
        probe.expect(r"^before-download %d " % probe.main_id, mark)
        probe.expect(r"^download %d state=canceled " % probe.main_id, mark)
        self.assertEqual(probe.files_under(probe.program),
                         [f for f in probe.files_under(probe.program)
                          if "unwanted" not in f])

    def test_download_in_a_new_window_leaves_an_empty_popup(self):
        probe = self.probe
        folder = os.path.join(probe.root, "from-popup")
        probe.send("download-to " + folder)
        self.load(self.site.url("/opener"))
        mark = probe.mark()
        probe.send("js document.getElementById('dl').click()")
        popup = int(probe.expect(r"^after-created (\d+) popup=1$", mark).group(1))
        probe.expect(r"^before-download %d total=\d+ name=from-popup.bin$" % popup, mark)
        probe.expect(r"^download %d state=complete " % popup, mark)
        probe.send("state %d" % popup)
        probe.expect(r"^state %d popup=1 has-document=0 window=top-level " % popup, mark)
        probe.send("close %d force" % popup)
        probe.expect(r"^before-close %d has-document=0$" % popup, mark)
        self.assertTrue(os.path.isfile(os.path.join(folder, "from-popup.bin")))


class WindowsAndTools(EngineRun):
    def test_popup_is_created_titled_and_closed_by_its_page(self):
        probe = self.probe
        self.load(self.site.url("/opener"))
        mark = probe.mark()
        probe.send("js window.open('/popup?autoclose')")
        popup = int(probe.expect(r"^after-created (\d+) popup=1$", mark).group(1))
        self.assertNotEqual(popup, probe.main_id)
        probe.expect(r"^before-browse %d main=1 redirect=0 cancel=0 .*/popup\?autoclose$"
                     % popup, mark)
        probe.expect(r"^load-end %d 200 main=1 " % popup, mark)
        probe.expect(r"^title %d Popup Page$" % popup, mark)
        probe.send("state %d" % popup)
        probe.expect(r"^state %d popup=1 has-document=1 window=top-level " % popup, mark)
        probe.expect(r"^before-close %d has-document=1$" % popup, mark)  # window.close()
        probe.send("state")
        probe.expect(r"^state %d popup=0 has-document=1 window=child-of-probe-window "
                     % probe.main_id, mark)
        # Nothing more reaches the client for a closed browser.
        self.load(self.site.url("/title"))
        self.assertEqual(probe.matching(r"^\S+ %d " % popup,
                                        probe.lines.index(
                                            probe.matching(r"^before-close %d " % popup)[0])
                                        + 1), [])

    def test_popup_closes_on_request_after_its_unload_handlers(self):
        probe = self.probe
        self.load(self.site.url("/opener"))
        mark = probe.mark()
        probe.send("js window.open('/popup')")
        popup = int(probe.expect(r"^after-created (\d+) popup=1$", mark).group(1))
        probe.expect(r"^load-end %d 200 " % popup, mark)
        probe.send("close %d" % popup)
        probe.expect(r"^before-close %d has-document=1$" % popup, mark)

    def test_popup_left_open_is_closed_at_the_end(self):
        # The class's end (tearDownClass) quits with this pop-up still open: the application's
        # quit closes it, and the engine's shutdown reports its close.
        probe = self.probe
        self.load(self.site.url("/opener"))
        mark = probe.mark()
        probe.send("js window.open('/popup')")
        popup = int(probe.expect(r"^after-created (\d+) popup=1$", mark).group(1))
        probe.expect(r"^load-end %d 200 " % popup, mark)
        type(self).left_open = popup

    def test_devtools_open_in_the_given_parent_and_close(self):
        probe = self.probe
        self.load(self.site.url("/title"))
        mark = probe.mark()
        probe.send("devtools")
        tools = int(probe.expect(r"^devtools-after-created (\d+) popup=0$", mark).group(1))
        probe.expect(r"^devtools-load-end %d \d+ main=1 devtools://" % tools, mark)
        probe.send("state %d" % tools)
        probe.expect(r"^state %d popup=0 has-document=1 window=child-of-devtools-panel " % tools,
                     mark)
        mark = probe.mark()
        probe.send("close-devtools")
        probe.expect(r"^devtools-before-close %d " % tools, mark)

    def test_print_goes_through_the_print_dialog(self):
        probe = self.probe
        self.load(self.site.url("/print"))
        for trigger in ("print", "js window.print()"):
            with self.subTest(trigger=trigger):
                pdf = os.path.join(probe.root, "printed-%d.pdf" % len(trigger))
                mark = probe.mark()
                probe.send("print-to " + pdf)
                probe.send(trigger)
                probe.expect(r"^print-dialog$", mark)
                self.assertTrue(wait_for(lambda: is_complete_pdf(pdf)), "no PDF at " + pdf)


    @classmethod
    def tearDownClass(cls):
        popup = getattr(cls, "left_open", None)
        super().tearDownClass()
        if popup is not None and not cls.probe.matching(r"^before-close %d " % popup):
            raise AssertionError("pop-up %d not closed at the end" % popup)


class CertificatesStrict(EngineRun):
    """ignore_certificate_errors off: the client decides."""
    probe_args = ("--strict-certificates",)

    def test_client_decides_on_a_certificate_error(self):
        probe = self.probe
        # Chromium remembers an accepted certificate per host: each answer gets its own host.
        for answer, host, status in [("reject", "127.0.0.1", "0"), ("accept", "localhost", "200")]:
            with self.subTest(answer=answer):
                probe.send("certificates " + answer)
                before = len(self.tls_site.requests)
                mark = probe.mark()
                url = self.tls_site.url("/title", host)
                self.assertEqual(self.load(url).group(1), status)
                probe.expect(r"^cert-error %d -?\d+ accept=%d %s$"
                             % (probe.main_id, answer == "accept", re.escape(url)), mark)
                self.assertEqual(len(self.tls_site.requests) > before, answer == "accept")


class SingleProcess(EngineRun):
    probe_args = ("--single-process",)

    def test_pages_render_without_helper_renderers(self):
        mark = self.probe.mark()
        self.assertEqual(self.load(self.site.url("/title")).group(1), "200")
        self.probe.expect(r"^title %d Probe Title$" % self.probe.main_id, mark)
        self.assertEqual(self.probe.renderers(), [])

    def test_zz_own_browser_closes_when_asked(self):
        # Runs last in its class (the browser is gone afterwards).
        probe = self.probe
        mark = probe.mark()
        probe.send("close")
        probe.expect(r"^before-close %d has-document=1$" % probe.main_id, mark)
        probe.send("state")
        probe.expect(r"^state none$", mark)


def closed_port():
    """A loopback port nothing listens on (taken and given back at once)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def is_complete_pdf(path):
    with open(path, "rb") as f:
        data = f.read()
    return data.startswith(b"%PDF-") and b"%%EOF" in data[-64:]


if __name__ == "__main__":
    unittest.main()

"""Public terminal mode of the program from a build, with the real engine, under X (Xvfb and
openbox), on portals served from 127.0.0.1.

What it catches: a session (cookies, storage, IndexedDB, service workers) that survives the idle
reset; input during the countdown that does not stop it; a navigation that reaches a host outside
AllowedHosts or a foreign frame that commands the shell; a portal that answers 503 or is
unreachable and never comes back without a touch; F11 or the developer tools working on a
locked-down terminal; a kiosk session that does not start a new instance after a kill or an
exit."""

import os
import signal
import socket
import ssl
import subprocess
import tempfile
import time
import urllib.parse

from e2e_support import (SAVE_AS_DIALOG, ProgramTest, Site, command, page, processes_of,
                         wait_for, windows_named, xdotool)

OUT_DIR = os.environ.get("CORVANE_E2E_OUT", tempfile.gettempdir())
TITLE = "Corvane kiosk e2e"
CERTIFICATE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "engine",
                           "self_signed.pem")


def configure(folder, **kiosk):
    """Adds section "kiosk" with the given keys to the folder's qvpz.pz."""
    text = folder.read("qvpz.pz").decode() + "[kiosk]\r\n"
    text += "".join("%s=%s\r\n" % item for item in kiosk.items())
    folder.write("qvpz.pz", text)


def screenshot(name):
    path = os.path.join(OUT_DIR, name)
    subprocess.run(["import", "-window", "root", path], check=True)
    return path


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# Sets a session cookie and a persistent one (by script and by the server), local and session
# storage, an IndexedDB database and a service worker, then goes on to the check page.
SETUP = page(TITLE, """<p>setting up</p><script>
document.cookie = 'js_session=1; path=/';
document.cookie = 'js_persistent=1; path=/; max-age=86400';
localStorage.setItem('k', 'v');
sessionStorage.setItem('k', 'v');
var open = indexedDB.open('kioskdb', 1);
open.onupgradeneeded = function () { open.result.createObjectStore('s'); };
open.onsuccess = function () {
  var tx = open.result.transaction('s', 'readwrite');
  tx.objectStore('s').put('v', 'k');
  tx.oncomplete = function () {
    open.result.close();
    navigator.serviceWorker.register('/sw.js').then(function (r) {
      return navigator.serviceWorker.ready;
    }).then(function () { location.href = '/check.html'; });
  };
};
</script>""")

# Reports what the page finds: cookies, both storages, databases and service workers.
REPORT = """<p>checking</p><script>
Promise.all([indexedDB.databases(), navigator.serviceWorker.getRegistrations()]).then(
  function (found) {
    var q = 'cookie=' + encodeURIComponent(document.cookie) +
      '&local=' + encodeURIComponent(localStorage.getItem('k') || '') +
      '&session=' + encodeURIComponent(sessionStorage.getItem('k') || '') +
      '&idb=' + found[0].length + '&sw=' + found[1].length +
      '&history=' + history.length;
    fetch('/state?' + q);
  });
</script>"""


class IdleReset(ProgramTest):
    TITLE = TITLE

    def start(self, **kiosk):
        self.starts = 0

        def start_page(handler):
            self.starts += 1
            if self.starts == 1:
                handler.reply(SETUP, headers=(
                    ("Set-Cookie", "server_session=1; Path=/"),
                    ("Set-Cookie", "server_persistent=1; Path=/; Max-Age=86400")))
            else:
                handler.reply(page(TITLE, REPORT))

        def sw(handler):
            handler.reply(b"self.addEventListener('fetch', function () {});",
                          "application/javascript")

        self.portal = self.site({"/start.html": start_page, "/sw.js": sw,
                                 "/check.html": page(TITLE, REPORT)})
        self.folder = self.program(self.portal.base + "/start.html")
        configure(self.folder, **kiosk)
        self.folder.start()

    def states(self):
        found = []
        for method, path, _ in self.portal.requests:
            if path.startswith("/state?"):
                found.append({k: v[0] if v else "" for k, v in urllib.parse.parse_qs(
                    path.split("?", 1)[1], keep_blank_values=True).items()})
        return found

    def test_reset_leaves_no_cookie_or_storage_and_loads_the_start_page(self):
        self.start(IdleReset="20", IdleNotice="5")
        before = wait_for(lambda: self.states(), 120, "the check page's report")[0]
        # The session exists: both kinds of cookies, both storages, a database, a worker.
        for name in ("js_session=1", "js_persistent=1", "server_session=1",
                     "server_persistent=1"):
            self.assertIn(name, before["cookie"])
        self.assertEqual((before["local"], before["session"], before["idb"], before["sw"]),
                         ("v", "v", "1", "1"))

        wait_for(lambda: windows_named("^Corvane$"), 60, "the idle notice")
        screenshot("kiosk-idle-notice.png")
        wait_for(lambda: len(self.states()) >= 2, 120, "the start page's report after the reset")
        after = self.states()[1]
        self.assertIn("browsing session cleared", self.folder.log())
        self.assertEqual(after, {"cookie": "", "local": "", "session": "", "idb": "0",
                                 "sw": "0", "history": "1"})
        starts = [h for p, h in self.portal.headers if p == "/start.html"]
        self.assertEqual(len(starts), 2, starts)
        self.assertIsNone(starts[1].get("Cookie"), "cookies reached the start page after the reset")
        self.assertFalse(windows_named("^Corvane$"), "the notice stayed after the reset")
        self.assertIsNone(self.folder.process.poll())

    def test_input_during_the_countdown_keeps_the_session(self):
        self.start(IdleReset="3", IdleNotice="600")
        wait_for(lambda: self.states(), 120, "the check page's report")
        notice = wait_for(lambda: windows_named("^Corvane$"), 60, "the idle notice")[0]
        xdotool("mousemove", "--window", notice, "50", "50")
        wait_for(lambda: not windows_named("^Corvane$"), 30, "the notice to close on input")
        # The idle time starts again: the notice comes back, and nothing was reset meanwhile.
        wait_for(lambda: windows_named("^Corvane$"), 60, "the notice again")
        self.assertNotIn("browsing session cleared", self.folder.log())
        self.assertEqual(len(self.states()), 1)


class FightingPage(ProgramTest):
    TITLE = TITLE

    def test_alerts_pop_ups_and_beforeunload_do_not_hold_the_reset_off(self):
        visits = []

        def start_page(handler):
            visits.append(handler.path)
            if len(visits) == 1:
                handler.reply(page("fighting", (
                    "<script>window.onbeforeunload = function (e) {"
                    "  e.preventDefault(); return e.returnValue = 'stay'; };"
                    "window.open('/popup.html', 'a'); window.open('/popup.html', 'b');"
                    "setTimeout(function () { setInterval(function () {"
                    "  window.open('/popup.html'); alert('stay'); }, 300); }, 1500);"
                    "</script>")))
            else:
                handler.reply(page(TITLE, "<p>calm</p>"))
        portal = self.site({"/start.html": start_page,
                            "/popup.html": page("fighting pop-up")})
        folder = self.program(portal.base + "/start.html")
        configure(folder, IdleReset="3", IdleNotice="1")
        folder.start()
        wait_for(lambda: windows_named("^fighting pop-up$"), 120, "the page's pop-ups")
        # The reset comes although the page never stops; the start page then shows alone.
        self.main_window()
        self.assertIn("browsing session cleared", folder.log())
        wait_for(lambda: not windows_named("^fighting pop-up$"), 60, "the pop-ups to close")
        self.assertEqual(len(visits), 2)
        self.assertIsNone(folder.process.poll())


class DownloadAtReset(ProgramTest):
    TITLE = TITLE

    def test_download_in_progress_is_cancelled_and_its_file_removed(self):
        visits = []
        ended = []

        def start_page(handler):
            visits.append(handler.path)
            script = ("<script>setTimeout(function () { location.href = '/files/slow.bin'; }, 300);"
                      "</script>" if len(visits) == 1 else "")
            handler.reply(page(TITLE, script))

        def slow(handler):
            # Far more than it sends: the download is still running when the reset comes. Stops
            # by itself when the program lets go, or after two minutes.
            handler.send_response(200)
            handler.send_header("Content-Type", "application/octet-stream")
            handler.send_header("Content-Disposition", 'attachment; filename="slow.bin"')
            handler.send_header("Content-Length", str(1 << 30))
            handler.end_headers()
            deadline = time.monotonic() + 120
            try:
                while time.monotonic() < deadline:
                    handler.wfile.write(b"x" * 65536)
                    handler.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                ended.append("closed by the program")

        portal = self.site({"/start.html": start_page, "/files/slow.bin": slow})
        folder = self.program(portal.base + "/start.html")
        configure(folder, IdleReset="8", IdleNotice="2")
        folder.start()
        self.main_window()
        dialog = wait_for(lambda: xdotool("search", "--name", SAVE_AS_DIALOG), 120,
                          "the Save As dialog")
        chosen = os.path.join(folder.dir, "chosen")
        os.makedirs(chosen)
        xdotool("windowactivate", "--sync", dialog[0])
        xdotool("key", "--clearmodifiers", "ctrl+a")
        xdotool("type", "--delay", "20", os.path.join(chosen, "slow.bin"))
        xdotool("key", "Return")
        wait_for(lambda: any(os.path.getsize(os.path.join(chosen, n)) > 0
                             for n in os.listdir(chosen)), 120, "the download to run")
        wait_for(lambda: "browsing session cleared" in folder.log(), 120, "the reset")
        wait_for(lambda: ended, 60, "the server to see the download cancelled")
        wait_for(lambda: len(visits) >= 2, 60, "the start page after the reset")
        self.assertEqual(os.listdir(chosen), [], "a partial file stayed")
        self.assertIsNone(folder.process.poll())


class AllowedHosts(ProgramTest):
    TITLE = TITLE

    def test_foreign_hosts_and_their_commands_are_refused(self):
        foreign = self.site({
            "/frame.html": page("frame", "<script>location.href = '%s';</script>"
                                % command({"type": "exit"})),
            "/away.html": page("away")})
        # The foreign server by another name, so the port alone does not decide.
        foreign_base = foreign.base.replace("127.0.0.1", "localhost")
        portal = self.site({"/start.html": page(TITLE, (
            "<iframe src='%s/frame.html'></iframe><script>"
            "setTimeout(function () { location.href = '%s/away.html'; }, 1000);"
            "</script>") % (foreign_base, foreign_base))})
        folder = self.program(portal.base + "/start.html")
        port = portal.base.rsplit(":", 1)[1]
        # With RetrySeconds too: a refused navigation is no failed load.
        configure(folder, AllowedHosts=" , 127.0.0.1:%s ,, *.example.cn " % port, RetrySeconds="1")
        folder.start()
        window = self.main_window()
        box = wait_for(lambda: windows_named("^Corvane$"), 120, "the box for the refused address")
        screenshot("kiosk-not-allowed.png")
        log = folder.log()
        self.assertIn("Navigation outside AllowedHosts refused: %s/away.html" % foreign_base, log)
        self.assertIn("Page command from outside AllowedHosts refused: %s/interact_" % foreign_base,
                      folder.error_entries()[-1] if folder.error_entries() else "")
        # The frame itself loaded; neither the refused address nor the command reached the host.
        self.assertEqual(foreign.paths(), ["/frame.html"])
        self.assertIsNone(folder.process.poll(), "the foreign frame's exit command was obeyed")
        self.assertNotIn("could not be loaded", log)
        xdotool("windowactivate", "--sync", box[0])
        xdotool("key", "Return")
        self.close_and_expect_0(folder, window)

    def tls_site(self, routes):
        site = self.site(routes)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(CERTIFICATE)
        site.httpd.socket = context.wrap_socket(site.httpd.socket, server_side=True)
        site.base = site.base.replace("http://", "https://")
        return site

    def test_certificate_errors_are_accepted_for_allowed_hosts_only(self):
        foreign = self.tls_site({"/frame.html": page("frame")})
        foreign_base = foreign.base.replace("127.0.0.1", "localhost")
        portal = self.tls_site({"/start.html": page(TITLE, "<iframe src='%s/frame.html'></iframe>"
                                                   % foreign_base)})
        folder = self.program(portal.base + "/start.html")
        configure(folder, AllowedHosts="127.0.0.1:" + portal.base.rsplit(":", 1)[1])
        folder.start()
        # The portal's self-signed certificate is accepted: its page shows.
        window = self.main_window()
        self.assertIn("/start.html", portal.paths())
        # The foreign frame's is refused: no request reaches that server. Its frame has given up
        # once the page's load has ended.
        wait_for(lambda: "StatusBar:" + portal.base + "/start.html" in folder.log(), 60,
                 "the page's load end")
        self.assertEqual(foreign.paths(), [])
        self.close_and_expect_0(folder, window)

    def test_start_page_outside_the_list_is_reported(self):
        portal = self.site({"/start.html": page(TITLE)})
        folder = self.program(portal.base + "/start.html", "http://127.0.0.1:9/report")
        configure(folder, AllowedHosts="portal.example.cn")
        folder.start()
        wait_for(lambda: "the start page %s/start.html is outside AllowedHosts" % portal.base
                 in folder.log(), 120, "the start page's error line")
        self.assertIn("the report address http://127.0.0.1:9/report is outside AllowedHosts",
                      folder.log())
        self.assertNotIn("/start.html", portal.paths())


class Retry(ProgramTest):
    TITLE = TITLE

    def test_503_twice_then_the_page_without_a_touch(self):
        answers = []

        def start_page(handler):
            answers.append(handler.path)
            if len(answers) <= 2:
                body = b"busy"
                handler.send_response(503)
                handler.send_header("Content-Length", str(len(body)))
                handler.end_headers()
                handler.wfile.write(body)
            else:
                handler.reply(page(TITLE, "<p>back</p>"))
        portal = self.site({"/start.html": start_page})
        folder = self.program(portal.base + "/start.html")
        configure(folder, RetrySeconds="3")
        folder.start()
        wait_for(lambda: "could not be loaded (HTTP 503)" in folder.log(), 120,
                 "the first failure")
        screenshot("kiosk-retry-notice.png")
        self.main_window()
        self.assertEqual(len(answers), 3)
        wait_for(lambda: "loaded again after 2 failed attempts" in folder.log(), 60,
                 "the notice to go")

    def test_unreachable_server_that_comes_back(self):
        port = free_port()
        folder = self.program("http://127.0.0.1:%d/start.html" % port)
        configure(folder, RetrySeconds="2")
        folder.start()
        wait_for(lambda: folder.log().count("Loading the start page again") >= 2, 120,
                 "two attempts on a closed port")
        self.assertIn("could not be loaded (-102", folder.log())
        portal = Site({"/start.html": page(TITLE)}, port=port)
        self.cleanups.append(portal.stop)
        self.main_window()
        self.assertIn("/start.html", portal.paths())


class Switches(ProgramTest):
    TITLE = TITLE

    def test_starts_full_screen_and_stays_so(self):
        portal = self.site({"/start.html": page(TITLE, (
            "<input autofocus><script>document.onkeydown = function (e) {"
            "  fetch('/typed?' + e.key); };</script>"))})
        folder = self.program(portal.base + "/start.html")
        configure(folder, FullScreen="1", DevTools="0")
        folder.start()
        window = self.main_window()
        width, height = xdotool("getdisplaygeometry")
        full = "WIDTH=%s\nHEIGHT=%s" % (width, height)
        wait_for(lambda: full in "\n".join(xdotool("getwindowgeometry", "--shell", window)),
                 60, "the window to cover the screen")
        wait_for(lambda: "StatusBar:" + portal.base in folder.log(), 60, "the page to load")
        def typed(key):
            return "/typed?" + key in portal.paths()

        def page_has_the_focus():
            xdotool("windowactivate", "--sync", window)
            xdotool("mousemove", "300", "300", "click", "1")
            xdotool("key", "x")
            return typed("x")
        wait_for(page_has_the_focus, 60, "the page to take the focus")
        # The page's "y" after the keys shows that the keys before it have been dealt with. (What
        # F11 and F12 do when they reach the window itself, and that Ctrl+F12 opens no developer
        # tools, the UI tests check against the scripted engine.)
        for key in ("ctrl+F12", "F11", "y"):
            xdotool("key", key)
        wait_for(lambda: typed("y"), 60, "the page to get the key after them")
        self.assertIn(full, "\n".join(xdotool("getwindowgeometry", "--shell", window)))
        self.close_and_expect_0(folder, window)


class KioskSession(ProgramTest):
    TITLE = TITLE
    SCRIPT = os.environ.get("CORVANE_KIOSK_SCRIPT", "")

    def main_pids(self, folder):
        return sorted(pid for pid, argv in processes_of(folder.exe)
                      if not any(a.startswith("--type=") for a in argv))

    def test_a_new_instance_after_a_kill_and_after_exit(self):
        served = []

        def start_page(handler):
            served.append(handler.path)
            if len(served) == 2:  # the second instance's visit ends with the portal's exit
                handler.reply(page(TITLE, "<script>setTimeout(function () {"
                                          "location.href = '%s'; }, 1500);</script>"
                                   % command({"type": "exit"})))
            else:
                handler.reply(page(TITLE, "<p>visit %d</p>" % len(served)))
        portal = self.site({"/start.html": start_page})
        folder = self.program(portal.base + "/start.html")
        session = subprocess.Popen([self.SCRIPT], env=dict(os.environ, CORVANE_HOME=folder.prog),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def stop():
            session.terminate()
            session.wait(timeout=60)
        self.cleanups.append(stop)

        first = wait_for(lambda: self.main_pids(folder), 120, "the first instance")[0]
        self.main_window()
        os.kill(first, signal.SIGKILL)
        second = wait_for(lambda: [p for p in self.main_pids(folder) if p != first], 120,
                          "an instance after the kill")[0]
        # The second visit ends with the exit command; a third instance follows.
        wait_for(lambda: [p for p in self.main_pids(folder) if p not in (first, second)], 180,
                 "an instance after the exit command")
        wait_for(lambda: len(served) >= 3, 120, "the third visit's start page")
        log = folder.read("logs/corvane-kiosk.log").decode()
        self.assertIn("Corvane ended with exit code 137", log)
        self.assertIn("Corvane ended with exit code 0", log)
        stop()
        self.assertEqual(self.main_pids(folder), [], "Corvane outlived its session")

"""What the end-to-end tests share: the real program from a build in a prepared copy of its
program folder, the local servers it talks to, and the ways a test looks at it from outside
(windows, processes, files, the log).

Run under X (ctest runs under Xvfb) with CORVANE_PROGRAM_DIR set; ctest puts this folder on
PYTHONPATH."""

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

# Window titles of Qt's own dialogs, which speak the program's language (Simplified Chinese).
SAVE_AS_DIALOG = "^另存为$"
OPEN_FILES_DIALOG = "^打开$"
PRINT_DIALOG = "^打印"


def command(obj):
    """A page command address path: the marker and the URL-encoded JSON object."""
    return "/interact_" + urllib.parse.quote(json.dumps(obj, separators=(",", ":")), safe="")


def page(title, body=""):
    return ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>%s</title></head>"
            "<body>%s</body></html>" % (title, body)).encode()


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


def windows_named(pattern):
    return xdotool("search", "--onlyvisible", "--name", pattern)


def press(window, key):
    """Sends key to window once the window manager manages it and has given it the input focus.
    A key sent before that is lost without a trace: the window manager acts on keys such as Alt+F4
    only for the window it has focused, and `windowactivate --sync` returns at once while no window
    manager answers and gives up silently after 15 s."""

    def focused():
        # WM_STATE is the window manager's mark on a window it manages. The root's
        # _NET_ACTIVE_WINDOW may be left over from an earlier window manager and name a window id
        # that X has handed out again, so the server's own input focus must agree.
        if xdotool("getactivewindow") == [window] and xdotool("getwindowfocus") == [window]:
            return "window state: Normal" in xprop(window, "WM_STATE")
        xdotool("windowactivate", window)
        return False

    wait_for(focused, 30, "the window manager to manage the window and give it the focus")
    xdotool("key", "--clearmodifiers", key)


def xprop(window, name):
    return subprocess.run(["xprop", "-id", window, name], capture_output=True, text=True).stdout


class Site:
    """An HTTP server on 127.0.0.1 (a port of its own, or the one given) that records every
    request. routes maps a path (without query) to the bytes of an HTML page or to a
    function(handler) that answers."""

    def __init__(self, routes, port=0):
        self.requests = []  # (method, path, body)
        self.headers = []  # (path, {header: value}) of every request
        requests = self.requests
        headers = self.headers

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                requests.append(("GET", self.path, b""))
                self.answer()

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                requests.append(("POST", self.path, self.rfile.read(length)))
                self.answer()

            def answer(self):
                headers.append((self.path, dict(self.headers)))
                route = routes.get(self.path.split("?")[0])
                if callable(route):
                    route(self)
                else:
                    self.reply(route if route is not None else page("ok"))

            def reply(self, body, content_type="text/html; charset=utf-8", headers=()):
                self.send_response(200)
                self.send_header("Content-Type", content_type)
                self.send_header("Content-Length", str(len(body)))
                for name, value in headers:
                    self.send_header(name, value)
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self.base = "http://127.0.0.1:%d" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def paths(self, method="GET"):
        return [p for m, p, _ in self.requests if m == method]

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def processes_of(exe):
    """(pid, argv) of every process whose executable is exe."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            if os.path.realpath("/proc/%s/exe" % pid) != exe:
                continue
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv = [a.decode(errors="replace") for a in f.read().split(b"\0") if a]
            found.append((int(pid), argv))
        except OSError:
            continue
    return found


def parent_of(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return int(f.read().rsplit(")", 1)[1].split()[1])
    except OSError:
        return None


class ProgramFolder:
    """A copy of the build's program folder in a temporary directory, configured for a local
    portal and report server, with the log at debug level; runs the program and reads what it
    leaves."""

    def __init__(self, start_url, report_url="http://127.0.0.1:9/report"):
        self.dir = tempfile.mkdtemp(prefix="corvane-e2e-")
        self.prog = os.path.join(self.dir, "program")
        shutil.copytree(PROGRAM_DIR, self.prog, symlinks=False)
        for sub in ("cache", "logs", "down"):
            shutil.rmtree(os.path.join(self.prog, sub), ignore_errors=True)
        self.exe = os.path.realpath(os.path.join(self.prog, "corvane"))
        self.write("qvpz.pz", "[config]\r\nTaxUrl=%s\r\nServer=%s\r\n" % (start_url, report_url))
        self.write("chrome.pz", "0")
        self.write("log4me.ini", "[log4me]\r\nlevel=debug\r\n")
        self.write("HISUPDATE/qvprm.ini", "[parms]\r\nclientlx=1\r\nversion=1.0.0\r\n")
        self.process = None
        self.stderr = None

    def path(self, *parts):
        return os.path.join(self.prog, *parts)

    def write(self, relative, text):
        path = self.path(relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text.encode() if isinstance(text, str) else text)

    def read(self, relative):
        with open(self.path(relative), "rb") as f:
            return f.read()

    def start(self, cwd=None, umask=None):
        cwd = cwd or self.dir
        self.stderr = open(os.path.join(self.dir, "stderr.txt"), "w+b")
        self.process = subprocess.Popen(
            [self.exe], cwd=cwd, stdout=subprocess.DEVNULL, stderr=self.stderr,
            preexec_fn=(lambda: os.umask(umask)) if umask is not None else None)
        return self.process

    def wait(self, timeout):
        return self.process.wait(timeout=timeout)

    def stderr_text(self):
        self.stderr.seek(0)
        return self.stderr.read().decode(errors="replace")

    def log(self):
        """Every log file of the run, in date order, decoded from the code page."""
        logs = self.path("logs")
        text = b""
        if os.path.isdir(logs):
            for name in sorted(os.listdir(logs)):
                with open(os.path.join(logs, name), "rb") as f:
                    text += f.read()
        return text.decode("gbk", errors="replace")

    def error_entries(self):
        """The messages of the log's error entries (the line after each "[error]" head)."""
        lines = self.log().split("\r\n")
        return [lines[i + 1] for i, line in enumerate(lines[:-1]) if "[error]" in line]

    def renderers(self):
        """The engine's renderer processes: forked by a zygote, so they still show the zygote's
        arguments; a zygote's own parent is the program."""
        helpers = processes_of(self.exe)
        zygotes = {pid for pid, argv in helpers if "--type=zygote" in argv}
        return [pid for pid, argv in helpers
                if "--type=renderer" in argv or parent_of(pid) in zygotes]

    def cleanup(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for pid, _ in processes_of(self.exe):
            try:
                os.kill(pid, 9)
            except OSError:
                pass
        if self.stderr:
            self.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class WindowManager:
    """openbox, for closing windows the way a user does (Alt+F4)."""

    def __enter__(self):
        # Ready once it runs its start-up command: a window mapped before then is not managed
        # by it, and the Alt+F4 sent to such a window is lost.
        self.ready_dir = tempfile.mkdtemp(prefix="corvane-openbox-")
        ready = os.path.join(self.ready_dir, "ready")
        self.process = subprocess.Popen(["openbox", "--startup", "touch " + ready],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(ready), 60, "openbox to start")
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait()
        shutil.rmtree(self.ready_dir, ignore_errors=True)


class ProgramTest(unittest.TestCase):
    """A program folder per test, openbox, and the servers the test made; all gone afterwards.
    TITLE is the caption the main window gets from the test's start page."""

    TITLE = None

    def setUp(self):
        self.cleanups = []
        self.window_manager = WindowManager().__enter__()
        self.cleanups.append(lambda: self.window_manager.__exit__(None, None, None))

    def tearDown(self):
        for cleanup in reversed(self.cleanups):
            cleanup()

    def site(self, routes):
        site = Site(routes)
        self.cleanups.append(site.stop)
        return site

    def program(self, start_url, report_url="http://127.0.0.1:9/report"):
        program = ProgramFolder(start_url, report_url)
        self.cleanups.append(program.cleanup)
        return program

    def main_window(self, timeout=120):
        return wait_for(lambda: windows_named("^%s$" % self.TITLE), timeout,
                        "the main window captioned with the page title")[0]

    def close_and_expect_0(self, program, window):
        press(window, "alt+F4")
        try:
            code = program.wait(timeout=120)
        except subprocess.TimeoutExpired:
            report = hang_report(program, window, self.window_manager)
            # Tells a lost key (a second one ends the program) from a close that hangs.
            try:
                press(window, "alt+F4")
                second = "ended it with %d" % program.wait(timeout=30)
            except subprocess.TimeoutExpired:
                second = "did not end it either"
            except AssertionError as e:
                second = "could not be sent: %s" % e
            self.fail("the program did not end within 120 s of Alt+F4 on its main window; a second "
                      "Alt+F4 %s\n%s" % (second, report))
        self.assertEqual(code, 0, program.stderr_text()[-2000:])


def hang_report(program, window, window_manager):
    """What tells a lost close from a program that does not end: the window and the focus as the
    X server has them, the window manager, every thread of the program with its stack, and the
    end of its log."""
    pid = program.process.pid
    shown = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True)
    lines = ["main window %s: %s" % (window, [l.strip() for l in (shown.stdout + shown.stderr)
                                             .splitlines() if "Map State" in l or "error" in l]),
             "window with the focus: %s" % xdotool("getactivewindow"),
             "visible windows: %s" % [(w, " ".join(xdotool("getwindowname", w)))
                                      for w in windows_named(".")],
             "window manager running: %s" % (window_manager.process.poll() is None)]
    try:
        tids = sorted(os.listdir("/proc/%d/task" % pid), key=int)
    except OSError as e:
        tids = []
        lines.append("threads: %s" % e)
    for tid in tids:
        def read(name):
            try:
                with open("/proc/%d/task/%s/%s" % (pid, tid, name)) as f:
                    return f.read().strip()
            except OSError as e:
                return str(e)
        state = [l for l in read("status").splitlines() if l.startswith("State:")]
        lines.append("thread %s %s %s wchan=%s" % (tid, read("comm"), state, read("wchan")))
    try:
        stacks = subprocess.run(["gdb", "-batch", "-p", str(pid), "-ex", "thread apply all bt 30"],
                                capture_output=True, text=True, timeout=120).stdout
    except (OSError, subprocess.TimeoutExpired) as e:
        # The rest of the report still counts when the stacks cannot be had.
        stacks = "no stacks: %s" % e
    lines.append(stacks)
    lines.append("log, last lines:\n" + "\n".join(program.log().split("\r\n")[-40:]))
    lines.append("stderr, last lines:\n" + program.stderr_text()[-2000:])
    return "\n".join(lines)

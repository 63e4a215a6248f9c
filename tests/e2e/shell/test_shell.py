"""The program from a build, started in a prepared copy of its program folder under X (the test
runs under Xvfb), on a start page served from 127.0.0.1.

What it catches: a start that never reaches the start page, engine helper processes that are not
instances of the program itself, and a close of the main window that does not end the program in
order (exit code 0, the log's closing line last)."""

import http.server
import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

PROGRAM_DIR = os.environ["CORVANE_PROGRAM_DIR"]
PAGE_TITLE = "Corvane shell e2e start page"
START_PAGE = ("<!DOCTYPE html><html><head><meta charset='utf-8'><title>%s</title></head>"
              "<body><h1>start</h1></body></html>" % PAGE_TITLE).encode()


class StartPageServer:
    """Serves the start page on 127.0.0.1 (a port of its own) and records the paths asked for."""

    def __init__(self):
        self.paths = []
        paths = self.paths

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                paths.append(self.path)
                self.send_response(200)
                self.send_header("Content-Type", "text/html; charset=utf-8")
                self.send_header("Content-Length", str(len(START_PAGE)))
                self.end_headers()
                self.wfile.write(START_PAGE)

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/start.html" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

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


def helper_processes():
    """(pid, exe) of every process with an engine process type in its arguments."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                argv = [a.decode(errors="replace") for a in f.read().split(b"\0") if a]
            if any(a.startswith("--type=") for a in argv[1:]):
                found.append((int(pid), os.path.realpath("/proc/%s/exe" % pid)))
        except OSError:
            continue
    return found


def xdotool(*args):
    return subprocess.run(["xdotool"] + list(args), capture_output=True, text=True).stdout.split()


class ProgramFromBuild(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="corvane-e2e-")
        self.prog = os.path.join(self.dir, "program")
        shutil.copytree(PROGRAM_DIR, self.prog, symlinks=False)
        shutil.rmtree(os.path.join(self.prog, "cache"), ignore_errors=True)
        shutil.rmtree(os.path.join(self.prog, "logs"), ignore_errors=True)
        self.server = StartPageServer()
        with open(os.path.join(self.prog, "qvpz.pz"), "w") as f:
            f.write("[config]\r\nTaxUrl=%s\r\n" % self.server.url)
        with open(os.path.join(self.prog, "chrome.pz"), "w") as f:
            f.write("0")  # the engine in processes of its own
        with open(os.path.join(self.prog, "log4me.ini"), "w") as f:
            f.write("[log4me]\r\nlevel=debug\r\n")
#Closing the window the way a user does needs a window manager.
        self.wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.program = None

    def tearDown(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.wm.terminate()
        self.wm.wait()
        self.server.stop()
        shutil.rmtree(self.dir, ignore_errors=True)

    def test_opens_start_page_and_closes_in_order(self):
        exe = os.path.realpath(os.path.join(self.prog, "corvane"))
        cwd = os.path.join(self.dir, "elsewhere")
        os.makedirs(os.path.join(cwd, "cache"))
        self.program = subprocess.Popen([exe], cwd=cwd)

        wait_for(lambda: "/start.html" in self.server.paths, 120, "the start page request")
        windows = wait_for(lambda: xdotool("search", "--name", PAGE_TITLE), 120,
                           "the main window captioned with the page title")

        helpers = [h for h in helper_processes() if h[1] == exe]
        self.assertTrue(helpers, "the engine's helper processes run the program itself")
        strangers = [h for h in helper_processes()
                     if h[1] != exe and h[1].startswith(self.dir)]
        self.assertEqual(strangers, [])
        for pid, argv in processes_of(exe):
            if pid != self.program.pid:
                self.assertTrue(any(a.startswith("--type=") for a in argv[1:]), argv)

        xdotool("windowactivate", "--sync", windows[0])
        xdotool("key", "--clearmodifiers", "alt+F4")
        self.assertEqual(self.program.wait(timeout=120), 0)

        wait_for(lambda: not processes_of(exe), 60, "the helper processes to end")
        self.assertTrue(os.path.isdir(os.path.join(cwd, "cache")),
                        "a 'cache' folder where the program was started from is not its own")
        logs = os.path.join(self.prog, "logs")
        text = b""
        for name in sorted(os.listdir(logs)):
            with open(os.path.join(logs, name), "rb") as f:
                text += f.read()
        self.assertTrue(text.rstrip().endswith(b"log4me:application stoping...."), text[-400:])


if __name__ == "__main__":
    unittest.main()

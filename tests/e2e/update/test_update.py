"""The program from a build, started in a prepared copy of its program folder under X (the test
runs under Xvfb), with the update-check stand-in answering 2 (install without asking).

What it catches: a start that goes on to the main window after handing over to the launcher, a
launcher not started or started outside the update folder, an exit code other than 0, and a
waiting "FUpdate_new" that is not put in the launcher's place before the launcher starts."""

import http.server
import os
import shutil
import stat
import subprocess
import tempfile
import threading
import time
import unittest

PROGRAM_DIR = os.environ["CORVANE_PROGRAM_DIR"]

# A launcher copy that says which launcher ran.
NEW_LAUNCHER = b'#!/bin/sh\necho "new launcher $(pwd)" >> fupdate.log\n'


class StartPageServer:
    """Serves a start page on 127.0.0.1 (a port of its own) and records the paths asked for: a
    main window would ask for it."""

    def __init__(self):
        self.paths = []
        paths = self.paths

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                paths.append(self.path)
                body = b"<!DOCTYPE html><title>start</title>"
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

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


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


# name, content of FUpdate_new at start (None: no copy), line the launcher writes
CASES = [
    ("launcher_as_installed", None, b" %(folder)s\n"),
    ("waiting_copy_replaces_launcher", NEW_LAUNCHER, b"new launcher %(folder)s\n"),
]


class InstallWithoutAsking(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="corvane-update-e2e-")
        self.prog = os.path.join(self.dir, "program")
        shutil.copytree(PROGRAM_DIR, self.prog, symlinks=False)
        for leftover in ("cache", "logs"):
            shutil.rmtree(os.path.join(self.prog, leftover), ignore_errors=True)
        self.update = os.path.join(self.prog, "HISUPDATE")
        self.server = StartPageServer()
        with open(os.path.join(self.prog, "qvpz.pz"), "w") as f:
            f.write("[config]\r\nTaxUrl=%s\r\n" % self.server.url)
        with open(os.path.join(self.update, "LocalConf.ini"), "w") as f:
            f.write("[update]\r\nresult=2\r\n")
        self.log = os.path.join(self.update, "fupdate.log")
        with open(self.log, "wb") as f:
            f.write(b"an earlier run\n")
        self.program = None

    def tearDown(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        self.server.stop()
        shutil.rmtree(self.dir, ignore_errors=True)

    def run_case(self, waiting_copy, launcher_line):
        launcher = os.path.join(self.update, "FUpdate")
        waiting = os.path.join(self.update, "FUpdate_new")
        if waiting_copy is not None:
            with open(waiting, "wb") as f:
                f.write(waiting_copy)
            os.chmod(waiting, 0o755)
        exe = os.path.join(self.prog, "corvane")
        # Started from another folder: the launcher's folder must come from the program's.
        elsewhere = os.path.join(self.dir, "elsewhere")
        os.makedirs(elsewhere)
        self.program = subprocess.Popen([exe], cwd=elsewhere)

        self.assertEqual(self.program.wait(timeout=180), 0)

        expected = launcher_line % {b"folder": os.path.realpath(self.update).encode()}
        text = wait_for(lambda: (read(self.log) or b"").count(b"\n") >= 2 and read(self.log),
                        60, "the launcher's line in fupdate.log")
        lines = text.splitlines(keepends=True)
        self.assertEqual(len(lines), 2, text)
        self.assertTrue(lines[1].endswith(expected), text)
        self.assertEqual(self.server.paths, [], "a main window opened the start page")
        self.assertEqual(os.listdir(elsewhere), [])
        if waiting_copy is not None:
            self.assertFalse(os.path.exists(waiting))
            self.assertEqual(read(launcher), waiting_copy)
            self.assertTrue(os.stat(launcher).st_mode & stat.S_IXUSR)


def _case(waiting_copy, launcher_line):
    def test(self):
        self.run_case(waiting_copy, launcher_line)
    return test


for _name, _copy, _line in CASES:
    setattr(InstallWithoutAsking, "test_" + _name, _case(_copy, _line))


if __name__ == "__main__":
    unittest.main()

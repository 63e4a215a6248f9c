"""The program from a build, started in a prepared copy of its program folder under X (the test
runs under Xvfb), with the update-check stand-in answering 2 (install without asking).

What it catches: a start that goes on to the main window after handing over to the launcher, a
launcher not started or started outside the update folder, an exit code other than 0, and a
waiting "FUpdate_new" that is not put in the launcher's place before the launcher starts."""

import os
import stat
import unittest

from e2e_support import ProgramTest, page, wait_for

# A launcher copy that says which launcher ran.
NEW_LAUNCHER = b'#!/bin/sh\necho "new launcher $(pwd)" >> fupdate.log\n'


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


class InstallWithoutAsking(ProgramTest):
    def setUp(self):
        super().setUp()
        # A main window would ask for the start page.
        self.server = self.site({"/start.html": page("start")})
        self.folder = self.program(self.server.base + "/start.html")
        self.update = self.folder.path("HISUPDATE")
        self.folder.write("HISUPDATE/LocalConf.ini", "[update]\r\nresult=2\r\n")
        self.log = os.path.join(self.update, "fupdate.log")
        self.folder.write("HISUPDATE/fupdate.log", b"an earlier run\n")

    def run_case(self, waiting_copy, launcher_line):
        launcher = os.path.join(self.update, "FUpdate")
        waiting = os.path.join(self.update, "FUpdate_new")
        if waiting_copy is not None:
            with open(waiting, "wb") as f:
                f.write(waiting_copy)
            os.chmod(waiting, 0o755)
        # Started from another folder: the launcher's folder must come from the program's.
        elsewhere = os.path.join(self.folder.dir, "elsewhere")
        os.makedirs(elsewhere)
        self.folder.start(cwd=elsewhere)

        self.assertEqual(self.folder.wait(timeout=180), 0, self.folder.stderr_text()[-2000:])

        expected = launcher_line % {b"folder": os.path.realpath(self.update).encode()}
        text = wait_for(lambda: (read(self.log) or b"").count(b"\n") >= 2 and read(self.log),
                        60, "the launcher's line in fupdate.log")
        lines = text.splitlines(keepends=True)
        self.assertEqual(len(lines), 2, text)
        self.assertTrue(lines[1].endswith(expected), text)
        self.assertEqual(self.server.paths(), [], "a main window opened the start page")
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

"""The program from a build, started in a prepared copy of its program folder under X (the test
runs under Xvfb), on a start page served from 127.0.0.1.

What it catches: a start that never reaches the start page, engine helper processes that are not
instances of the program itself, and a close of the main window that does not end the program in
order (exit code 0, the log's closing line last)."""

import os
import unittest

from e2e_support import ProgramTest, page, processes_of, wait_for


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


class ProgramFromBuild(ProgramTest):
    TITLE = "Corvane shell e2e start page"

    def test_opens_start_page_and_closes_in_order(self):
        site = self.site({"/start.html": page(self.TITLE, "<h1>start</h1>")})
        program = self.program(site.base + "/start.html")
        exe = program.exe
        cwd = os.path.join(program.dir, "elsewhere")
        os.makedirs(os.path.join(cwd, "cache"))
        program.start(cwd=cwd)

        wait_for(lambda: "/start.html" in site.paths(), 120, "the start page request")
        window = self.main_window()

        helpers = [h for h in helper_processes() if h[1] == exe]
        self.assertTrue(helpers, "the engine's helper processes run the program itself")
        strangers = [h for h in helper_processes()
                     if h[1] != exe and h[1].startswith(program.dir)]
        self.assertEqual(strangers, [])
        for pid, argv in processes_of(exe):
            if pid != program.process.pid:
                self.assertTrue(any(a.startswith("--type=") for a in argv[1:]), argv)

        self.close_and_expect_0(program, window)

        wait_for(lambda: not processes_of(exe), 60, "the helper processes to end")
        self.assertTrue(os.path.isdir(os.path.join(cwd, "cache")),
                        "a 'cache' folder where the program was started from is not its own")
        text = program.log()
        self.assertTrue(text.rstrip().endswith("log4me:application stoping...."), text[-400:])


if __name__ == "__main__":
    unittest.main()

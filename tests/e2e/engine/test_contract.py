"""The engine contract: the same cases against every engine library, so that the scripted engine
the UI tests stand on behaves as the engine on Qt WebEngine does for each event the shell uses.

ctest runs this module once per library (ENGINE_LIBRARY; see CMakeLists.txt). Each case starts
engine_probe of its own, which loads the library as the shell does and prints one line per event.

The engine on Qt WebEngine loads the local pages itself. The scripted engine cannot load pages:
with it the test plays the page's side of a load through the probe's "script" command (the
scripted engine's ScriptedExports.h), with the status and title the local site really serves, and
only for a navigation the client let go on. Everything else comes from the same commands."""
import os
import re
import subprocess
import unittest

from local_site import PAGES, LocalSite
from probe_run import LIBRARY, ProbeRun

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "engine",
                      "include", "cef_engine.h")

# The lines that are engine events of browser N (the probe's own lines are not).
EVENT = re.compile(r"^(?:devtools-)?(after-created|before-close|before-browse|load-end|title|"
                   r"cert-error|render-terminated|js-dialog|before-download|download|"
                   r"before-context-menu|context-menu-command) (\d+)\b")


def served(path):
    """What the local site answers for path: (HTTP status, document title or None)."""
    status = re.match(r"^/status\?code=(\d+)$", path)
    if status:
        return int(status.group(1)), None
    title = re.search(r"<title>(.*?)</title>", PAGES[path])
    return 200, title.group(1) if title else None


class Contract(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = LocalSite()

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def start(self, path):
        """A probe whose browser is created with the page at path, as the shell creates its
        browser and loads its start page before the engine runs again."""
        probe = ProbeRun("--url", self.site.url(path))
        self.addCleanup(probe.cleanup)
        self.addCleanup(probe.process.stdin.close)
        self.addCleanup(probe.quit)
        library = probe.expect(r"^library interface=(\d+) scripted=([01])$")
        probe.interface = int(library.group(1))
        probe.scripted = library.group(2) == "1"
        return probe

    def events(self, probe, browser, since=0):
        """The engine's events of browser so far, in order."""
        return [line for line in probe.matching(EVENT, since)
                if int(EVENT.match(line).group(2)) == browser]

    def loaded(self, probe, path, mark=0):
        """Waits for the main frame's navigation to path and its load end (the scripted engine
        gets the page's side from the test); returns the load end's status."""
        url = self.site.url(path)
        me = probe.main_id
        probe.expect(r"^before-browse %d main=1 redirect=0 cancel=0 %s$" % (me, re.escape(url)),
                     mark)
        status, title = served(path)
        if probe.scripted:
            if title is not None:
                probe.send("script title " + title)
            probe.send("script load-end %d" % status)
        end = probe.expect(r"^load-end %d (\d+) main=1 (\S*)$" % me, mark)
        self.assertEqual(end.group(2), url, "the load end names the main frame's address")
        if title is not None:
            probe.expect(r"^title %d %s$" % (me, re.escape(title)), mark)
        return int(end.group(1))

    def load(self, probe, path):
        mark = probe.mark()
        probe.send("load " + self.site.url(path))
        return self.loaded(probe, path, mark)

    def test_handshake_and_entry_points(self):
        with open(HEADER) as f:
            header = f.read()
        version = int(re.search(r"kCorvaneEngineInterfaceVersion = (\d+);", header).group(1))
        block = re.search(r"#define CEF_ENGINE_EXPORTS\(X\)(.*?)(?:\n\n|\Z)", header, re.S)
        entry_points = re.findall(r"X\((\w+)\)", block.group(1))
        self.assertIn("corvane_engine_interface_version", entry_points)
        symbols = subprocess.run(["nm", "-D", "--defined-only", LIBRARY], check=True,
                                 capture_output=True, text=True).stdout
        functions = {line.split()[-1] for line in symbols.splitlines()
                     if len(line.split()) == 3 and line.split()[1] == "T"}
        self.assertEqual(sorted(set(entry_points) - functions), [], "entry points not exported")

        probe = self.start("/title")
        self.assertEqual(probe.interface, version)
        # The probe tells the libraries apart by the scripted engine's own entry points: the
        # library under test must be the one ctest named.
        self.assertEqual(probe.scripted, os.path.basename(LIBRARY) == "libcef_scripted.so")

    def test_browser_is_created_first_then_loads(self):
        probe = self.start("/title")
        me = probe.main_id
        self.assertEqual(self.loaded(probe, "/title"), 200)
        first = self.events(probe, me)
        self.assertEqual(first[0], "after-created %d popup=0" % me, "\n".join(first))
        self.assertEqual(len([e for e in first if e.startswith("after-created")]), 1)
        mark = probe.mark()
        probe.send("state")
        probe.expect(r"^state %d popup=0 has-document=1 window=child-of-probe-window url=%s$"
                     % (me, re.escape(self.site.url("/title"))), mark)
        for path in ("/landing", "/status?code=404", "/title"):
            with self.subTest(path=path):
                self.assertEqual(self.load(probe, path), served(path)[0])

    def test_cancelled_navigation_goes_nowhere(self):
        probe = self.start("/title")
        me = probe.main_id
        self.loaded(probe, "/title")
        mark = probe.mark()
        probe.send("cancel-navigation /blocked")
        probe.send("load " + self.site.url("/blocked"))
        probe.expect(r"^before-browse %d main=1 redirect=0 cancel=1 %s$"
                     % (me, re.escape(self.site.url("/blocked"))), mark)
        probe.send("state")
        # The main frame stays on the page it had.
        probe.expect(r"^state %d .* url=%s$" % (me, re.escape(self.site.url("/title"))), mark)
        self.assertEqual(self.load(probe, "/landing"), 200)  # the next one goes through
        self.assertEqual(probe.matching(r"^(load-end|title) %d .*blocked" % me, mark), [])
        self.assertNotIn("/blocked", self.site.requests)

    def test_close_gives_one_before_close_as_the_last_event(self):
        cases = [
            # how the browser goes: the probe's commands
            ("as the shell closes its window", ["stop", "close"]),
            ("asked twice", ["close", "close"]),
            ("forced", ["close force"]),
            ("left open at the engine's shutdown", ["quit"]),
        ]
        for name, commands in cases:
            with self.subTest(name):
                probe = self.start("/title")
                me = probe.main_id
                self.loaded(probe, "/title")
                mark = probe.mark()
                for command in commands:
                    probe.send(command)
                probe.expect(r"^before-close %d has-document=1$" % me, mark)
                if "quit" not in commands:
                    probe.send("state %d" % me)
                    probe.expect(r"^state none$", mark)
                self.assertEqual(probe.quit(), 0, probe.transcript())
                # After its before-close the engine lets go of the client, and the browser has
                # no more events.
                events = self.events(probe, me, mark)
                closes = [i for i, e in enumerate(events) if e.startswith("before-close")]
                self.assertEqual(closes, [len(events) - 1], "\n".join(events))
                released = probe.matching(r"^(before-close %d |client-released$)" % me, mark)
                self.assertEqual(released[-1], "client-released", probe.transcript())

    def test_host_calls_on_a_loaded_page(self):
        probe = self.start("/title")
        self.loaded(probe, "/title")
        mark = probe.mark()
        probe.send("js document.body.textContent = 'scripted'")
        # The developer tools: one window of the engine's, covering the panel the host gave it,
        # also when asked again.
        for _ in range(2):
            probe.send("devtools")
            self.assertEqual(probe.expect(r"^devtools-panel (.*)$", mark).group(1),
                             "0,0,1000x220")
            mark = probe.mark()
        probe.send("close-devtools")
        # One print at a time: the page's second print is refused while its first runs.
        probe.send("print-to cancel")
        probe.send("print")
        probe.send("print")
        probe.send("state")  # answered after both prints
        probe.expect(r"^state %d " % probe.main_id, mark)
        self.assertEqual(probe.matching(r"^print accepted=", mark),
                         ["print accepted=1", "print accepted=0"])
        # The browser goes on as before.
        self.assertEqual(self.load(probe, "/landing"), 200)


if __name__ == "__main__":
    unittest.main()

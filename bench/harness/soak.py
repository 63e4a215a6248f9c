"""A soak of public terminal mode: many visits of one taxpayer after another in one run of the
program, with an idle reset after each. A benchmark, never a test: it prints and records figures.

One visit: the start page reports what it finds of the previous session (cookies, local storage,
IndexedDB) and then sets its own; it sends the login command (the report reaches the server), opens
a pop-up and starts a download, whose Save As dialog is answered; then nobody touches the terminal
and the idle reset (IdleReset=2, IdleNotice=0) clears the session and loads the start page again.
The process tree's memory (RSS and PSS) is taken after every 20 visits; the figure is the growth
of its resident memory from visit 20 to the last (PSS, for information, also moves with other
programs that share the same libraries).

    python3 bench/harness/soak.py --build build [--visits 200] [--results bench/results.md|-]
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import program as prog
from download import SAVE_AS_TITLE
from session import BenchError, Display, end_tree, process_tree, pss_kb, status_kb, wait_for

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BEGIN, END = "<!-- kiosk soak -->", "<!-- /kiosk soak -->"
DOWNLOAD = b"d" * (256 << 10)
TARGET_GROWTH = 0.05

START = """<!DOCTYPE html><html><head><meta charset="utf-8"><title>Corvane soak</title></head>
<body><iframe id="f"></iframe><script>
Promise.all([indexedDB.databases()]).then(function (found) {
  var q = 'cookie=' + encodeURIComponent(document.cookie) +
    '&local=' + encodeURIComponent(localStorage.getItem('k') || '') + '&idb=' + found[0].length;
  return fetch('/state?' + q);
}).then(function () {
  document.cookie = 'visit=1; path=/; max-age=86400';
  localStorage.setItem('k', 'v');
  var open = indexedDB.open('soak', 1);
  open.onupgradeneeded = function () { open.result.createObjectStore('s'); };
  open.onsuccess = function () {
    open.result.close();
    var f = document.getElementById('f');
    f.onload = function () {
      window.open('/popup.html', 'p', 'width=300,height=200');
      setTimeout(function () { location.href = '/file.bin'; }, 300);
    };
    f.src = '%s';
  };
});
</script></body></html>"""


class SoakServer:
    def __init__(self):
        self.states = []  # what each start page found
        self.reports = 0
        self.downloads = 0
        self.popups = 0
        self.lock = threading.Condition()
        soak = self
        login = "/interact_" + urllib.parse.quote(
            json.dumps({"type": "login", "data": {"nsrsbh": "91330100SOAK0001"}},
                       separators=(",", ":")), safe="")
        start = (START % login).encode()

        class Handler(BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def reply(self, body, ctype="text/html; charset=utf-8", headers=()):
                self.send_response(200)
                self.send_header("Content-Type", ctype)
                self.send_header("Content-Length", str(len(body)))
                for name, value in headers:
                    self.send_header(name, value)
                self.end_headers()
                self.wfile.write(body)

            def do_GET(self):
                path = self.path.split("?")[0]
                with soak.lock:
                    if path == "/state":
                        soak.states.append(urllib.parse.parse_qs(
                            self.path.split("?", 1)[1], keep_blank_values=True))
                    elif path == "/popup.html":
                        soak.popups += 1
                    elif path == "/file.bin":
                        soak.downloads += 1
                    soak.lock.notify_all()
                if path == "/start.html":
                    self.reply(start)
                elif path == "/file.bin":
                    self.reply(DOWNLOAD, "application/octet-stream",
                               (("Content-Disposition",
                                 'attachment; filename="visit-%d.bin"' % soak.downloads),))
                else:
                    self.reply(b"<!DOCTYPE html><title>ok</title>ok")

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                self.rfile.read(length)
                with soak.lock:
                    soak.reports += 1
                    soak.lock.notify_all()
                self.reply(b'{"code":"00"}', "application/json")

        self.httpd = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.base = "http://127.0.0.1:%d" % self.httpd.server_address[1]
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def wait(self, condition, timeout, what):
        deadline = time.monotonic() + timeout
        with self.lock:
            while not condition():
                left = deadline - time.monotonic()
                if left <= 0:
                    raise BenchError("gave up waiting for " + what)
                self.lock.wait(left)

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def memory_mib(root):
    tree = process_tree(root)
    rss = sum(status_kb(pid, "VmRSS") for pid in tree) / 1024
    pss = sum(pss_kb(pid) for pid in tree) / 1024
    return rss, pss, len(tree)


def survived(state):
    return any(state.get(k, [""])[0] not in ("", "0") for k in ("cookie", "local", "idb"))


def run(build, visits, say):
    work = tempfile.mkdtemp(prefix="corvane-soak-")
    display = Display(work)
    server = SoakServer()
    proc = None
    samples, leftovers = [], 0
    try:
        display.start()
        folder = prog.ProgramFolder(build, work)
        prog.write_ini(os.path.join(folder.folder, "qvpz.pz"),
                       "[config]\r\nTaxUrl=%s/start.html\r\nServer=%s/report\r\n"
                       "[kiosk]\r\nIdleReset=2\r\nIdleNotice=0\r\n" % (server.base, server.base))
        proc = subprocess_start(folder, display)
        started = time.monotonic()
        for visit in range(1, visits + 1):
            server.wait(lambda: len(server.states) >= visit, 120, "visit %d's start page" % visit)
            if visit > 1 and survived(server.states[visit - 1]):
                leftovers += 1
            server.wait(lambda: server.reports >= visit and server.downloads >= visit
                        and server.popups >= visit, 120, "visit %d's report, pop-up, download"
                        % visit)
            dialog = wait_for(lambda: display.windows(proc.pid, SAVE_AS_TITLE), 120,
                              "visit %d's Save As dialog" % visit)
            display.press(dialog[0], "Return")
            if visit % 20 == 0:
                # After the download, before the reset: the visit at its fullest.
                wait_for(lambda: os.path.exists(os.path.join(folder.down, "visit-%d.bin" % visit)),
                         60, "visit %d's file" % visit)
                rss, pss, count = memory_mib(proc.pid)
                samples.append((visit, rss, pss, count))
                say("visit %d: RSS %.0f MiB, PSS %.0f MiB, %d processes, %.0f s"
                    % (visit, rss, pss, count, time.monotonic() - started))
        server.wait(lambda: len(server.states) >= visits + 1, 120, "the reset after the last visit")
        if survived(server.states[visits]):
            leftovers += 1
        if proc.poll() is not None:
            raise BenchError("the program ended during the soak")
        return {"samples": samples, "leftovers": leftovers, "visits": visits,
                "seconds": time.monotonic() - started}
    finally:
        if proc:
            end_tree(proc)
        server.stop()
        display.stop()


def subprocess_start(folder, display):
    shutil.rmtree(os.path.join(folder.folder, "logs"), ignore_errors=True)
    return subprocess.Popen([folder.executable], cwd=folder.folder, env=display.env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def section(result):
    samples = result["samples"]
    first, last = samples[0], samples[-1]
    rss_growth = (last[1] - first[1]) / first[1]
    pss_growth = (last[2] - first[2]) / first[2]
    met = "yes" if rss_growth <= TARGET_GROWTH else "**no**"
    lines = [
        BEGIN,
        "## Public terminal soak",
        "",
        "Written by `bench/harness/soak.py`: %d visits in one run of the program (each: start page, "
        "login report, pop-up, download through Save As, idle reset), %.0f s in all, on %s."
        % (result["visits"], result["seconds"], time.strftime("%Y-%m-%d %H:%M")),
        "",
        "| Figure | Value | Target | Met |",
        "|---|---|---|---|",
        "| Growth of the process tree's resident memory (sum of RSS), visit %d to visit %d "
        "| %+.1f %% (%.0f → %.0f MiB) | ≤ +%d %% | %s |"
        % (first[0], last[0], rss_growth * 100, first[1], last[1], TARGET_GROWTH * 100, met),
        "| (for information) the same for PSS, which moves with whatever else on the machine "
        "shares the libraries | %+.1f %% (%.0f → %.0f MiB) | | |"
        % (pss_growth * 100, first[2], last[2]),
        "| Visits whose start page found a cookie, local storage or a database of the visit "
        "before | %d of %d | 0 | %s |" % (result["leftovers"], result["visits"],
                                          "yes" if result["leftovers"] == 0 else "**no**"),
        "",
        "| Visit | RSS | PSS | Processes |",
        "|---|---|---|---|",
    ] + ["| %d | %.0f MiB | %.0f MiB | %d |" % s for s in samples] + ["", END, ""]
    return "\n".join(lines)


def record(text, path):
    old = open(path).read() if os.path.exists(path) else ""
    if BEGIN in old and END in old:
        head, rest = old.split(BEGIN, 1)
        new = head + text.rstrip("\n") + rest.split(END, 1)[1]
    else:
        new = old.rstrip("\n") + "\n\n" + text
    with open(path, "w") as f:
        f.write(new)


def carried_over(text, path):
    """text with the soak's section of the file at path, when it has one, appended."""
    old = open(path).read() if os.path.exists(path) else ""
    if BEGIN not in old or END not in old:
        return text
    kept = BEGIN + old.split(BEGIN, 1)[1].split(END, 1)[0] + END
    return text.rstrip("\n") + "\n\n" + kept + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True)
    parser.add_argument("--visits", type=int, default=200)
    parser.add_argument("--results", default=os.path.join(ROOT, "bench", "results.md"))
    args = parser.parse_args()
    if args.visits < 40 or args.visits % 20:
        parser.error("--visits: a multiple of 20, at least 40")

    def say(text):
        print(text, flush=True)
    result = run(os.path.abspath(args.build), args.visits, say)
    text = section(result)
    print(text)
    if args.results != "-":
        record(text, args.results)
        say("written to %s" % args.results)
    return 0


if __name__ == "__main__":
    sys.exit(main())

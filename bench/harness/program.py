"""The program in a program folder of the bench's own: laid out with cmake --install, started on
a given start page, its log read back as timed entries."""

import datetime
import glob
import os
import re
import shutil
import subprocess
import time

from session import BenchError, wait_for

ENTRY = re.compile(r"^(\d\d):(\d\d):(\d\d)\.(\d{3}) \[(\w+) ?\](.*)$")

# Debug lines the program writes on its way to the start page, in order.
STARTING = "log4me:application starting...."
STARTUP_CHECK = "start-up: startup check"
ENGINE_START = "start-up: engine start"
ENGINE_STARTED = "start-up: engine started"
ENVIRONMENT_CHECK = "start-up: environment check"
MAIN_WINDOW = "start-up: main window"
MAIN_WINDOW_CREATED = "start-up: main window created"
STALL_TRACE = re.compile(r"^ui stall trace: longest gap ([\d.]+) ms \(busy ([\d.]+) ms, "
                         r"waiting for a processor ([\d.]+) ms\)$")
DOWNLOAD_COMPLETE = "StatusBar:下载完成！"


class ProgramFolder:
    def __init__(self, build, work):
        self.folder = os.path.join(work, "program")
        shutil.rmtree(self.folder, ignore_errors=True)
        subprocess.run(["cmake", "--install", build, "--prefix", self.folder], check=True,
                       stdout=subprocess.DEVNULL)
        # The update check answers at once and there is no outside updater to wait for.
        exe_update = os.path.join(self.folder, "ExeUpdate")
        if os.path.exists(exe_update):
            os.remove(exe_update)
        os.makedirs(os.path.join(self.folder, "HISUPDATE"), exist_ok=True)
        os.makedirs(self.down, exist_ok=True)
        write_ini(os.path.join(self.folder, "HISUPDATE", "LocalConf.ini"),
                  "[update]\r\nresult=0\r\ndelay_ms=0\r\n")
        write_ini(os.path.join(self.folder, "HISUPDATE", "qvprm.ini"),
                  "[parms]\r\nclientlx=1\r\nversion=1.0.0\r\n")
        write_ini(os.path.join(self.folder, "log4me.ini"), "[log4me]\r\npath=logs\r\nlevel=debug\r\n")
        write_ini(os.path.join(self.folder, "chrome.pz"), "0")

    @property
    def executable(self):
        return os.path.join(self.folder, "corvane")

    @property
    def down(self):
        return os.path.join(self.folder, "down")

    def start(self, env, start_page, report_url, trace_stalls=False):
        """Starts the program on start_page; returns (process, wall time just before the start)."""
        write_ini(os.path.join(self.folder, "qvpz.pz"),
                  "[config]\r\nTaxUrl=%s\r\nServer=%s\r\n" % (start_page, report_url))
        shutil.rmtree(os.path.join(self.folder, "logs"), ignore_errors=True)
        run_env = dict(env)
        run_env.pop("CORVANE_TRACE_UI_STALLS", None)
        if trace_stalls:
            run_env["CORVANE_TRACE_UI_STALLS"] = "1"
        started = time.time()
        proc = subprocess.Popen([self.executable], cwd=self.folder, env=run_env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return proc, started

    def log(self):
        return Log(self.folder)


def write_ini(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("gbk"))


class Log:
    """The program's log of one run, as (wall time, level, text) entries; an entry's text may span
    several lines."""

    def __init__(self, folder):
        self.folder = folder

    def entries(self):
        result = []
        for path in sorted(glob.glob(os.path.join(self.folder, "logs", "*.log"))):
            day = re.match(r"(\d{4})-(\d\d)-(\d\d)_", os.path.basename(path))
            if not day:
                continue
            date = datetime.date(*map(int, day.groups()))
            with open(path, "rb") as f:
                text = f.read().decode("gbk", errors="replace")
            for line in text.split("\r\n"):
                m = ENTRY.match(line)
                if m:
                    h, mi, s, ms = map(int, m.groups()[:4])
                    moment = datetime.datetime.combine(date, datetime.time(h, mi, s, ms * 1000))
                    result.append([moment.timestamp(), m.group(5), m.group(6)])
                elif result:
                    result[-1][2] += "\n" + line
        return result

    def first(self, text, since=0.0):
        """Time of the first entry at or after `since` whose text (one of its lines) is `text`."""
        for moment, _, entry in self.entries():
            if moment >= since - 0.001 and text in (line.strip() for line in entry.split("\n")):
                return moment
        return None

    def wait_first(self, text, since, timeout, proc):
        def look():
            if proc.poll() is not None:
                raise BenchError("the program ended early (exit code %d)" % proc.returncode)
            return self.first(text, since)

        # The entry's own time is the figure: polling more often would only cost processor time.
        return wait_for(look, timeout, '"%s" in the log' % text, interval=0.05)

    def longest_stall(self, begin, end):
        """(gap, busy, waiting) of the longest gap the stall trace reported for the periods that
        lie within [begin, end], in ms (of the gap, the UI thread's time on a processor and in the
        run queue); None when no period fits."""
        longest = None
        for moment, _, entry in self.entries():
            m = STALL_TRACE.match(entry.strip())
            # A line closes a period of about a quarter second.
            if m and begin + 0.25 <= moment <= end:
                stall = tuple(float(g) for g in m.groups())
                longest = max(longest, stall) if longest else stall
        return longest

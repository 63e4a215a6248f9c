"""The surroundings of the runs: an X display with a window manager, process trees and their
memory, windows found with xdotool."""

import os
import queue
import re
import signal
import subprocess
import threading
import time


class Display:
    """Xvfb with openbox, for the whole bench; the environment of every program started."""

    def __init__(self, work):
        self.work = work
        self.procs = []
        self.env = dict(os.environ)
        runtime = os.path.join(work, "xdg-runtime")
        os.makedirs(runtime, exist_ok=True)
        os.chmod(runtime, 0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.env["LANG"] = self.env["LC_ALL"] = "C.UTF-8"

    def start(self):
        display_file = os.path.join(self.work, "xvfb.display")
        with open(display_file, "w") as out:
            xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                stdout=out, stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        number = wait_for(lambda: read_text(display_file).strip(), 30, "Xvfb to start")
        self.env["DISPLAY"] = ":" + number
        ready = os.path.join(self.work, "openbox.ready")
        self.procs.append(subprocess.Popen(["openbox", "--startup", "touch " + ready],
                                           env=self.env, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))
        wait_for(lambda: os.path.exists(ready), 30, "openbox to start")

    def stop(self):
        for p in reversed(self.procs):
            p.terminate()
        for p in reversed(self.procs):
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()

    def xdotool(self, *args):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True,
                           timeout=60)
        return r.stdout.strip()

    def windows(self, pid, name=""):
        found = self.xdotool("search", "--all", "--onlyvisible", "--pid", str(pid), "--name", name)
        return found.split()

    def press(self, window, key):
        self.xdotool("windowactivate", "--sync", window)
        self.xdotool("key", "--clearmodifiers", key)


def read_text(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def wait_for(what, timeout, description, interval=0.005):
    """Polls `what` until it returns something true; raises after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = what()
        if value:
            return value
        if time.monotonic() > deadline:
            raise BenchError("gave up waiting for %s after %d s" % (description, timeout))
        time.sleep(interval)


class BenchError(Exception):
    pass


def process_tree(root):
    """The root and all its descendants that are alive now."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        stat = read_text("/proc/%s/stat" % entry)
        if not stat:
            continue
        # The command name may hold blanks and brackets: the fields start after the last ")".
        fields = stat[stat.rindex(")") + 2:].split()
        children.setdefault(int(fields[1]), []).append(int(entry))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        if os.path.exists("/proc/%d" % pid):
            tree.append(pid)
        todo += children.get(pid, [])
    return tree


def status_kb(pid, key):
    match = re.search(r"^%s:\s+(\d+) kB" % key, read_text("/proc/%d/status" % pid), re.M)
    return int(match.group(1)) if match else 0


def pss_kb(pid):
    match = re.search(r"^Pss:\s+(\d+) kB", read_text("/proc/%d/smaps_rollup" % pid), re.M)
    return int(match.group(1)) if match else 0


def tree_memory(root):
    """(sum of peak RSS, sum of PSS now, number of processes) of the tree, in MiB."""
    tree = process_tree(root)
    peak = sum(status_kb(pid, "VmHWM") for pid in tree)
    pss = sum(pss_kb(pid) for pid in tree)
    return peak / 1024, pss / 1024, len(tree)


def end_tree(proc):
    """Ends a started program: SIGTERM to the program itself, whose helper processes then end on
    their own; whatever of its tree is still there after a while is killed, by its id."""
    tree = process_tree(proc.pid)
    proc.terminate()
    try:
        proc.wait(timeout=15)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    deadline = time.monotonic() + 15
    for pid in tree:
        while os.path.exists("/proc/%d" % pid) and not is_zombie(pid):
            if time.monotonic() > deadline:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.05)


def is_zombie(pid):
    stat = read_text("/proc/%d/stat" % pid)
    return not stat or stat[stat.rindex(")") + 2] == "Z"


class LineReader:
    """The lines a started program writes on its standard output, each waited for with a limit."""

    def __init__(self, proc):
        self.lines = queue.Queue()
        threading.Thread(target=self._read, args=(proc.stdout,), daemon=True).start()

    def _read(self, stream):
        for line in stream:
            self.lines.put(line.strip())
        self.lines.put(None)

    def next(self, prefix, timeout, description):
        """The next line that starts with prefix, split into words."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                raise BenchError("gave up waiting for %s after %d s" % (description, timeout))
            if line is None:
                raise BenchError("the program ended before %s" % description)
            if line.startswith(prefix):
                return line.split()

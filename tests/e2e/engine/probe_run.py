"""One run of engine_probe in a program folder of its own, with a fresh $HOME."""
import os
import re
import shutil
import subprocess
import tempfile
import threading
import time

PROBE = os.environ.get("ENGINE_PROBE", "")
LIBRARY = os.environ.get("ENGINE_LIBRARY", "")
WAIT = 90  # seconds: generous, the machine may be busy


class ProbeRun:
    def __init__(self, *args):
        self.root = tempfile.mkdtemp(prefix="engine-e2e-")
        self.process = None
        try:
            self._start(args)
        except BaseException:
            if self.process is not None:
                self.process.kill()
                self.process.wait()
            self.cleanup()
            raise

    def _start(self, args):
        self.program = os.path.join(self.root, "program")
        self.home = os.path.join(self.root, "home")
        self.cwd = os.path.join(self.root, "cwd")
        for folder in (os.path.join(self.program, "CefLib"), self.home, self.cwd):
            os.makedirs(folder)
        self.executable = os.path.join(self.program, "engine_probe")
        shutil.copy2(PROBE, self.executable)
        shutil.copy2(LIBRARY, os.path.join(self.program, "CefLib", "libcef.so"))
        self.cache = os.path.join(self.program, "cache")
        env = dict(os.environ, HOME=self.home)
        for name in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"):
            env.pop(name, None)
        runtime = os.path.join(self.root, "runtime")
        os.makedirs(runtime, mode=0o700)
        env["XDG_RUNTIME_DIR"] = runtime
        self._stderr = open(os.path.join(self.root, "stderr.log"), "wb")
        self.process = subprocess.Popen(
            [self.executable, "--cache", self.cache, *args], cwd=self.cwd, env=env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self._stderr)
        self.lines = []
        self._changed = threading.Condition()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.main_id = int(self.expect(r"^ready (\d+)").group(1))

    def _read(self):
        for raw in self.process.stdout:
            with self._changed:
                self.lines.append(raw.decode("utf-8", "replace").rstrip("\n"))
                self._changed.notify_all()
        with self._changed:
            self.lines.append(None)  # end of output
            self._changed.notify_all()

    def mark(self):
        """Position from which the next expect() looks."""
        with self._changed:
            return len(self.lines)

    def send(self, command):
        self.process.stdin.write((command + "\n").encode("utf-8"))
        self.process.stdin.flush()

    def expect(self, pattern, since=0, timeout=WAIT):
        """The first line at or after `since` matching pattern; fails after timeout."""
        regex = re.compile(pattern)
        deadline = time.monotonic() + timeout
        index = since
        with self._changed:
            while True:
                while index < len(self.lines):
                    line = self.lines[index]
                    index += 1
                    if line is None:
                        raise AssertionError("probe ended while waiting for %r\n%s"
                                             % (pattern, self.transcript()))
                    found = regex.search(line)
                    if found:
                        return found
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise AssertionError("no line matching %r\n%s" % (pattern, self.transcript()))
                self._changed.wait(remaining)

    def matching(self, pattern, since=0, until=None):
        with self._changed:
            lines = [l for l in self.lines[since:until] if l is not None]
        return [l for l in lines if re.search(pattern, l)]

    def transcript(self):
        with self._changed:
            tail = [l for l in self.lines[-60:] if l is not None]
        try:
            with open(os.path.join(self.root, "stderr.log"), "rb") as f:
                errors = f.read().decode("utf-8", "replace").splitlines()[-20:]
        except OSError:
            errors = []
        return ("--- probe output (last lines) ---\n" + "\n".join(tail) +
                "\n--- probe stderr (last lines) ---\n" + "\n".join(errors))

    def descendants(self):
        """Processes started below the probe (the engine's helpers), as (pid, exe, argv)."""
        children = {}
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % entry) as f:
                    ppid = int(f.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                continue
            children.setdefault(ppid, []).append(int(entry))
        found, todo = [], [self.process.pid]
        while todo:
            for child in children.get(todo.pop(), []):
                try:
                    exe = os.readlink("/proc/%d/exe" % child)
                    with open("/proc/%d/cmdline" % child, "rb") as f:
                        argv = [a.decode() for a in f.read().split(b"\0") if a]
                except OSError:
                    continue
                found.append((child, exe, argv))
                todo.append(child)
        return found

    def renderers(self):
        """Renderer processes: forked by a zygote, so still showing the zygote's arguments."""
        helpers = self.descendants()
        zygotes = {pid for pid, _, argv in helpers if "--type=zygote" in argv}
        return [pid for pid, _, argv in helpers
                if "--type=renderer" in argv or self._parent(pid) in zygotes]

    @staticmethod
    def _parent(pid):
        try:
            with open("/proc/%d/stat" % pid) as f:
                return int(f.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            return None

    # Shared desktop stores, not the engine's storage: NSS's certificate database, which Chromium
    # opens for the user's own certificates and authorities (as every Chromium on Linux does), and
    # the state Qt's file dialog keeps for every Qt program.
    SHARED_HOME_FILES = re.compile(r"^(\.pki/nssdb/|\.config/QtProject\.conf$)")

    def home_files(self):
        """Files under $HOME apart from the shared desktop stores."""
        return [f for f in self.files_under(self.home) if not self.SHARED_HOME_FILES.match(f)]

    def files_under(self, folder):
        return sorted(os.path.relpath(os.path.join(d, f), folder)
                      for d, _, files in os.walk(folder) for f in files)

    def quit(self):
        """Shuts the engine down and waits for the probe's end; returns its exit code."""
        if self.process.poll() is None:
            try:
                self.send("quit")
            except BrokenPipeError:
                pass
        try:
            code = self.process.wait(timeout=WAIT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = self.process.wait()
        self._reader.join(timeout=WAIT)
        self._stderr.close()
        return code

    def cleanup(self):
        shutil.rmtree(self.root, ignore_errors=True)


def wait_for(condition, timeout=WAIT):
    """Polls condition until it holds; False after timeout. OSError counts as not yet."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            if condition():
                return True
        except OSError:
            pass
        time.sleep(0.2)
    return False

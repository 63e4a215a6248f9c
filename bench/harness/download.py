"""Download throughput: a large file from the local server saved through the program (its Save As
dialog answered like a person would) against curl -o of the same file, and against the bare Qt
WebEngine window saving it without a dialog (what the engine alone achieves); the UI thread's
longest stalls while the program downloads (from its stall trace) and while the bare window does,
and once more while the program downloads at a pace that leaves the processors room.

The server holds the body back until the file's receiver is ready (the program: its Save As dialog
has been answered and is gone; the bare window: it has accepted the download; curl: its request
has arrived), so every rate counts the transfer alone: bytes after the gate over the time from
opening the gate to the saved file's completion. The engine flushes a finished download to the disk
before it reports it complete, curl does not: curl's figure is given once more with that flush."""

import os
import shutil
import subprocess
import time

import program as prog
from server import DOWNLOAD_NAME, PREFIX_BYTES
from session import BenchError, LineReader, end_tree, wait_for

# The program speaks Chinese, the bare reference window English.
SAVE_AS_TITLE = "^(Save As|另存为)$"
COMPLETION_BOX_TITLE = "^Corvane$"
TIMEOUT_S = 300
PACE_MB_S = 80


def remove(path):
    if os.path.exists(path):
        os.remove(path)


def check_size(path, size):
    actual = os.path.getsize(path) if os.path.exists(path) else -1
    if actual != size:
        raise BenchError("%s holds %d bytes, not %d" % (path, actual, size))


def run_program(folder, display, server, key, pace_mb_s=None):
    target = os.path.join(folder.down, DOWNLOAD_NAME)
    remove(target)
    gate = server.gate(key, pace_mb_s)
    page = server.url(server.go_page_path(server.download_path(key)))
    proc, _ = folder.start(display.env, page, "http://127.0.0.1:9/unused", trace_stalls=True)
    try:
        wait_for(gate.arrived.is_set, TIMEOUT_S, "the program's download request", 0.02)
        dialog = wait_for(lambda: display.windows(proc.pid, SAVE_AS_TITLE), 60,
                          "the Save As dialog", 0.05)[0]
        # The dialog proposes down/ and the server's file name: accept it.
        display.press(dialog, "Return")
        wait_for(lambda: dialog not in display.windows(proc.pid), 60, "the dialog to close", 0.02)
        gate.open()
        log = folder.log()
        done = log.wait_first(prog.DOWNLOAD_COMPLETE, gate.opened_at, TIMEOUT_S, proc)
        box = wait_for(lambda: display.windows(proc.pid, COMPLETION_BOX_TITLE), 60,
                       "the completion box", 0.05)[0]
        display.press(box, "Return")
        check_size(target, server.download_bytes)
        seconds = done - gate.opened_at
        stall = log.longest_stall(gate.opened_at, done)
    finally:
        end_tree(proc)
        remove(target)
    return (server.download_bytes - PREFIX_BYTES) / seconds / 1e6, stall


def run_minimal(minimal, work, display, server, key):
    storage = os.path.join(work, "minimal-storage")
    saved = os.path.join(work, "minimal-down")
    for folder in (storage, saved):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    gate = server.gate(key)
    page = server.url(server.go_page_path(server.download_path(key)))
    proc = subprocess.Popen([minimal, page, storage, saved], env=display.env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        lines = LineReader(proc)
        lines.next("download accepted ", TIMEOUT_S, "the bare window's download")
        wait_for(gate.arrived.is_set, TIMEOUT_S, "the bare window's download request", 0.02)
        gate.open()
        words = lines.next("download end ", TIMEOUT_S, "the bare window's download end")
        done, stall = int(words[2]) / 1000, (float(words[4]), float(words[6]), float(words[8]))
        check_size(os.path.join(saved, DOWNLOAD_NAME), server.download_bytes)
    finally:
        end_tree(proc)
        shutil.rmtree(saved, ignore_errors=True)
    return (server.download_bytes - PREFIX_BYTES) / (done - gate.opened_at) / 1e6, stall


def run_curl(work, display, server, key):
    target = os.path.join(work, DOWNLOAD_NAME)
    remove(target)
    gate = server.gate(key)
    proc = subprocess.Popen(["curl", "-s", "-o", target, server.url(server.download_path(key))],
                            env=display.env)
    try:
        if not gate.arrived.wait(TIMEOUT_S):
            raise BenchError("curl's request did not arrive within %d s" % TIMEOUT_S)
        gate.open()
        if proc.wait(timeout=TIMEOUT_S) != 0:
            raise BenchError("curl failed with exit code %d" % proc.returncode)
        done = time.time()
        # The engine puts a finished download on the disk (fdatasync) before it reports it
        # complete; curl leaves it in the page cache. The second figure pays that flush too.
        fd = os.open(target, os.O_RDONLY)
        try:
            os.fdatasync(fd)
        finally:
            os.close(fd)
        synced = time.time()
        check_size(target, server.download_bytes)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        remove(target)
    body = server.download_bytes - PREFIX_BYTES
    return body / (done - gate.opened_at) / 1e6, body / (synced - gate.opened_at) / 1e6


def stall_text(stall):
    return "%.1f ms: busy %.1f, waiting for a processor %.1f" % stall if stall else "not traced"


def measure(folder, minimal, work, display, server, runs, say):
    say("download of %d MiB: %d interleaved runs" % (server.download_bytes >> 20, runs))
    result = {"program": [], "curl": [], "curl_synced": [], "minimal": [], "stalls": [],
              "minimal_stalls": [], "paced_stalls": []}
    for i in range(runs):
        rate, stall = run_program(folder, display, server, "program-%d" % i)
        bare_rate, bare_stall = run_minimal(minimal, work, display, server, "minimal-%d" % i)
        curl_rate, curl_synced_rate = run_curl(work, display, server, "curl-%d" % i)
        for key, value in (("program", rate), ("minimal", bare_rate), ("curl", curl_rate),
                           ("curl_synced", curl_synced_rate), ("stalls", stall),
                           ("minimal_stalls", bare_stall)):
            result[key].append(value)
        say("  run %d: program %.0f MB/s (longest UI gap %s); bare window %.0f MB/s (%s); "
            "curl %.0f MB/s (with fdatasync %.0f MB/s)"
            % (i + 1, rate, stall_text(stall), bare_rate, stall_text(bare_stall), curl_rate,
               curl_synced_rate))
    # The same download held to a pace that leaves the processors room: a UI thread that is
    # blocked by the download's work stalls here too, one that merely waits for a processor
    # does not.
    for i in range(runs):
        _, stall = run_program(folder, display, server, "paced-%d" % i, PACE_MB_S)
        result["paced_stalls"].append(stall)
        say("  paced at %d MB/s, run %d: longest UI gap %s" % (PACE_MB_S, i + 1, stall_text(stall)))
    return result

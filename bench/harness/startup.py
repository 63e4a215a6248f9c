"""Start-up to the start page's load end and the memory of the whole process tree once it has
loaded: the program against the bare Qt WebEngine window, runs interleaved."""

import os
import shutil
import subprocess
import time

import program as prog
from session import LineReader, end_tree, tree_memory

# After the load end the engine still settles (GPU process, first paint): memory is read after it.
SETTLE_S = 2.0
LOAD_TIMEOUT_S = 120

# The program's own breakdown: (name, from line, to line); None is the process start.
PHASES = [
    ("process start to log writer", None, prog.STARTING),
    ("module start-up", prog.STARTING, prog.STARTUP_CHECK),
    ("startup check before the engine", prog.STARTUP_CHECK, prog.ENGINE_START),
    ("engine start", prog.ENGINE_START, prog.ENGINE_STARTED),
    ("startup check after the engine", prog.ENGINE_STARTED, prog.ENVIRONMENT_CHECK),
    ("environment check", prog.ENVIRONMENT_CHECK, prog.MAIN_WINDOW),
    ("main window creation", prog.MAIN_WINDOW, prog.MAIN_WINDOW_CREATED),
    ("first load end", prog.MAIN_WINDOW_CREATED, "load end"),
]


# The bare window's milestones (bench/minimal_window) and the phases between them.
MINIMAL_MILESTONES = ["application", "profile", "window", "load end"]
MINIMAL_PHASES = ["process start to application object", "profile", "window creation",
                  "first load end"]


def run_program(folder, display, start_url):
    proc, started = folder.start(display.env, start_url, "http://127.0.0.1:9/unused")
    try:
        log = folder.log()
        loaded = log.wait_first("StatusBar:" + start_url, started, LOAD_TIMEOUT_S, proc)
        marks = {None: started, "load end": loaded}
        for _, a, b in PHASES:
            for line in (a, b):
                if line not in marks:
                    marks[line] = log.first(line, started)
        time.sleep(SETTLE_S)
        memory = tree_memory(proc.pid)
    finally:
        end_tree(proc)
    phases = {}
    for name, a, b in PHASES:
        if marks.get(a) is not None and marks.get(b) is not None:
            phases[name] = (marks[b] - marks[a]) * 1000
    return (loaded - started) * 1000, memory, phases


def run_minimal(minimal, work, display, start_url):
    storage = os.path.join(work, "minimal-storage")
    shutil.rmtree(storage, ignore_errors=True)
    os.makedirs(storage)
    started = time.time()
    proc = subprocess.Popen([minimal, start_url, storage], env=display.env, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    try:
        lines = LineReader(proc)
        marks = [started]
        for milestone in MINIMAL_MILESTONES:
            words = lines.next(milestone + " ", LOAD_TIMEOUT_S, "the minimal window's " + milestone)
            marks.append(int(words[-1]) / 1000)
        loaded = marks[-1]
        time.sleep(SETTLE_S)
        memory = tree_memory(proc.pid)
    finally:
        end_tree(proc)
    phases = {name: (b - a) * 1000 for name, a, b in zip(MINIMAL_PHASES, marks, marks[1:])}
    return (loaded - started) * 1000, memory, phases


def measure(folder, minimal, work, display, server, runs, say):
    start_url = server.url("/start.html")
    say("start-up and memory: one warm-up run of each, then %d interleaved runs" % runs)
    run_program(folder, display, start_url)
    run_minimal(minimal, work, display, start_url)
    result = {"minimal_phases": {name: [] for name in MINIMAL_PHASES},"program": [], "minimal": [], "program_peak": [], "minimal_peak": [],
              "program_pss": [], "minimal_pss": [], "program_procs": [], "minimal_procs": [],
              "phases": {name: [] for name, _, _ in PHASES}}
    for i in range(runs):
        ms, (peak, pss, procs), phases = run_program(folder, display, start_url)
        result["program"].append(ms)
        result["program_peak"].append(peak)
        result["program_pss"].append(pss)
        result["program_procs"].append(procs)
        for name, value in phases.items():
            result["phases"][name].append(value)
        mms, (mpeak, mpss, mprocs), mphases = run_minimal(minimal, work, display, start_url)
        for name, value in mphases.items():
            result["minimal_phases"][name].append(value)
        result["minimal"].append(mms)
        result["minimal_peak"].append(mpeak)
        result["minimal_pss"].append(mpss)
        result["minimal_procs"].append(mprocs)
        say("  run %d: program %.0f ms, %.0f MiB (%d processes); minimal %.0f ms, %.0f MiB (%d)"
            % (i + 1, ms, peak, procs, mms, mpeak, mprocs))
    return result

"""The figures of the two measuring programs built with the project: bench_exchange (one report
exchange against curl, and the timer gaps while a report waits 5 s on a slow server) and bench_log
(the log writer against a plain write(2) loop)."""

import re
import subprocess

from session import BenchError

NUMBER = r"([\d.]+)"


def run(command, env):
    r = subprocess.run(command, env=env, capture_output=True, text=True, timeout=900)
    if r.returncode != 0:
        raise BenchError("%s failed (exit code %d): %s" % (command[0], r.returncode, r.stderr.strip()))
    return r.stdout


def find(pattern, text, what):
    m = re.search(pattern, text, re.M)
    if not m:
        raise BenchError("no %s in:\n%s" % (what, text))
    return [float(g) for g in m.groups()]


def exchange(binary, env, rounds, say):
    say("report exchange: %d interleaved rounds against curl, then a 5 s report wait" % rounds)
    out = run([binary, str(rounds)], env)
    span = r"median %s ms \(min %s, max %s\)" % (NUMBER, NUMBER, NUMBER)
    return {
        "exchange": find(r"^report exchange.*" + span, out, "exchange figure"),
        "curl": find(r"^curl, same bytes:\s*" + span, out, "curl figure"),
        "gap": find(r"longest gap between ticks %s ms" % NUMBER, out, "timer gap")[0],
    }


def log_writer(binary, env, runs, say):
    say("log writer: %d runs, each the log writer then the write(2) loop" % runs)
    writer, plain = [], []
    for _ in range(runs):
        out = run([binary], env)
        writer.append(find(r"^log writer.*?:\s*%s lines/s" % NUMBER, out, "log writer rate")[0])
        plain.append(find(r"^plain write\(2\) loop.*?:\s*%s lines/s" % NUMBER, out, "write rate")[0])
    return {"writer": writer, "plain": plain}

"""Medians, spans and the table of figures, printed and written as bench/results.md."""

import datetime
import os
import platform
import subprocess


def median(values):
    v = sorted(x for x in values if x is not None)
    if not v:
        return None
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


def span(values, unit, digits=0):
    """ "median unit (min–max)" of the values."""
    v = [x for x in values if x is not None]
    if not v:
        return "not measured"
    f = "%%.%df" % digits
    return (f + " %s (" + f + "–" + f + ")") % (median(v), unit, min(v), max(v))


def mark(ok):
    return "—" if ok is None else ("yes" if ok else "**no**")


def machine():
    cores = os.cpu_count()
    with open("/proc/meminfo") as f:
        kb = int(f.readline().split()[1])
    model = ""
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return "%d cores (%s), %.1f GiB memory, %s" % (cores, model, kb / 1048576, platform.platform())


def commit(root):
    def git(*args):
        r = subprocess.run(["git", "-C", root, *args], capture_output=True, text=True)
        return r.stdout.strip() if r.returncode == 0 else ""

    head = git("rev-parse", "--short", "HEAD") or "unknown"
    return head + (" with uncommitted changes" if git("status", "--porcelain") else "")


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def rows(r):
    """(figure, program, reference, comparison, target, met) rows of the main table."""
    out = []
    s = r.get("startup")
    if s:
        p, m = median(s["program"]), median(s["minimal"])
        out.append(("Start-up to the start page's load end", span(s["program"], "ms"),
                    "minimal window " + span(s["minimal"], "ms"), "%+.0f ms" % (p - m),
                    "≤ minimal + 600 ms", mark(p <= m + 600)))
        p, m = median(s["program_peak"]), median(s["minimal_peak"])
        out.append(("Peak RSS of the process tree after the load end",
                    span(s["program_peak"], "MiB") + ", %d processes" % median(s["program_procs"]),
                    "minimal window " + span(s["minimal_peak"], "MiB") +
                    ", %d processes" % median(s["minimal_procs"]),
                    "%.2f ×" % (p / m), "≤ 1.15 ×", mark(p <= 1.15 * m)))
        p, m = median(s["program_pss"]), median(s["minimal_pss"])
        out.append(("(for information) PSS of the process tree", span(s["program_pss"], "MiB"),
                    "minimal window " + span(s["minimal_pss"], "MiB"), "%.2f ×" % (p / m), "", ""))
    e = r.get("exchange")
    if e:
        ex, cu = e["exchange"], e["curl"]
        out.append(("One report exchange (92-byte POST, local server)",
                    "%.2f ms (%.2f–%.2f)" % tuple(ex), "curl %.2f ms (%.2f–%.2f)" % tuple(cu),
                    "%.2f ×" % (ex[0] / cu[0]), "≤ 1.5 × curl", mark(ex[0] <= 1.5 * cu[0])))
    lw = r.get("log")
    if lw:
        w, p = median(lw["writer"]), median(lw["plain"])
        out.append(("Log writer, 3 threads at level debug", span([x / 1e3 for x in lw["writer"]],
                                                                 "k lines/s"),
                    "write(2) loop " + span([x / 1e3 for x in lw["plain"]], "k lines/s"),
                    "%.2f ×" % (w / p), "≥ 0.8 × loop", mark(w >= 0.8 * p)))
    d = r.get("download")
    if d:
        p, c = median(d["program"]), median(d["curl"])
        out.append(("Download of %d MiB, saved through Save As" % r["download_mib"],
                    span(d["program"], "MB/s"), "curl -o " + span(d["curl"], "MB/s"),
                    "%.2f ×" % (p / c), "≥ 0.8 × curl", mark(p >= 0.8 * c)))
        cs = median(d["curl_synced"])
        out.append(("(for information) the same download, flushed to the disk as the engine does",
                    span(d["program"], "MB/s"), "curl -o, then fdatasync " +
                    span(d["curl_synced"], "MB/s"), "%.2f ×" % (p / cs), "", ""))
        b = median(d["minimal"])
        out.append(("(for information) the same download, engine alone",
                    span(d["program"], "MB/s"),
                    "minimal window, no dialog " + span(d["minimal"], "MB/s"), "%.2f ×" % (p / b),
                    "", ""))
    if e:
        out.append(("Longest UI timer gap, report waiting 5 s (bench_exchange)",
                    "%.1f ms" % e["gap"], "", "", "≤ 50 ms", mark(e["gap"] <= 50)))
    stalls = r.get("report_wait")
    if stalls:
        out.append(stall_row("report waiting 5 s, in the program", stalls, ""))
    if d:
        bare = stall_row("", d["minimal_stalls"], "")[1]
        out.append(stall_row("download, in the program", d["stalls"], "minimal window " + bare))
        if d.get("paced_stalls"):
            row = stall_row("download paced at %d MB/s, in the program" % r["pace_mb_s"],
                            d["paced_stalls"], "")
            out.append(("(for information) " + row[0],) + row[1:5] + ("",))
    return out


def stall_row(label, stalls, reference):
    """A row of UI stalls: (gap, busy, waiting) per run, None where a run traced nothing."""
    measured = [st for st in stalls if st]
    worst = max(measured) if measured else None
    text = span([st[0] if st else None for st in stalls], "ms", 1) + " per run"
    if worst:
        text += ("; of the longest, the UI thread ran %.1f ms and waited %.1f ms for a processor"
                 % worst[1:])
    return ("Longest UI timer gap, " + label, text, reference, "", "≤ 50 ms",
            mark(None if worst is None else worst[0] <= 50))


def table(r):
    lines = ["| Figure | Corvane | Reference | Comparison | Target | Met |",
             "|---|---|---|---|---|---|"]
    lines += ["| " + " | ".join(row) + " |" for row in rows(r)]
    s = r.get("startup")
    if s:
        lines += ["", "Corvane's start-up, from its debug log (median, min–max, ms):", "",
                  "| Phase | Time |", "|---|---|"]
        for name, values in s["phases"].items():
            lines.append("| %s | %s |" % (name, span(values, "ms")))
        lines += ["", "The minimal window's start-up, from its own milestones (median, min–max, ms):",
                  "", "| Phase | Time |", "|---|---|"]
        for name, values in s["minimal_phases"].items():
            lines.append("| %s | %s |" % (name, span(values, "ms")))
    return "\n".join(lines)


def document(r, root, started_load, runs):
    head = [
        "# Benchmark results",
        "",
        "Written by `bench/run`. Medians over %d interleaved runs of each side (min–max in "
        "brackets); a benchmark is never a test, a missed target fails nothing." % runs,
        "",
        "- Date: %s" % datetime.datetime.now().strftime("%Y-%m-%d %H:%M"),
        "- Machine: %s" % machine(),
        "- Commit: %s" % commit(root),
        "- Load average (1, 5, 15 min) at the start: %s; at the end: %s"
        % (started_load, load_average()),
        "",
        "",
    ]
    return "\n".join(head) + table(r) + "\n"

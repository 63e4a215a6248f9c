"""Runs every benchmark against its reference and writes the table (see bench/run)."""

import argparse
import os
import shutil
import sys
import tempfile
import traceback

import download
import program as prog
import report
import report_wait
import soak
import startup
import tools
from server import BenchServer
from session import Display

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ITEMS = ("startup", "exchange", "log", "download", "report_wait")


def say(text):
    print(text, flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--build", required=True, help="the configured and built build folder")
    parser.add_argument("--runs", type=int, default=5, help="runs of each side (at least 5)")
    parser.add_argument("--download-mib", type=int, default=512)
    parser.add_argument("--only", action="append", choices=ITEMS,
                        help="measure only this item (repeatable)")
    parser.add_argument("--results", default=os.path.join(ROOT, "bench", "results.md"),
                        help="where the table is written ('-': nowhere)")
    args = parser.parse_args()
    items = args.only or ITEMS
    build = os.path.abspath(args.build)
    binaries = {
        "minimal": os.path.join(build, "bench", "minimal_window", "minimal_window"),
        "exchange": os.path.join(build, "bench", "net", "bench_exchange"),
        "log": os.path.join(build, "bench", "log", "bench_log"),
    }
    for name, path in binaries.items():
        if not os.access(path, os.X_OK):
            say("missing %s (%s): build the project first" % (name, path))
            return 2

    started_load = report.load_average()
    work = tempfile.mkdtemp(prefix="corvane-bench-")
    display = Display(work)
    server = BenchServer(args.download_mib << 20, report_delay_s=5)
    results = {"download_mib": args.download_mib, "pace_mb_s": download.PACE_MB_S}
    failed = False
    try:
        display.start()
        folder = prog.ProgramFolder(build, work)
        say("program folder %s, display %s, server %s"
            % (folder.folder, display.env["DISPLAY"], server.url("/")))
        steps = {
            "startup": lambda: startup.measure(folder, binaries["minimal"], work, display, server,
                                               args.runs, say),
            "exchange": lambda: tools.exchange(binaries["exchange"], display.env,
                                               max(40, args.runs), say),
            "log": lambda: tools.log_writer(binaries["log"], display.env, args.runs, say),
            "download": lambda: download.measure(folder, binaries["minimal"], work, display, server,
                                                 args.runs, say),
            "report_wait": lambda: report_wait.measure(folder, display, server, args.runs, say),
        }
        for item in ITEMS:
            if item not in items:
                continue
            try:
                results[item] = steps[item]()
            except Exception:  # one broken item leaves the others their figures
                failed = True
                say("%s could not be measured:\n%s" % (item, traceback.format_exc()))
    finally:
        server.stop()
        display.stop()
        shutil.rmtree(work, ignore_errors=True)

    text = report.document(results, ROOT, started_load, args.runs)
    say("")
    say(text)
    if args.results != "-":
        # The soak's section is measured on its own (soak.py); it stays.
        text = soak.carried_over(text, args.results)
        with open(args.results, "w") as f:
            f.write(text)
        say("written to %s" % args.results)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

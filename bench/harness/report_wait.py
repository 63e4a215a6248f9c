"""The UI thread's longest stall while a login report waits on a slow server: in the program
(the page sends the login command, the report server answers after 5 s) from its stall trace."""

import time

from session import end_tree, wait_for

TIMEOUT_S = 120


def run_program(folder, display, server):
    before = len(server.reports)
    page = server.url(server.go_page_path(server.login_path()))
    proc, _ = folder.start(display.env, page, server.url("/report"), trace_stalls=True)
    try:
        wait_for(lambda: len(server.reports) > before, TIMEOUT_S, "the login report", 0.05)
        received, answered = server.reports[before]
        # The program's wait ends once the answer is in; a quarter second for the trace to say so.
        time.sleep(0.5)
        gaps = folder.log().stall_gaps(received, answered)
    finally:
        end_tree(proc)
    return max(gaps) if gaps else None


def measure(folder, display, server, runs, say):
    say("UI stalls during a report to a slow server: %d runs" % runs)
    longest = []
    for i in range(runs):
        gap = run_program(folder, display, server)
        longest.append(gap)
        say("  run %d: longest UI gap %s" % (i + 1, "%.1f ms" % gap if gap is not None else "not traced"))
    return longest

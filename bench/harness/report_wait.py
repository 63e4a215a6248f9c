"""The UI thread's longest stall while a login report waits on a slow server: in the program
(the page sends the login command, the report server answers after 5 s) from its stall trace."""

import time

from download import stall_text
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
        stall = folder.log().longest_stall(received, answered)
    finally:
        end_tree(proc)
    return stall


def measure(folder, display, server, runs, say):
    say("UI stalls during a report to a slow server: %d runs" % runs)
    stalls = []
    for i in range(runs):
        stall = run_program(folder, display, server)
        stalls.append(stall)
        say("  run %d: longest UI gap %s" % (i + 1, stall_text(stall)))
    return stalls

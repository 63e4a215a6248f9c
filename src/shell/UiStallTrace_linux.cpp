#include <time.h>

#include <fstream>

#include "shell/UiStallTrace.h"

namespace corvane {

ThreadTimes CurrentThreadTimes() {
    ThreadTimes times;
    timespec ts{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) == 0)
        times.runningNs = qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    // "<on a processor> <waiting in the run queue> <time slices>", in nanoseconds.
    std::ifstream schedstat("/proc/thread-self/schedstat");
    long long running = 0, waiting = 0;
    if (schedstat >> running >> waiting) times.waitingNs = waiting;
    return times;
}

}  // namespace corvane

// Helpers shared by the in-process shell tests.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace shelltest {

// The floating-point traps in force right after the engine was started (see ui_main.cpp).
extern int trapsAfterEngineStart;

// Runs the event loop until the condition holds or the time is up; returns the condition.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 20000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace shelltest

namespace shelltest {
// Runs the event loop for a while, for checks that something does NOT happen meanwhile.
inline void RunEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace shelltest

// Running a piece of work on a thread of its own while the calling thread keeps handling its Qt
// events, the way a report waits for the server without freezing the windows.
#pragma once

#include <functional>

namespace corvane::net {

// Runs body on a new std::thread. Meanwhile the calling thread processes its pending Qt events and
// sleeps in its event dispatcher until the next one, woken by the worker when body has returned
// (and at least every few tens of milliseconds, so no wake-up can be lost). Returns only after
// the thread has been joined, so body may use the caller's stack. Without a Qt event dispatcher
// on the calling thread it just joins.
//
// body must not throw. Throws std::system_error when the thread cannot be started; body has not
// run then.
void RunOnWorkerProcessingEvents(const std::function<void()>& body);

}  // namespace corvane::net

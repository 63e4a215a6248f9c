// CORVANE_CHECK(cond): a consistency check of the program's own state.
//
// Like assert() it is compiled out under NDEBUG, and a failed check reports itself and aborts.
// While the diagnostic routing is in force (InstallDiagnosticRouting) a failed check is written
// into the log at debug level instead, naming the check, and the program carries on: a slip in a
// long running session is recorded without taking the user's work down.
//
//   CORVANE_CHECK(qApp->thread() == QThread::currentThread());
#pragma once

namespace corvane {

// The failure path behind the macro. Returns only while the routing is in force.
void CheckFailed(const char* expression, const char* file, unsigned line,
                 const char* function) noexcept;

}  // namespace corvane

#ifdef NDEBUG
#define CORVANE_CHECK(cond) static_cast<void>(0)
#else
#define CORVANE_CHECK(cond)  \
    (static_cast<bool>(cond) \
         ? void(0)           \
         : ::corvane::CheckFailed(#cond, __FILE__, __LINE__, __PRETTY_FUNCTION__))
#endif

// Calls into the client's handlers from inside Qt WebEngine's own processing. An exception a
// handler lets out must not unwind through Chromium: it stops here, is logged, and the engine goes
// on with the given fallback answer. UI thread only.
#pragma once

#include <QtGlobal>
#include <exception>
#include <utility>

namespace corvane::engine {

template <class Result, class Call>
Result CallClient(const char* handler, Result fallback, Call&& call) noexcept {
    try {
        return std::forward<Call>(call)();
    } catch (const std::exception& e) {
        qWarning("Corvane engine: %s failed: %s", handler, e.what());
    } catch (...) {
        qWarning("Corvane engine: %s failed", handler);
    }
    return fallback;
}

}  // namespace corvane::engine

#include <atomic>

#include "log/DiagnosticRoute.h"

// The C library's report-and-abort for a failed check (also declared by <assert.h>, but only in
// builds without NDEBUG).
extern "C" [[noreturn]] void __assert_fail(const char* assertion, const char* file,
                                           unsigned int line, const char* function) noexcept;

namespace corvane::detail {
namespace {
std::atomic<bool> g_routing{false};
}

bool AssertRoutingInForce() { return g_routing.load(std::memory_order_acquire); }
void SetAssertRouting(bool inForce) { g_routing.store(inForce, std::memory_order_release); }

}  // namespace corvane::detail

// Called by assert() (see assert_routing/assert.h). While the routing is in force a failed check
// becomes a debug-level report naming the check, and the program carries on; otherwise the
// system's handling (message and abort) applies.
extern "C" __attribute__((noinline)) void corvane_assert_failed(const char* expression,
                                                                const char* file, unsigned line,
                                                                const char* function) noexcept {
    if (!corvane::detail::AssertRoutingInForce()) __assert_fail(expression, file, line, function);
    const void* callSite = __builtin_extract_return_addr(__builtin_return_address(0));
    try {
        QString message = QStringLiteral("Assertion failed: ") + QString::fromUtf8(expression);
        if (function && *function) message += QStringLiteral(" in ") + QString::fromUtf8(function);
        // The level is given, not parsed: an expression may itself hold a "^".
        corvane::detail::RouteDiagnostic(QStringLiteral("debug"), message, file, int(line),
                                         callSite);
    } catch (...) {
    }
}

#include "log/Check.h"

#include <atomic>

#include "log/DiagnosticRoute.h"

// The C library's report-and-abort for a failed check, as assert() uses it. The system's handling
// cannot serve the routed case: it is declared not to return.
extern "C" [[noreturn]] void __assert_fail(const char* assertion, const char* file,
                                           unsigned int line, const char* function) noexcept;

namespace corvane {

namespace detail {
namespace {
std::atomic<bool> g_routing{false};
}

bool CheckRoutingInForce() { return g_routing.load(std::memory_order_acquire); }
void SetCheckRouting(bool inForce) { g_routing.store(inForce, std::memory_order_release); }

}  // namespace detail

// While the routing is in force a failed check becomes a debug-level report naming the check, and
// the program carries on; otherwise the system's handling (message and abort) applies.
__attribute__((noinline)) void CheckFailed(const char* expression, const char* file, unsigned line,
                                           const char* function) noexcept {
    if (!detail::CheckRoutingInForce()) __assert_fail(expression, file, line, function);
    // Where the failed check's code continues: the address the report names.
    const void* callSite = __builtin_extract_return_addr(__builtin_return_address(0));
    try {
        QString message = QStringLiteral("Assertion failed: ") + QString::fromUtf8(expression);
        if (function && *function) message += QStringLiteral(" in ") + QString::fromUtf8(function);
        // The level is given, not parsed: an expression may itself hold a "^".
        detail::RouteDiagnostic(QStringLiteral("debug"), message, file, int(line), callSite);
    } catch (...) {
    }
}

}  // namespace corvane

// The routing step shared by reports and failed CORVANE_CHECK checks. Used inside the log library.
#pragma once

#include <QString>

namespace corvane::detail {

// Writes one report: the folder line when the source folder changed, then the report's line
// through LogError, LogInfo or LogDebug by level. Any thread; never throws.
void RouteDiagnostic(const QString& level, const QString& message, const char* sourceFile, int line,
                     const void* callSite);

// Whether InstallDiagnosticRouting is in force (Check.cpp).
bool CheckRoutingInForce();
void SetCheckRouting(bool inForce);

}  // namespace corvane::detail

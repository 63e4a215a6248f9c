// Diagnostic routing: "level^message" texts into the log, with the place that reported them.
//
//   ReportDiagnostic("error^" + e.what());   // LogError
//   ReportDiagnostic("info^In_url:" + url);   // LogInfo
//   ReportDiagnostic("a trace");              // LogDebug
//
// Every call records its own source file, line and call-site address. Thread-safe; never throws.
#pragma once

#include <QString>

namespace corvane {

// The routing function behind the macro; the call-site address is the return address of this call.
void ReportDiagnosticAt(const QString& text, const char* sourceFile, int line);

// Puts the routing in force (also for failed CORVANE_CHECK checks, which are then written at debug
// level instead of aborting) and withdraws it. The entry calls Install after log4me::Start and
// Remove before log4me::Stop.
void InstallDiagnosticRouting();
void RemoveDiagnosticRouting();

}  // namespace corvane

#define ReportDiagnostic(text) ::corvane::ReportDiagnosticAt((text), __FILE__, __LINE__)

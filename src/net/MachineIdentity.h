// The machine identity: the adapter address text with every "-" removed, set once by the start-up
// check before any worker thread exists and read by the login report.
#pragma once

#include <QString>

namespace corvane::net {

const QString& MachineIdentity();
void SetMachineIdentity(const QString& identity);

}  // namespace corvane::net

#include "net/MachineIdentity.h"

namespace corvane::net {
namespace {
QString& Identity() {
    static QString identity;
    return identity;
}
}  // namespace

const QString& MachineIdentity() { return Identity(); }

void SetMachineIdentity(const QString& identity) { Identity() = identity; }

}  // namespace corvane::net

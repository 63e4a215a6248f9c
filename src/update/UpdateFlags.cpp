#include "update/UpdateFlags.h"

namespace corvane::update {

bool& UpdateCheckSwitch() {
    static bool on = false;
    return on;
}

std::atomic<bool>& TerminateFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

std::atomic<bool>& GoOnFlag() {
    static std::atomic<bool> flag{false};
    return flag;
}

}  // namespace corvane::update

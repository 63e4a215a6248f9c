#include "update/UpdateSeams.h"

#include <thread>

#include "update/CK_update.h"
#include "update/Uprocess.h"

namespace corvane::update {

UpdateSeams RealUpdateSeams() {
    return UpdateSeams{
        &::Checkupdate, &RunAndWait, &StartDetached,
        [](std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }};
}

}  // namespace corvane::update

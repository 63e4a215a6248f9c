// Stand-in for the update-check component: it answers what its settings file says, so that
// deployments without an update service, the demo and the tests can script the update check.
#include "update/CK_update.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "AnsiText.h"
#include "LocalConf.h"

namespace {
// The caller's buffer holds 200 bytes: 199 for the text and the terminator.
constexpr size_t kDescriptionBytes = 199;
}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t Checkupdate(const char* settingsPath,
                                                                      const char* /*paramsPath*/,
                                                                      char* buffer) {
    const ck_update::Answer answer = ck_update::ReadAnswer(settingsPath ? settingsPath : "");
    if (answer.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
    if (buffer) {
        const std::string text = ck_update::CutToCharacters(answer.description, kDescriptionBytes);
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
    }
    return answer.result;
}

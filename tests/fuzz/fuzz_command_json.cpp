// Reading the JSON value of a page command. Catches crashes, stack exhaustion and any exception
// other than the documented refusal of deep nesting.
#include <QString>

#include "FuzzSupport.h"
#include "browser/CommandJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        corvane::fuzz::TextFrom(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    try {
        const auto command = corvane::browser::ReadCommandObject(text);
        if (command && !command->hasData) FUZZ_CHECK(command->nsrsbh.isEmpty());
    } catch (const corvane::browser::CommandJsonTooDeep&) {
    } catch (...) {
        FUZZ_CHECK(!"ReadCommandObject let an unexpected exception out");
    }
    return 0;
}

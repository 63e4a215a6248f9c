// The page command channel from the navigation address to the command table, with the commands'
// side effects recorded instead of carried out. Catches a crash, a hang or an exception escaping
// on any address a page can navigate to, and a command that runs more than one effect.
#include <QString>

#include "FuzzSupport.h"
#include "browser/PageCommand.h"

namespace {

class RecordingActions : public corvane::browser::PageCommandActions {
  public:
    void CloseByPage() override { ++effects; }
    void ReportLogin(const QString& nsrsbh) override {
        ++effects;
        reportedNumber = nsrsbh;
    }
    bool PrintPage() override {
        ++effects;
        return true;
    }

    int effects = 0;
    QString reportedNumber;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString address =
        corvane::fuzz::TextFrom(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    RecordingActions actions;
    QString result;
    try {
        result = corvane::browser::HandlePageCommand(address, actions);
    } catch (...) {
        FUZZ_CHECK(!"HandlePageCommand let an exception out");
    }
    FUZZ_CHECK(actions.effects <= 1);
    // Without the marker nothing may happen at all.
    if (!address.contains(QLatin1String("/interact_"), Qt::CaseInsensitive)) {
        FUZZ_CHECK(actions.effects == 0);
        FUZZ_CHECK(result.isEmpty());
    }
    return 0;
}

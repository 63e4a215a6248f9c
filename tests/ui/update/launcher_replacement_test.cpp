// A waiting "FUpdate_new" takes the launcher's place at the start; when the files cannot be
// changed both stay, silently, and the start goes on.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>

#include "UpdateFixture.h"

namespace updatetest {
namespace {

// While it lives, this thread (and the threads and processes it starts) obeys file permissions
// even as root: the capabilities that override them are dropped from the effective set and
// given back at the end.
class ObeyFilePermissions {
  public:
    ObeyFilePermissions() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[0].effective &= ~(1u << cap);
        changed_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~ObeyFilePermissions() {
        if (changed_) syscall(SYS_capset, &header_, saved_);
    }
    ObeyFilePermissions(const ObeyFilePermissions&) = delete;
    ObeyFilePermissions& operator=(const ObeyFilePermissions&) = delete;

  private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

struct ReplacementCase {
    const char* name;
    bool waiting;              // "FUpdate_new" holds "new"
    bool old;                  // "FUpdate" holds "old"
    bool folderReadOnly;       // nothing in the update folder can be deleted or renamed
    QByteArray launcherAfter;  // null: no "FUpdate"
    QByteArray waitingAfter;   // null: no "FUpdate_new"
};

void PrintTo(const ReplacementCase& c, std::ostream* os) { *os << c.name; }

class LauncherReplacement : public UpdateFixture,
                            public ::testing::WithParamInterface<ReplacementCase> {};

// Catches a copy not put in place, an old launcher kept, a failure that is logged or that stops
// the start.
TEST_P(LauncherReplacement, AtStart) {
    const ReplacementCase& c = GetParam();
    const QString launcher = UpdateFolder() + "FUpdate";
    const QString waiting = UpdateFolder() + "FUpdate_new";
    QFile::remove(launcher);
    if (c.old) WriteFile(launcher, "old");
    if (c.waiting) WriteFile(waiting, "new");
    const QByteArray logBefore = LogText();

    bool goesOn = false;
    if (c.folderReadOnly) {
        const auto permissions = QFile::permissions(UpdateFolder());
        ASSERT_TRUE(QFile::setPermissions(UpdateFolder(), QFile::ReadOwner | QFile::ExeOwner));
        {
            ObeyFilePermissions obey;
            goesOn = RunCheck();
        }
        QFile::setPermissions(UpdateFolder(), permissions);
    } else {
        goesOn = RunCheck();
    }

    EXPECT_TRUE(goesOn);
    EXPECT_EQ(QFile::exists(launcher) ? ReadFile(launcher) : QByteArray(), c.launcherAfter);
    EXPECT_EQ(QFile::exists(waiting) ? ReadFile(waiting) : QByteArray(), c.waitingAfter);
    EXPECT_EQ(LogText(), logBefore) << "logged: " << LogText().mid(logBefore.size()).data();
}

INSTANTIATE_TEST_SUITE_P(
    Files, LauncherReplacement,
    ::testing::Values(ReplacementCase{"CopyReplacesOld", true, true, false, "new", QByteArray()},
                      ReplacementCase{"CopyWithoutOld", true, false, false, "new", QByteArray()},
                      ReplacementCase{"NoCopy", false, true, false, "old", QByteArray()},
                      ReplacementCase{"NeitherFile", false, false, false, QByteArray(),
                                      QByteArray()},
                      ReplacementCase{"FolderReadOnly", true, true, true, "old", "new"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace updatetest

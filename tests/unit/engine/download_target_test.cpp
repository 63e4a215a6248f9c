// Where a download lands: relative paths in the program folder, never in the current directory
// (the fault: a program started from a terminal in $HOME saving into $HOME/down).
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "download_target.h"

using corvane::engine::DownloadTarget;

namespace {

TEST(DownloadTarget, ResolvesAgainstTheProgramFolder) {
    QTemporaryDir program;
    ASSERT_TRUE(program.isValid());
    ASSERT_TRUE(QDir(program.path()).mkpath("existing"));
    const QString p = program.path();
    struct Case {
        QString client_path;
        QString expected;
    } cases[] = {
        {"down/a.bin", p + "/down/a.bin"},         // relative file path
        {"down/", p + "/down/a.bin"},              // folder named by its trailing "/"
        {"existing", p + "/existing/a.bin"},       // an existing folder
        {"/srv/files/b.bin", "/srv/files/b.bin"},  // absolute paths stay
        {"down/../up.bin", p + "/up.bin"},         // cleaned
        {"", "/defaults/a.bin"},                   // no path: the default folder
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DownloadTarget(c.client_path, "a.bin", p, "/defaults"), c.expected)
            << c.client_path.toStdString();
    }
}

}  // namespace

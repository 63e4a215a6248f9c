// In-process shell tests: a QApplication of the test's own, the log writer started for the test
// binary's folder and the engine started from CefLib/libcef.so beside it (the scripted engine).
#include <fenv.h>
#include <gtest/gtest.h>

#include <QApplication>

#include "log/ProgramFolder.h"
#include "log/log4me.h"
#include "shell/EngineBootstrap.h"
#include "shell_ui_test.h"

namespace shelltest {
int trapsAfterEngineStart = -1;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display: no application object for that.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    corvane::log4me::Start(QCoreApplication::applicationFilePath());
    // A trap left on by whatever ran before must not reach the engine.
    feenableexcept(FE_DIVBYZERO | FE_INVALID);
    corvane::engine::StartEngine(argc, argv,
                                 corvane::ProgramFolderOf(QCoreApplication::applicationFilePath()),
                                 corvane::engine::DefaultEngineSettings());
    shelltest::trapsAfterEngineStart = fegetexcept();
    const int rc = RUN_ALL_TESTS();
    corvane::engine::ShutdownEngine();
    corvane::log4me::Stop();
    return rc;
}

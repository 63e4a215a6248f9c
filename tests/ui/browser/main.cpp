// The browser window's UI tests run against the scripted engine in a private program folder.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "TempProgram.h"
#include "WindowFixture.h"
#include "shell/Application.h"
#include "shell/EngineBootstrap.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs at build time, without a display.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    // The scripted engine lies beside the test binary as CefLib/libcef.so.
    corvane::testing::TempProgram program(
        QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath() + QStringLiteral("/CefLib"));
    corvane::SetApplicationArguments(argc, argv);
    corvane::browser::WindowFixture::programFolder = program.Folder();
    if (!corvane::engine::StartEngine(argc, argv, program.Folder(),
                                      corvane::engine::DefaultEngineSettings()))
        return 1;
    const int result = RUN_ALL_TESTS();
    corvane::engine::ShutdownEngine();
    return result;
}

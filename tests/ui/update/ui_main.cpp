// In-process tests of the environment check: a QApplication of the test's own; each test lays out
// its own program folder (see UpdateFixture).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Diagnostic routing: level split, line form, call-site address, folder line, and failed
// CORVANE_CHECK checks (built in, whatever the build type says).
#undef NDEBUG
#include "log/Check.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include "ProgramFolderFixture.h"
#include "log/Diagnostic.h"

using namespace corvane;
using corvane::testing::ProgramFolderTest;

namespace {

class DiagnosticTest : public ProgramFolderTest {
  protected:
    void Start(const char* level) {
        StartLog(level);
        InstallDiagnosticRouting();
        written_ = LogText().size();
    }
    ~DiagnosticTest() override { RemoveDiagnosticRouting(); }

    // What the log received since the last call.
    QByteArray NewText() {
        const QByteArray all = LogText();
        const QByteArray fresh = all.mid(written_);
        written_ = all.size();
        return fresh;
    }

    qsizetype written_ = 0;
};

struct RouteCase {
    const char* name;
    const char* text;
    const char* tag;
    const char* level;  // as the line shows it
    const char* message;
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

class DiagnosticRouteTest : public DiagnosticTest,
                            public ::testing::WithParamInterface<RouteCase> {};

// Catches: a split at the last caret, levels compared with case or rewritten in the line, other
// levels not routed to debug, a missing blank at either line's end.
TEST_P(DiagnosticRouteTest, SplitsAtTheFirstCaretAndRoutesByLevel) {
    Start("[log4me]\nlevel=debug\n");
    ReportDiagnostic(QString::fromUtf8(GetParam().text));
    NewText();  // the folder line of the first report
    ReportDiagnostic(QString::fromUtf8(GetParam().text));
    const int line = __LINE__ - 1;
    const QString expected =
        QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d{3} %1Addr: [0-9A-F]{8}, in file\(%2\): )"
                       R"(diagnostic_test\.cpp, %3: \r\n%4 \r\n$)")
            .arg(QRegularExpression::escape(QString::fromLatin1(GetParam().tag)))
            .arg(line)
            .arg(QRegularExpression::escape(QString::fromUtf8(GetParam().level)),
                 QRegularExpression::escape(QString::fromUtf8(GetParam().message)));
    const QByteArray text = NewText();
    EXPECT_TRUE(QRegularExpression(expected).match(QString::fromLatin1(text)).hasMatch())
        << text.toStdString() << "\nexpected " << expected.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiagnosticRouteTest,
    ::testing::Values(
        RouteCase{"error", "error^File not found", "[error]", "error", "File not found"},
        RouteCase{"errorInCapitals", "ERROR^x", "[error]", "ERROR", "x"},
        RouteCase{"infoMixedCase", "Info^In_url:http://a", "[info ]", "Info", "In_url:http://a"},
        RouteCase{"noCaret", "a trace", "[debug]", "debug", "a trace"},
        RouteCase{"emptyLevel", "^alone", "[debug]", "", "alone"},
        RouteCase{"otherWord", "warn^w", "[debug]", "warn", "w"},
        RouteCase{"twoCarets", "a^b^c", "[debug]", "a", "b^c"},
        RouteCase{"emptyMessage", "error^", "[error]", "error", ""},
        RouteCase{"percentSigns", "error^%1 %s %p", "[error]", "error", "%1 %s %p"}),
    [](const auto& info) { return std::string(info.param.name); });

// Catches: an address that does not lead back to the reporting line (a run-time address, the
// address of the routing itself, or lower-case or unpadded digits).
TEST_F(DiagnosticTest, AddressNamesTheCallSite) {
    Start("[log4me]\nlevel=debug\n");
    ReportDiagnostic(QStringLiteral("error^where"));
    const int line = __LINE__ - 1;
    const auto m = QRegularExpression(QStringLiteral("Addr: ([0-9A-F]{8}),"))
                       .match(QString::fromLatin1(NewText()));
    ASSERT_TRUE(m.hasMatch());
    QProcess addr2line;
    addr2line.start(QStringLiteral("addr2line"),
                    {QStringLiteral("-i"), QStringLiteral("-e"),
                     QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(),
                     QStringLiteral("0x") + m.captured(1)});
    ASSERT_TRUE(addr2line.waitForFinished(60000));
    const QString where = QString::fromLocal8Bit(addr2line.readAllStandardOutput()).trimmed();
    const auto place =
        QRegularExpression(QStringLiteral(R"(diagnostic_test\.cpp:(\d+))")).match(where);
    ASSERT_TRUE(place.hasMatch()) << where.toStdString();
    // The return address belongs to the reporting statement (or, optimised, the one after it);
    // -i unfolds inlined code there (the temporary's destructor) down to the test's own line.
    EXPECT_GE(place.captured(1).toInt(), line);
    EXPECT_LE(place.captured(1).toInt(), line + 2);
}

// Catches: the folder line missing, repeated for every report, compared with case, or written
// after the report's own line; "\" not taken as a separator.
TEST_F(DiagnosticTest, WritesTheSourceFolderWhenItChanges) {
    Start("[log4me]\nlevel=debug\n");
    ReportDiagnosticAt(QStringLiteral("one"), "/src/a/x.cpp", 1);
    ReportDiagnosticAt(QStringLiteral("two"), "/SRC/A/y.cpp", 2);
    ReportDiagnosticAt(QStringLiteral("three"), "/src/b/z.cpp", 3);
    ReportDiagnosticAt(QStringLiteral("four"), "C:\\work\\q.cpp", 4);
    const QList<QByteArray> lines = NewText().split('\n');
    const char* expected[] = {"[debug]/src/a/\r", "[debug]Addr: ", "one \r",
                              "[debug]Addr: ",    "two \r",        "[debug]/src/b/\r",
                              "[debug]Addr: ",    "three \r",      "[debug]C:\\work\\\r",
                              "[debug]Addr: ",    "four \r",       ""};
    ASSERT_EQ(lines.size(), qsizetype(std::size(expected)));
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_TRUE(lines[qsizetype(i)].contains(expected[i])) << lines[qsizetype(i)].toStdString();
    EXPECT_TRUE(lines[9].contains("in file(4): q.cpp, debug: "));
}

// Catches: reports of a switched-off level written, or the folder line written without the debug
// switch.
TEST_F(DiagnosticTest, SwitchedOffLevelsLeaveNoLine) {
    Start("[log4me]\nlevel=error\n");
    ReportDiagnostic(QStringLiteral("info^not wanted"));
    ReportDiagnostic(QStringLiteral("trace not wanted"));
    EXPECT_EQ(NewText(), QByteArray());
    ReportDiagnostic(QStringLiteral("error^wanted"));
    const QByteArray text = NewText();
    EXPECT_TRUE(text.startsWith("09:51:53.042 [error]Addr: ")) << text.toStdString();
    EXPECT_EQ(text.count('\n'), 2);
}

// Catches: a failed check that stops the program, is lost, or is split at a "^" in the
// expression; the check still stopping the program once the routing is withdrawn.
TEST_F(DiagnosticTest, FailedCheckIsADebugReportWhileRoutingIsInForce) {
    Start("[log4me]\nlevel=debug\n");
    volatile int mask = 6;
    bool carriedOn = false;
    CORVANE_CHECK((mask ^ 6) != 0);
    carriedOn = true;
    EXPECT_TRUE(carriedOn);
    const QByteArray text = NewText();
    EXPECT_TRUE(text.contains("[debug]Addr: ")) << text.toStdString();
    EXPECT_TRUE(text.contains("diagnostic_test.cpp, debug: \r\nAssertion failed: (mask ^ 6) != 0"))
        << text.toStdString();

    RemoveDiagnosticRouting();
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_DEATH(CORVANE_CHECK(mask == 0), "mask == 0");
}

}  // namespace

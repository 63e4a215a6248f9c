// WM_SHELL_COMMAND across threads, the notification window and boxes shown for worker threads.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <thread>

#include "shell/AppGlob.h"
#include "shell_ui_test.h"

using namespace corvane;

namespace {

// A window that records the shell commands it handles.
class Receiver : public QWidget {
  public:
    struct Seen {
        int code = -1;
        QString text;
        bool textNull = true;
        QThread* thread = nullptr;
        bool senderStillWaiting = false;
    };
    QList<Seen> seen;
    const std::atomic<bool>* senderReturned = nullptr;

  protected:
    bool event(QEvent* e) override {
        if (e->type() != ShellCommandEvent::kType) return QWidget::event(e);
        auto* cmd = static_cast<ShellCommandEvent*>(e);
        seen.append({cmd->code(), cmd->text(), cmd->text().isNull(), QThread::currentThread(),
                     senderReturned && !senderReturned->load()});
        return true;
    }
};

struct TextCase {
    const char* name;
    QString text;
    bool fromWorker;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class ShellCommandText : public ::testing::TestWithParam<TextCase> {};

// Catches a null text reaching the handler, and a text that does not arrive intact.
TEST_P(ShellCommandText, HandlerGetsTheTextNeverNull) {
    const TextCase& c = GetParam();
    Receiver window;
    if (c.fromWorker) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            SendShellCommand(&window, c.text, 1);
            done = true;
        });
        ASSERT_TRUE(shelltest::WaitFor([&] { return done.load(); }));
        worker.join();
    } else {
        SendShellCommand(&window, c.text, 1);
    }
    ASSERT_EQ(window.seen.size(), 1);
    EXPECT_EQ(window.seen[0].code, 1);
    EXPECT_FALSE(window.seen[0].textNull);
    EXPECT_EQ(window.seen[0].text, c.text.isNull() ? QString("") : c.text);
    EXPECT_EQ(window.seen[0].thread, window.thread()) << "handled on the window's thread";
}

INSTANTIATE_TEST_SUITE_P(Texts, ShellCommandText,
                         ::testing::Values(TextCase{"NullSameThread", QString(), false},
                                           TextCase{"EmptySameThread", QString(""), false},
                                           TextCase{"NullFromWorker", QString(), true},
                                           TextCase{"TextFromWorker",
                                                    QStringLiteral("continue 继续"), true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Catches a send that returns before the window has handled the command (a posted event).
TEST(ShellCommand, WorkerBlocksUntilHandled) {
    Receiver window;
    std::atomic<bool> returned{false};
    window.senderReturned = &returned;
    std::thread worker([&] {
        const QString text = QStringLiteral("close");  // lives only during the call
        SendShellCommand(&window, text, 1);
        returned = true;
    });
    ASSERT_TRUE(shelltest::WaitFor([&] { return returned.load(); }));
    worker.join();
    ASSERT_EQ(window.seen.size(), 1);
    EXPECT_TRUE(window.seen[0].senderStillWaiting);
    EXPECT_EQ(window.seen[0].text, QStringLiteral("close"));
}

// Catches a send to no window that crashes or blocks, from either thread.
TEST(ShellCommand, NoNotificationWindowMeansNoEffect) {
    ASSERT_TRUE(NotificationWindow().isNull()) << "none at start";
    SendShellCommand(NotificationWindow(), QStringLiteral("message"), 0);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        SendShellCommand(NotificationWindow(), QStringLiteral("close"), 1);
        done = true;
    });
    ASSERT_TRUE(shelltest::WaitFor([&] { return done.load(); }));
    worker.join();
}

// Catches a worker's box shown on the worker thread, or a worker not waiting for the answer.
TEST(MessageBoxes, WorkerBoxIsAnsweredOnTheUiThread) {
    QThread* boxThread = nullptr;
    SetMessageBoxResponder([&](const MessageBoxRequest&) {
        boxThread = QThread::currentThread();
        return QMessageBox::Cancel;
    });
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        MessageBoxRequest r;
        r.text = QStringLiteral("update?");
        r.buttons = QMessageBox::Ok | QMessageBox::Cancel;
        answer = ShowMessageBoxFromWorker(r);
        done = true;
    });
    ASSERT_TRUE(shelltest::WaitFor([&] { return done.load(); }));
    worker.join();
    SetMessageBoxResponder(nullptr);
    EXPECT_EQ(answer, QMessageBox::Cancel);
    EXPECT_EQ(boxThread, qApp->thread());
}

// Catches a topmost box that is not kept on top, and a real box whose answer is lost.
TEST(MessageBoxes, RealTopmostBoxStaysOnTopAndReturnsTheButton) {
    bool onTop = false;
    QString caption;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        onTop = box->windowFlags() & Qt::WindowStaysOnTopHint;
        caption = box->windowTitle();
        box->button(QMessageBox::No)->click();
    });
    poll.start(20);
    MessageBoxRequest r;
    r.text = QStringLiteral("继续吗？");
    r.caption = QStringLiteral("系统 提示");
    r.buttons = QMessageBox::Yes | QMessageBox::No;
    r.icon = QMessageBox::Warning;
    r.topmost = true;
    EXPECT_EQ(ShowMessageBox(r), QMessageBox::No);
    EXPECT_TRUE(onTop);
    EXPECT_EQ(caption, QStringLiteral("系统 提示"));
}

}  // namespace

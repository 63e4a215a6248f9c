#include "update/U_ts.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <exception>
#include <system_error>

#include "log/Diagnostic.h"
#include "shell/AppGlob.h"
#include "text/TextUtil.h"
#include "update/UpdateSequence.h"

namespace corvane::update {

namespace {

QFont SongFont(int pixels) {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

QString StepText(int type) {
    switch (type) {
        case kStepCheckVersion:
            return QStringLiteral("正在检测新版本");
        case kStepUpdateDatabase:
            return QStringLiteral("正在更新数据库");
        case kStepInitialise:
            return QStringLiteral("正在初始化环境");
        default:
            return QString();
    }
}

QPointer<TF_ts>& EnvironmentCheckWindow() {
    static QPointer<TF_ts> window;
    return window;
}

TF_ts::TF_ts(const UpdateContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), context_(context) {
    // Never put on screen: the window exists for its worker, its timer and its shell commands.
    setAttribute(Qt::WA_DontShowOnScreen);
    setWindowTitle(QStringLiteral("环境检测"));
    setFont(SongFont(16));
    setFixedSize(309, 88);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    lbl_ts = new QLabel(QStringLiteral("正在检测运行环境"), this);
    lbl_ts->setGeometry(0, 32, 257, 20);
    lbl_ts->setAlignment(Qt::AlignCenter);
    lbl_ts->setFont(SongFont(20));

    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TF_ts::Timer1Timer);
    Timer1->start();
}

TF_ts::~TF_ts() {
    WaitForWorker();
    if (shown_) NotificationWindow() = savedNotification_;
}

void TF_ts::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!shown_) FormShow();
}

void TF_ts::FormShow() {
    shown_ = true;
    savedNotification_ = NotificationWindow();
    NotificationWindow() = this;
    lbl_ts->resize(width(), lbl_ts->height());
    b_do = false;
    i_count = 0;
    i_type = kStepNone;
}

void TF_ts::Timer1Timer() {
    if (!b_do) {
        b_do = true;
        StartWorker();
        return;
    }
    lbl_ts->setText(StepText(i_type) + QString(i_count % 3 + 1, QLatin1Char('.')));
    ShowWait(lbl_ts->text());
    ++i_count;
}

void TF_ts::StartWorker() {
    workerFinished_ = false;
    // The sequence starts with no outcome reported; from here on only ShellCommand sets it.
    b_update_end = false;
    SequenceLink link{i_type, b_update_end, [this] { RequestClose(); }};
    try {
        hThread_server = std::thread([this, link = std::move(link)] {
            RunUpdateSequence(link, context_);
            workerFinished_ = true;
            // Wakes WaitForWorker; the window is alive until the thread has been joined.
            QMetaObject::invokeMethod(
                this, [] {}, Qt::QueuedConnection);
        });
    } catch (const std::system_error& e) {
        // Without a worker nothing would ever close the window: start without the update check.
        ReportDiagnostic(QStringLiteral("error^") + QString::fromLocal8Bit(e.what()));
        TerminateFlag() = false;
        GoOnFlag() = true;
        done(QDialog::Rejected);
    }
}

void TF_ts::WaitForWorker() {
    Timer1->stop();
    if (!hThread_server.joinable()) return;
    while (!workerFinished_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    hThread_server.join();
}

void TF_ts::RequestClose() {
    if (QThread::currentThread() == thread()) {
        done(QDialog::Rejected);
    } else {
        QMetaObject::invokeMethod(this, &TF_ts::RequestClose, Qt::QueuedConnection);
    }
}

bool TF_ts::event(QEvent* e) {
    if (e->type() == ShellCommandEvent::kType) {
        const auto* command = static_cast<ShellCommandEvent*>(e);
        ShellCommand(command->code(), command->text());
        return true;
    }
    return QDialog::event(e);
}

void TF_ts::ShellCommand(int code, const QString& text) {
    switch (code) {
        case shell_code::kShowMessage: {
            MessageBoxRequest box;
            box.owner = this;
            box.text = text;
            box.caption = ProductTitle();
            box.buttons = QMessageBox::Ok;
            ShowMessageBox(box);
            break;
        }
        case shell_code::kUpdateOutcome:
            b_update_end = true;
            if (text::LowerAsciiLetters(text) == QLatin1String("close")) {
                TerminateFlag() = true;
                // The start ends here: RunEnvironmentCheck returns false and the entry ends the
                // program, which is what telling the application to quit amounts to. Only the modal
                // run is ended, so that no later event loop of the process is cut short.
                done(QDialog::Rejected);
            }
            break;
        default:
            break;
    }
}

bool RunEnvironmentCheck(const UpdateContext& context) {
    ShowWait(QStringLiteral("正在读取配置信息..."));
    struct HideWaitOnFailure {
        ~HideWaitOnFailure() {
            if (std::uncaught_exceptions() > 0) ShowWait(QString());
        }
    } hideWaitOnFailure;
    {
        TF_ts window(context);
        EnvironmentCheckWindow() = &window;
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(0xF1, 0xF7, 0xFF));
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        window.exec();
        window.WaitForWorker();
    }
    // A "close" that reached the window after the worker had passed its last check still ends the
    // start: the program was asked to end.
    if (!GoOnFlag() || TerminateFlag()) {
        ShowWait(QString());
        return false;
    }
    ShowWait(QStringLiteral("正在读取企业信息..."));
    ShowWait(QString());
    return true;
}

}  // namespace corvane::update

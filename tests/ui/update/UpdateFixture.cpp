#include "UpdateFixture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QEvent>
#include <QFile>
#include <QThread>

#include "config/IniFile.h"
#include "config/Settings.h"
#include "log/log4me.h"
#include "shell/FormWait.h"
#include "update/CK_update.h"
#include "update/U_ts.h"
#include "update/Uprocess.h"

namespace updatetest {

namespace {

// Records the wait window's text each time it is painted while shown, and "" when it is hidden.
// The window paints at once whenever its text changes, so every text that was on screen is seen.
class WaitTextRecorder : public QObject {
  public:
    explicit WaitTextRecorder(corvane::TFrmWait_show* form) : form_(form) {
        form_->installEventFilter(this);
        for (QWidget* child : form_->findChildren<QWidget*>()) child->installEventFilter(this);
    }
    QStringList Texts() const { return texts_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && form_->isVisible()) Add(form_->Msg());
        if (event->type() == QEvent::Hide && watched == form_) Add(QString());
        return false;
    }

  private:
    void Add(const QString& text) {
        if (texts_.isEmpty() || texts_.last() != text) texts_ << text;
    }
    corvane::TFrmWait_show* form_;
    QStringList texts_;
};

}  // namespace

void UpdateFixture::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    corvane::log4me::Start(dir_.path() + "/corvane");
    settings = corvane::config::DefaultSettings(ProgramFolder());
    settings.UpdateFolder = QStringLiteral("HISUPDATE/");
    ASSERT_TRUE(QDir().mkpath(UpdateFolder()));
    ASSERT_TRUE(QFile::copy(FUPDATE_STAND_IN, UpdateFolder() + "FUpdate"));
    WriteLocalConf(0);

    corvane::update::UpdateCheckSwitch() = true;
    corvane::NotificationWindow() = nullptr;
    corvane::SetMessageBoxResponder([this](const corvane::MessageBoxRequest& box) {
        QMutexLocker locker(&lock_);
        boxes_.push_back(box);
        return boxAnswer;
    });
    seams.checkupdate = [this](const char* settingsPath, const char* params, char* buffer) {
        corvane::update::CheckupdateFunction scripted;
        {
            QMutexLocker locker(&lock_);
            ++checkupdateCalls;
            scripted = scripted_;
        }
        return scripted ? scripted(settingsPath, params, buffer)
                        : Checkupdate(settingsPath, params, buffer);
    };
    seams.runAndWait = [this](const QString& line, uint16_t show) {
        {
            QMutexLocker locker(&lock_);
            runAndWaitCalls << line;
        }
        return corvane::update::RunAndWait(line, show);
    };
    seams.startDetached = [this](const QString& program, const QString& folder, QString* error) {
        {
            QMutexLocker locker(&lock_);
            started.emplace_back(program, folder);
        }
        return corvane::update::StartDetached(program, folder, error);
    };
    // No test waits for time: a pause is recorded and over at once.
    seams.pause = [this](std::chrono::milliseconds duration) {
        std::function<void(int)> hook;
        int count = 0;
        {
            QMutexLocker locker(&lock_);
            pauses_.push_back(duration);
            count = int(pauses_.size());
            hook = onPause_;
        }
        if (hook) hook(count);
    };
}

void UpdateFixture::TearDown() {
    corvane::SetMessageBoxResponder(nullptr);
    corvane::NotificationWindow() = nullptr;
    corvane::log4me::Stop();
}

QString UpdateFixture::ProgramFolder() const { return dir_.path() + "/"; }
QString UpdateFixture::UpdateFolder() const { return ProgramFolder() + "HISUPDATE/"; }

void UpdateFixture::WriteLocalConf(int result, const QString& description, int delayMs) {
    const QString ini = UpdateFolder() + "LocalConf.ini";
    QFile::remove(ini);
    ASSERT_TRUE(corvane::config::WriteIniString(ini, "update", "result", QString::number(result)));
    ASSERT_TRUE(corvane::config::WriteIniString(ini, "update", "description", description));
    ASSERT_TRUE(
        corvane::config::WriteIniString(ini, "update", "delay_ms", QString::number(delayMs)));
}

void UpdateFixture::InstallExeUpdate(int delayMs) {
    ASSERT_TRUE(QFile::copy(EXEUPDATE_STAND_IN, ProgramFolder() + "ExeUpdate"));
    WriteFile(ProgramFolder() + "ExeUpdate.delay", QByteArray::number(delayMs));
}

void UpdateFixture::WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
}

QByteArray UpdateFixture::ReadFile(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void UpdateFixture::ScriptCheckupdate(corvane::update::CheckupdateFunction fn) {
    QMutexLocker locker(&lock_);
    scripted_ = std::move(fn);
}

void UpdateFixture::OnPause(std::function<void(int pauses)> fn) {
    QMutexLocker locker(&lock_);
    onPause_ = std::move(fn);
}

bool UpdateFixture::RunCheck() {
    corvane::ShowWait(QString());  // the wait window exists before the check, as at start-up
    WaitTextRecorder recorder(corvane::WaitForm());
    const bool goOn = corvane::update::RunEnvironmentCheck({settings, seams});
    waitTexts = recorder.Texts();
    return goOn;
}

std::vector<corvane::MessageBoxRequest> UpdateFixture::Boxes() const {
    QMutexLocker locker(&lock_);
    return boxes_;
}

std::vector<std::chrono::milliseconds> UpdateFixture::Pauses() const {
    QMutexLocker locker(&lock_);
    return pauses_;
}

QByteArray UpdateFixture::LogText() const {
    QByteArray text;
    QDirIterator it(ProgramFolder(), {"*.log"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) text += ReadFile(it.next());
    return text;
}

QStringList UpdateFixture::LauncherLogLines(int waitMs) const {
    const QString path = UpdateFolder() + "fupdate.log";
    QDeadlineTimer deadline(waitMs);
    while (!ReadFile(path).endsWith('\n') && !deadline.hasExpired()) QThread::msleep(20);
    return QString::fromUtf8(ReadFile(path)).split('\n', Qt::SkipEmptyParts);
}

}  // namespace updatetest

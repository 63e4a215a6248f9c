#include "shell/FormWait.h"

#include <QApplication>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <exception>

#include "log/Check.h"
#include "shell/AppGlob.h"
#include "shell/Application.h"
#include "shell/SearchAnimation.h"

namespace corvane {

namespace {

QPointer<TFrmWait_show>& Instance() {
    static QPointer<TFrmWait_show> form;
    return form;
}

}  // namespace

TFrmWait_show::TFrmWait_show(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TFrmWait_show"));
    setWindowTitle(QStringLiteral("WaitForm"));
    setFixedSize(406, 48);
    // A status strip: showing it must not take the keyboard focus from the user's window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(240, 202, 166));
    setPalette(pal);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(0, 0, 406, 48);

    Animate1 = new SearchAnimation(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->move(16, 7);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(56, 13, 344, 21);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(19);
    Label1->setFont(font);
    QPalette labelPal = Label1->palette();
    labelPal.setColor(QPalette::WindowText, Qt::blue);
    Label1->setPalette(labelPal);
}

QString TFrmWait_show::Msg() const { return Label1->text(); }

void TFrmWait_show::SetMsg(const QString& text) {
    Label1->setText(text);
    if (text.isEmpty()) {
        Animate1->Stop();
        hide();
        return;
    }
    if (!isVisible()) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->geometry().center() - rect().center());
        show();
    }
    if (!Animate1->IsRunning()) {
        Animate1->Start();
        ++animationStarts_;
    }
    // The caller often keeps the UI thread busy right after this: paint the text now.
    repaint();
}

bool TFrmWait_show::IsAnimating() const { return Animate1->IsRunning(); }

int TFrmWait_show::AnimationStarts() const { return animationStarts_; }

TFrmWait_show* WaitForm() { return Instance(); }

void DestroyWaitForm() { delete Instance().data(); }

void ShowWait(const QString& text) {
    CORVANE_CHECK(!qApp || qApp->thread() == QThread::currentThread());
    try {
        if (!Instance()) {
            Application();
            Instance() = new TFrmWait_show();
        }
        Instance()->SetMsg(text);
    } catch (const std::exception& e) {
        MessageBoxRequest request;
        request.text = QString::fromUtf8(e.what());
        request.caption = QStringLiteral("系统提示");
        ShowMessageBox(request);
    }
}

}  // namespace corvane

#include "browser/Uchrome.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFont>
#include <QPalette>
#include <QVBoxLayout>
#include <exception>

#include "browser/ChromeClient.h"
#include "browser/HostGuard.h"
#include "browser/Printing.h"
#include "config/Settings.h"
#include "log/Diagnostic.h"
#include "text/TextUtil.h"

namespace corvane::browser {

namespace {

// The navigation log keeps the latest lines only: the window may run for days and a page can send
// addresses of megabytes.
constexpr int kNavigationLogLines = 1000;

bool IsAboutBlank(const QString& url) {
    return url.compare(QLatin1String("about:blank"), Qt::CaseInsensitive) == 0;
}

QString ErrorText(const std::exception& e) { return QString::fromUtf8(e.what()); }

}  // namespace

TFrmChrome::TFrmChrome(const config::AppSettings& settings, QWidget* parent)
    : QMainWindow(parent), settings_(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString());
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    BuildLayout();

    setGeometry(630, 225, 634, 384);  // the restored geometry
    Timer1->start();

    // The view creates its browser as soon as it exists, then loads DefaultUrl.
    Chromium1->CreateBrowser(new ChromeClient(this));

    // Maximised only now: Qt 6.4 re-creates a top-level window once a child that renders through
    // OpenGL (the engine's view) joins it, and the new window forgets a state set before.
    setWindowState(settings_.Kiosk.FullScreen ? Qt::WindowFullScreen : Qt::WindowMaximized);
    fullScreen_ = settings_.Kiosk.FullScreen;
}

TFrmChrome::~TFrmChrome() {
    // Here, while the window is still whole, so that events raised by closing the developer
    // tools and the browser reach a complete window (and none after the client is disconnected).
    devTools_->CloseIfShown();
    Chromium1->CloseBrowser();
}

void TFrmChrome::BuildLayout() {
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setFixedHeight(89);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setMaximumBlockCount(kNavigationLogLines);
    Memo1->setFocusPolicy(Qt::NoFocus);
    column->addWidget(Memo1);

    clientSplit_ = new QSplitter(Qt::Vertical, central);
    clientSplit_->setHandleWidth(3);
    clientSplit_->setChildrenCollapsible(false);
    Chromium1 = new ChromiumView(clientSplit_);
    Chromium1->setObjectName(QStringLiteral("Chromium1"));
    Chromium1->SetDefaultUrl(config::DefaultTaxUrl());
    DevTools = new DevToolsPanel(clientSplit_);
    DevTools->setObjectName(QStringLiteral("DevTools"));
    clientSplit_->addWidget(Chromium1);
    clientSplit_->addWidget(DevTools);
    clientSplit_->setStretchFactor(0, 1);
    clientSplit_->setStretchFactor(1, 0);
    DevTools->hide();
    QWidget* handle = clientSplit_->handle(1);
    handle->setObjectName(QStringLiteral("Splitter"));
    handle->hide();
    WindowInterface& self = *this;
    devTools_ = std::make_unique<DevToolsDock>(self, *clientSplit_, *DevTools);
    column->addWidget(clientSplit_, 1);
    setCentralWidget(central);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setFixedHeight(19);
    statusText_ = new QLabel(StatusBar);
    // Long addresses must not widen the window.
    statusText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatusBar->addWidget(statusText_, 1);
    setStatusBar(StatusBar);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    N1 = new QAction(QStringLiteral("调试"), this);
    N1->setObjectName(QStringLiteral("N1"));
    N1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F12));
    MainMenu1->addAction(N1);
    setMenuBar(MainMenu1);
    MainMenu1->hide();
    // A hidden menu bar's actions fire no shortcuts; as an action of the window itself the
    // shortcut works wherever the focus is, the page included.
    addAction(N1);
    connect(N1, &QAction::triggered, this, &TFrmChrome::actDevToolExecute);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TFrmChrome::Timer1Timer);

    Chromium1->setFocus();
}

QString TFrmChrome::StatusText() const { return statusText_->text(); }

void TFrmChrome::SetStatusText(const QString& text) {
    statusText_->setText(text);
    // The status bar is the only place downloads and addresses are shown; trace it for support.
    ReportDiagnostic(QStringLiteral("debug^StatusBar:") + text);
}

void TFrmChrome::Timer1Timer() { Chromium1->setFocus(Qt::OtherFocusReason); }

// ---- showing

void TFrmChrome::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Once: later show events (restoring, full screen) are not the window being shown.
    if (shown_) return;
    shown_ = true;
    FormShow();
}

void TFrmChrome::FormShow() {
    try {
        Memo1->hide();
        Timer1->stop();
        StartPublicTerminal();
        ownsPageDialogs_ = true;
        if (windowTitle().isEmpty()) titleFollowsPage_ = true;
        if (CefBrowser* browser = Chromium1->Browser()) {
            ReportDiagnostic(settings_.TaxUrl);
            browser->GetMainFrame()->LoadURL(settings_.TaxUrl);
        }
    } catch (const std::exception& e) {
        const QString message = ErrorText(e);
        ReportDiagnostic(QStringLiteral("error^") + message);
        const QString text = QStringLiteral("页面打开出错，请联系客服热线") + Hotline() +
                             QStringLiteral("！\r\n") + message;
        // The user must see why the program ends: the notification window does not exist while
        // this window lives.
        AppMessageBox(this, text);
        SendShellCommand(NotificationWindow(), text, shell_code::kShowMessage);
        SendShellCommand(this, QString(), shell_code::kClose);
    }
}

// ---- shell commands

bool TFrmChrome::event(QEvent* event) {
    if (event->type() == ShellCommandEvent::kType) {
        const auto* command = static_cast<ShellCommandEvent*>(event);
        WMShellCommand(command->code(), command->text());
        return true;
    }
    return QMainWindow::event(event);
}

void TFrmChrome::WMShellCommand(int code, const QString& sentText) {
    const QString text = sentText;  // the sender's text is valid during the call only
    switch (code) {
        case shell_code::kShowMessage:
            ShowShellMessage(text);
            break;
        case shell_code::kClose:
            // Posted: the closing path runs after the event that asked for it.
            PostClose();
            break;
        case shell_code::kPageCommand:
            PageCommandStep(text);
            break;
        case shell_code::kReserved:
            break;
        case shell_code::kRunScript:
            RunScriptInMainFrame(text);
            break;
        default:
            break;
    }
}

void TFrmChrome::PageCommandStep(const QString& address) {
    if (text::TrimControl(address).isEmpty()) return;
    AppendToNavigationLog(address);
    const QString result = HandlePageCommand(address, pageCommands_);
    if (!text::TrimControl(result).isEmpty()) AppendToNavigationLog(result);
}

void TFrmChrome::AppendToNavigationLog(const QString& line) {
    if (line.size() <= kMaxLoggedChars) {
        Memo1->appendPlainText(line);
    } else {
        Memo1->appendPlainText(line.left(kMaxLoggedChars) + QChar(0x2026));
    }
}

void TFrmChrome::ShowShellMessage(const QString& text) {
    MessageBoxRequest box;
    box.owner = this;
    box.text = text;
    box.caption = ProductTitle();
    ShowMessageBox(box);
}

void TFrmChrome::RunScriptInMainFrame(const QString& script) {
    try {
        OwnBrowser().GetMainFrame()->ExecuteJavaScript(script, QStringLiteral("about:blank"), 0);
    } catch (const std::exception& e) {
        AppMessageBox(this, QStringLiteral("error:") + QString::fromUtf8(e.what()));
    }
}

// ---- the window's own browser

bool TFrmChrome::IsOwnMainFrame(CefBrowser* browser, CefFrame* frame) const {
    return browser && Chromium1->BrowserId() >= 0 &&
           browser->GetIdentifier() == Chromium1->BrowserId() && (!frame || frame->IsMain());
}

QString TFrmChrome::StartAddress() const {
    return shown_ ? settings_.TaxUrl : Chromium1->DefaultUrl();
}

void TFrmChrome::PostClose() {
    QTimer::singleShot(0, this, [this] { close(); });
}

void TFrmChrome::CloseIfBlank() {
    try {
        if (IsAboutBlank(OwnBrowser().GetMainFrame()->GetURL())) {
            SendShellCommand(this, QString(), shell_code::kClose);
        }
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + ErrorText(e));
    }
}

// ---- engine events

void TFrmChrome::Chromium1BeforeClose(CefBrowser* browser) { Chromium1->BrowserClosed(browser); }

void TFrmChrome::Chromium1LoadEnd(CefBrowser* browser, CefFrame* frame, int httpStatusCode) {
    if (!IsOwnMainFrame(browser, frame)) return;
    SetStatusText(browser->GetMainFrame()->GetURL());
    RetryAfterLoadEnd(httpStatusCode);
}

void TFrmChrome::Chromium1TitleChange(CefBrowser* browser, const QString& title) {
    if (titleFollowsPage_ && IsOwnMainFrame(browser, nullptr) && !IsAboutBlank(title)) {
        setWindowTitle(title);
    }
}

bool TFrmChrome::Chromium1BeforeBrowse(CefBrowser* browser, CefFrame* frame, CefRequest* request,
                                       bool /*is_redirect*/) {
    if (RefusedByHostList(browser, frame, request->GetURL())) return true;
    // Synchronous: the page command has run before the engine goes on with the navigation,
    // which is never cancelled (unless public terminal mode refused it above).
    SendShellCommand(this, request->GetURL(), shell_code::kPageCommand);
    return false;
}

bool TFrmChrome::Chromium1CertificateError(CefBrowser* /*browser*/, int /*cert_error*/,
                                           const QString& request_url) {
    // Reached only with an allowed-hosts list (otherwise the engine accepts every certificate).
    return AcceptCertificateError(settings_.Kiosk.Hosts, request_url);
}

void TFrmChrome::Chromium1RenderProcessTerminated(CefBrowser* browser,
                                                  cef_termination_status_t status, int exit_code) {
    renderCrash_.Terminated(browser, status, exit_code);
}

bool TFrmChrome::Chromium1Jsdialog(CefBrowser* /*browser*/, const QString& /*origin_url*/,
                                   const QString& /*accept_lang*/, cef_jsdialog_type_t dialog_type,
                                   const QString& message_text,
                                   const QString& /*default_prompt_text*/,
                                   CefJSDialogCallback* callback, bool& suppress_message) {
    return pageDialogs_.Show(dialog_type, message_text, *callback, suppress_message);
}

void TFrmChrome::Chromium1BeforeDownload(CefBrowser* /*browser*/, CefDownloadItem* item,
                                         const QString& suggested_name,
                                         CefBeforeDownloadCallback* callback) {
    downloads_.BeforeDownload(*item, suggested_name, *callback);
}

void TFrmChrome::Chromium1DownloadUpdated(CefBrowser* browser, CefDownloadItem* item,
                                          CefDownloadItemCallback* /*callback*/) {
    downloads_.Updated(browser, *item);
}

bool TFrmChrome::Chromium1PrintRequested(CefBrowser* browser) {
    if (browser) PrintBrowser(*browser);
    return true;
}

void TFrmChrome::Chromium1BeforeContextMenu(CefBrowser* /*browser*/, CefFrame* /*frame*/) {
    // The engine's default menu, unchanged.
}

bool TFrmChrome::Chromium1ContextMenuCommand(CefBrowser* /*browser*/, CefFrame* /*frame*/,
                                             int /*command_id*/) {
    return false;  // the engine carries out its default action
}

// ---- closing

void TFrmChrome::closeEvent(QCloseEvent* event) {
    // In single-process mode the renderer lives in this process: leave the page before the
    // browser closes, so its scripts stop first.
    if (settings_.SingleProcess) {
        try {
            OwnBrowser().GetMainFrame()->LoadURL(QStringLiteral("about:blank"));
        } catch (const std::exception& e) {
            ReportDiagnostic(QStringLiteral("error^") + ErrorText(e));
        }
    }
    event->accept();
    QMainWindow::closeEvent(event);
    // Freed after the current event (Qt::WA_DeleteOnClose); the entry ends the message loop when
    // the main window is gone. While an engine event handler runs, only when it has returned.
    if (handlerDepth_ > 0 && testAttribute(Qt::WA_DeleteOnClose)) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        freeAfterHandlers_ = true;
    }
}

TFrmChrome::HandlerScope::HandlerScope(TFrmChrome& window) : window_(&window) {
    ++window.handlerDepth_;
}

TFrmChrome::HandlerScope::~HandlerScope() {
    if (!window_) return;
    if (--window_->handlerDepth_ == 0 && window_->freeAfterHandlers_) {
        window_->freeAfterHandlers_ = false;
        window_->deleteLater();
    }
}

}  // namespace corvane::browser

#include "probe.h"

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include "probe_output.h"

Probe::Probe(EngineLibrary& engine, const ProbeOptions& options, ProbeAnswers& answers)
    : engine_(engine),
      answers_(answers),
      client_(new ProbeClient(QString(), answers_)),
      devtools_client_(new ProbeClient(QStringLiteral("devtools-"), answers_)) {
    window_ = new QWidget;
    window_->setWindowTitle(QStringLiteral("engine probe"));
    window_->setObjectName(QStringLiteral("probe-window"));
    window_->resize(1000, 720);
    devtools_panel_ = new QWidget(window_);
    devtools_panel_->setObjectName(QStringLiteral("devtools-panel"));
    devtools_panel_->setGeometry(0, 500, 1000, 220);
    window_->show();

    CefWindowInfo info;
    info.parent = window_;
    info.rect = QRect(0, 0, 1000, 500);
    CefBrowserSettings settings;
    CefBrowser* browser = engine_.cef_browser_host_create_browser_sync(
        &info, client_.get(), &options.start_url, &settings);
    client_->Adopt(browser);
    browser_id_ = browser->GetIdentifier();

    pump_ = new QTimer(this);
    connect(pump_, &QTimer::timeout, this, &Probe::Pump);
    pump_->start(10);
    dialog_watch_ = new QTimer(this);
    connect(dialog_watch_, &QTimer::timeout, this, &Probe::WatchModalDialogs);
    dialog_watch_->start(50);
    stdin_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(stdin_, &QSocketNotifier::activated, this, &Probe::ReadCommands);
    Emit(QStringLiteral("ready %1 pid=%2").arg(browser_id_).arg(getpid()));
}

Probe::~Probe() { delete window_; }

void Probe::Pump() {
    // As the shell's pump: never re-entered from a dialog's loop inside a handler.
    if (pumping_) return;
    pumping_ = true;
    engine_.cef_do_message_loop_work();
    pumping_ = false;
}

void Probe::ReadCommands() {
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n <= 0) {
        stdin_->setEnabled(false);
        Run(QStringLiteral("quit"), QString());
        return;
    }
    stdin_buffer_.append(chunk, n);
    qsizetype end;
    while ((end = stdin_buffer_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(stdin_buffer_.left(end)).trimmed();
        stdin_buffer_.remove(0, end + 1);
        if (line.isEmpty()) continue;
        const qsizetype space = line.indexOf(u' ');
        Run(space < 0 ? line : line.left(space), space < 0 ? QString() : line.mid(space + 1));
    }
}

CefBrowser* Probe::BrowserById(const QString& id) const {
    if (id.isEmpty()) return client_->Find(browser_id_);
    CefBrowser* browser = client_->Find(id.toInt());
    return browser ? browser : devtools_client_->Find(id.toInt());
}

void Probe::Run(const QString& command, const QString& argument) {
    Emit(QStringLiteral("command %1").arg(command));
    const QStringList words = argument.split(u' ', Qt::SkipEmptyParts);
    CefBrowser* own = BrowserById(QString());
    static const QStringList kNeedBrowser = {
        QStringLiteral("load"),        QStringLiteral("script"),   QStringLiteral("js"),
        QStringLiteral("print"),       QStringLiteral("devtools"), QStringLiteral("close-devtools"),
        QStringLiteral("right-click"), QStringLiteral("stop")};
    if (!own && kNeedBrowser.contains(command)) {
        Emit(QStringLiteral("no-browser"));
        return;
    }
    if (command == u"load") {
        own->GetMainFrame()->LoadURL(argument);
    } else if (command == u"js") {
        own->GetMainFrame()->ExecuteJavaScript(argument, QStringLiteral("about:blank"), 0);
    } else if (command == u"dialogs") {  // handle|suppress|default [0|1] [input...]
        answers_.dialog_mode = words.value(0);
        answers_.dialog_success = words.value(1) != u"0";
        answers_.dialog_input = words.mid(2).join(u' ');
    } else if (command == u"cancel-navigation") {
        answers_.cancel_navigation_containing = argument;
    } else if (command == u"certificates") {
        answers_.accept_certificates = argument == u"accept";
    } else if (command == u"download-to") {  // FOLDER [dialog] | none
        answers_.download_folder = words.value(0) == u"none" ? QString() : words.value(0);
        answers_.download_dialog = words.value(1) == u"dialog";
    } else if (command == u"throw-in-handlers") {
        answers_.throw_in_handlers = argument == u"on";
    } else if (command == u"cancel-download") {
        answers_.cancel_downloads = true;
    } else if (command == u"save-as") {
        save_as_ = argument;
    } else if (command == u"print-to") {
        print_to_ = argument;
    } else if (command == u"print") {
        Emit(QStringLiteral("print accepted=%1").arg(own->GetHost()->Print() ? 1 : 0));
    } else if (command == u"devtools") {
        CefWindowInfo info;
        info.parent = devtools_panel_;
        info.rect = devtools_panel_->rect();
        info.window_name = QStringLiteral("DevTools");
        own->GetHost()->ShowDevTools(info, devtools_client_.get(), CefBrowserSettings(), nullptr);
        // The engine's windows in the panel, as the shell's panel holds them.
        QStringList windows;
        for (QWidget* child :
             devtools_panel_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QRect r = child->geometry();
            windows << QStringLiteral("%1,%2,%3x%4%5")
                           .arg(r.x())
                           .arg(r.y())
                           .arg(r.width())
                           .arg(r.height())
                           .arg(child->isVisible() ? QString() : QStringLiteral(",hidden"));
        }
        Emit(QStringLiteral("devtools-panel %1").arg(windows.join(u' ')));
    } else if (command == u"close-devtools") {
        // As the shell does: the tools' window leaves the panel first, then the engine closes
        // the tools.
        if (auto* tools =
                devtools_panel_->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            tools->setParent(nullptr);
        own->GetHost()->CloseDevTools();
    } else if (command == u"right-click") {
        RightClick(argument);
    } else if (command == u"menu-pick") {
        PickMenuEntry(argument);
    } else if (command == u"menu-commands") {
        answers_.handle_menu_commands = argument == u"handle";
    } else if (command == u"stop") {
        own->StopLoad();
    } else if (command == u"script") {  // load-end STATUS | title TEXT: the page's side of a load
        Script(words.value(0), argument.section(u' ', 1));
    } else if (command == u"state") {  // [id]
        CefBrowser* browser = BrowserById(argument);
        if (!browser) {
            Emit(QStringLiteral("state none"));
            return;
        }
        QWidget* window = browser->GetHost()->GetWindowHandle();
        const QString where = !window              ? QStringLiteral("none")
                              : window->isWindow() ? QStringLiteral("top-level")
                                                   : QStringLiteral("child-of-") +
                                                         window->parentWidget()->objectName();
        Emit(QStringLiteral("state %1 popup=%2 has-document=%3 window=%4 url=%5")
                 .arg(browser->GetIdentifier())
                 .arg(browser->IsPopup() ? 1 : 0)
                 .arg(browser->HasDocument() ? 1 : 0)
                 .arg(where, browser->GetMainFrame()->GetURL()));
    } else if (command == u"close") {  // [id] [force]
        const bool force = words.contains(QStringLiteral("force"));
        const QString id = words.value(0) == u"force" ? QString() : words.value(0);
        if (CefBrowser* browser = BrowserById(id)) browser->GetHost()->CloseBrowser(force);
    } else if (command == u"quit") {  // as the shell ends: the loop, the windows, the engine
        QCoreApplication::quit();
    } else {
        Emit(QStringLiteral("unknown-command %1").arg(command));
    }
}

void Probe::Script(const QString& what, const QString& value) {
    // The scripted engine cannot load pages; with it, the test plays the page that the engine on
    // Qt WebEngine gets from the server.
    int done = -1;
    if (what == u"load-end" && engine_.scripted_load_end)
        done = engine_.scripted_load_end(browser_id_, value.toInt());
    else if (what == u"title" && engine_.scripted_title_change)
        done = engine_.scripted_title_change(browser_id_, &value);
    Emit(done < 0    ? QStringLiteral("script unavailable")
         : done == 0 ? QStringLiteral("script no-browser")
                     : QStringLiteral("script queued"));
}

void Probe::RightClick(const QString& argument) {
    // A real right button press and release on the page's render widget, so Chromium itself
    // decides on the context menu.
    CefBrowser* browser = BrowserById(QString());
    QWidget* view = browser ? browser->GetHost()->GetWindowHandle() : nullptr;
    QWidget* target = view && view->focusProxy() ? view->focusProxy() : view;
    if (!target) return;
    const QStringList xy = argument.split(u' ');
    const QPointF local(xy.value(0).toInt(), xy.value(1).toInt());
    const QPointF global = target->mapToGlobal(local);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, local, global, Qt::RightButton,
                          type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

void Probe::PickMenuEntry(const QString& text) {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) {
        Emit(QStringLiteral("menu none"));
        return;
    }
    QStringList entries;
    QAction* chosen = nullptr;
    for (QAction* action : menu->actions()) {
        const QString label = action->text().remove(u'&');
        if (!action->isSeparator()) entries << label;
        if (label == text) chosen = action;
    }
    Emit(QStringLiteral("menu %1").arg(entries.join(u'|')));
    menu->close();
    if (chosen) chosen->trigger();
}

void Probe::WatchModalDialogs() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    const QString kind = QString::fromLatin1(modal->metaObject()->className());
    if (auto* save = qobject_cast<QFileDialog*>(modal)) {
        if (save_as_.isEmpty()) return;
        Emit(QStringLiteral("save-as-dialog folder=%1 name=%2")
                 .arg(save->directory().absolutePath(), save->selectedFiles().value(0)));
        if (save_as_ == u"cancel") {
            save->reject();
        } else {
            save->selectFile(save_as_);
            // selectFile leaves the name field alone while it has the focus (it usually has, once
            // the dialog is active), so the name is typed into the field as a user would.
            if (auto* name = save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(QFileInfo(save_as_).fileName());
            static_cast<QDialog*>(save)->accept();  // QFileDialog::accept is protected
        }
        save_as_.clear();
    } else if (kind == u"QPrintDialog") {
        if (print_to_.isEmpty()) return;
        Emit(QStringLiteral("print-dialog"));
        auto* dialog = static_cast<QDialog*>(modal);
        // Without CUPS the dialog offers one printer, "Print to File (PDF)", with this field.
        auto* file = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
        if (print_to_ == u"cancel" || !file) {
            dialog->reject();
        } else {
            file->setText(print_to_);
            dialog->accept();
        }
        print_to_.clear();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        Emit(QStringLiteral("engine-dialog message-box %1").arg(OneLine(box->text())));
        box->accept();
    } else if (auto* input = qobject_cast<QInputDialog*>(modal)) {
        Emit(QStringLiteral("engine-dialog input %1").arg(OneLine(input->labelText())));
        input->setTextValue(engine_prompt_);
        input->accept();
    }
}

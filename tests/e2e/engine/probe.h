// The probe's host window around the engine: creates the browser, pumps the engine every 10 ms,
// reads commands from stdin (one per line) and drives the dialogs that commands have prepared.
// UI thread only.
#pragma once

#include <QObject>
#include <QString>

#include "cef_engine.h"
#include "engine_library.h"
#include "probe_client.h"

// The probe is a program of its own around the engine: it names the interface as it stands.
using namespace corvane::engine_interface;

class QSocketNotifier;
class QTimer;
class QWidget;

struct ProbeOptions {
    QString cache_path;
    QString start_url;
    bool single_process = false;
    bool strict_certificates = false;  // certificate errors go to the client
};

class Probe final : public QObject {
    Q_OBJECT
  public:
    // answers outlive the probe: the engine's last events (at shutdown) still reach its clients.
    Probe(EngineLibrary& engine, const ProbeOptions& options, ProbeAnswers& answers);
    ~Probe() override;

  private:
    void ReadCommands();
    void Run(const QString& command, const QString& argument);
    void Pump();
    void WatchModalDialogs();
    void Script(const QString& what, const QString& value);
    void RightClick(const QString& argument);
    void PickMenuEntry(const QString& text);
    CefBrowser* BrowserById(const QString& id) const;  // empty: the probe's own browser

    EngineLibrary& engine_;
    ProbeAnswers& answers_;
    CefRefPtr<ProbeClient> client_;
    CefRefPtr<ProbeClient> devtools_client_;
    QWidget* window_ = nullptr;
    QWidget* devtools_panel_ = nullptr;
    int browser_id_ = 0;  // the probe's own browser, valid until its OnBeforeClose
    QTimer* pump_ = nullptr;
    QTimer* dialog_watch_ = nullptr;
    QSocketNotifier* stdin_ = nullptr;
    QByteArray stdin_buffer_;
    bool pumping_ = false;
    QString save_as_;   // for the Save As dialog: a path, or "cancel"
    QString print_to_;  // for the print dialog: a PDF path, or "cancel"
    QString engine_prompt_ = QStringLiteral("typed by the user");
};

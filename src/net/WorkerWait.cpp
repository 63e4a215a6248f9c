#include "WorkerWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "log/Diagnostic.h"

namespace corvane::net {
namespace {
// Upper bound of one sleep in the dispatcher; the worker's wake-up normally ends it first.
constexpr int kHeartbeatMs = 50;
}  // namespace

void RunOnWorkerProcessingEvents(const std::function<void()>& body) {
    QAbstractEventDispatcher* const dispatcher =
        QCoreApplication::instance() ? QAbstractEventDispatcher::instance(QThread::currentThread())
                                     : nullptr;
    std::atomic<bool> finished{false};
    // Set up before the thread starts: nothing below may throw while the worker runs.
    std::unique_ptr<QTimer> heartbeat;
    if (dispatcher) {
        heartbeat = std::make_unique<QTimer>();
        heartbeat->start(kHeartbeatMs);
    }
    // Declared last, so it is joined before anything the worker uses goes away.
    std::jthread worker([&] {
        body();
        finished.store(true, std::memory_order_release);
        if (dispatcher) dispatcher->wakeUp();
    });
    if (!dispatcher) return;
    while (!finished.load(std::memory_order_acquire)) {
        try {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        } catch (const std::exception& e) {
            // An event handler's exception must not end the wait while the worker still uses
            // the caller's stack; it has nowhere better to go from here.
            ReportDiagnostic(QStringLiteral("error^") + QString::fromUtf8(e.what()));
        } catch (...) {
            ReportDiagnostic(QStringLiteral("error^Unknown failure in an event handler"));
        }
    }
}

}  // namespace corvane::net

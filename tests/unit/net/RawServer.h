// A scripted HTTP server on 127.0.0.1 for the exchange tests: it records the exact bytes of each
// request and answers with scripted bytes, pauses, resets or silence. It stands in for the portal's
// server.
//
// Connections are served one after another, in the order they arrive; connection i runs script i
// (the last script again for any further connection). A script starts once the whole request
// (head and Content-Length body) has arrived. The server stops by itself when destroyed, also in
// the middle of a pause or a silence.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "LoopbackServer.h"

namespace corvane::net::testing {

struct Step {
    enum Kind { kSend, kPause, kWaitRelease, kReset, kHold } kind;
    QByteArray bytes;
    int ms = 0;
};
using Script = std::vector<Step>;

inline Step Send(const QByteArray& bytes) { return {Step::kSend, bytes, 0}; }
inline Step Pause(int ms) { return {Step::kPause, {}, ms}; }
// Waits until the test calls Release().
inline Step WaitRelease() { return {Step::kWaitRelease, {}, 0}; }
// Ends the connection with a TCP reset instead of a close.
inline Step Reset() { return {Step::kReset, {}, 0}; }
// Keeps the connection open without a word until the server is destroyed.
inline Step Hold() { return {Step::kHold, {}, 0}; }

class RawServer {
  public:
    explicit RawServer(std::vector<Script> scripts);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    quint16 port() const { return server_.port(); }
    // "http://127.0.0.1:<port>" + path
    QString url(const QString& path) const { return server_.url(path); }

    // The bytes of each request received so far, in order.
    std::vector<QByteArray> requests() const;
    // Lets every WaitRelease step (now or later) go on.
    void Release();

  private:
    void Serve(testsupport::Connection& connection);

    std::vector<Script> scripts_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool released_ = false;
    bool stopping_ = false;
    std::vector<QByteArray> requests_;
    testsupport::LoopbackServer server_;  // last: its thread ends before the rest goes
};

// A local port where nothing listens (bound, not listening) for as long as the object lives.
class ClosedPort {
  public:
    ClosedPort();
    ~ClosedPort();
    quint16 port() const { return port_; }

  private:
    int fd_ = -1;
    quint16 port_ = 0;
};

}  // namespace corvane::net::testing

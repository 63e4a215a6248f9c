// A test server on 127.0.0.1 that runs a behaviour for each connection once its request has
// arrived: answers, silence, slow drips, cut connections, resets, endless sends. It stands in for
// the portal's server, well-behaved or hostile.
//
// The server picks its own port, serves connections one after another on a thread of its own and
// stops by itself when destroyed, also in the middle of a pause or an endless send.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

namespace corvane::testsupport {

// One accepted connection, handed to the behaviour once the whole request (head and
// Content-Length body) has arrived, or what came of it before the client stopped sending.
// Used by the server's thread only.
class Connection {
  public:
    Connection(int fd, int stopFd, int index, QByteArray request)
        : fd_(fd), stopFd_(stopFd), index_(index), request_(std::move(request)) {}

    int index() const { return index_; }  // 0 for the first connection
    const QByteArray& request() const { return request_; }

    // Sends every byte; false when the peer has gone or the server is stopping.
    bool Send(const QByteArray& bytes);
    // Waits; false when the server is stopping.
    bool Pause(int ms);
    // Waits until the server stops (a server that never answers).
    void Hold() { Pause(-1); }
    // Ends the connection with a TCP reset instead of an orderly close.
    void Reset();

  private:
    int fd_;
    int stopFd_;
    int index_;
    QByteArray request_;
};

// A socket bound to a free port on 127.0.0.1, listening or not; throws when it cannot.
int BindLoopback(quint16* port, bool listening);

class LoopbackServer {
  public:
    using Behaviour = std::function<void(Connection&)>;

    explicit LoopbackServer(Behaviour behaviour);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    quint16 port() const { return port_; }
    // "http://127.0.0.1:<port>" + path
    QString url(const QString& path) const;
    // Connections whose request arrived so far.
    int requests() const { return requests_.load(); }

  private:
    void Run();
    bool ReadRequest(int fd, QByteArray& request);

    Behaviour behaviour_;
    int listenFd_ = -1;
    int stopFd_ = -1;  // eventfd, readable once the server stops
    quint16 port_ = 0;
    std::atomic<int> requests_{0};
    std::thread thread_;
};

}  // namespace corvane::testsupport

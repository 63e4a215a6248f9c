#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QList>
#include <cerrno>
#include <stdexcept>

#include "LoopbackServer.h"

namespace corvane::testsupport {
namespace {

// Waits until fd is ready for events or the server stops (stopFd readable). timeoutMs -1: no
// limit. Returns 1 ready, 0 time-out, -1 stopping.
int WaitFor(int fd, short events, int stopFd, int timeoutMs) {
    pollfd p[2] = {{stopFd, POLLIN, 0}, {fd, events, 0}};
    const nfds_t n = fd >= 0 ? 2 : 1;
    for (;;) {
        const int r = poll(p, n, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return 0;
        if (p[0].revents) return -1;
        return 1;
    }
}

qsizetype ContentLength(const QByteArray& head) {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            return line.mid(colon + 1).trimmed().toLongLong();
    }
    return 0;
}

}  // namespace

bool Connection::Send(const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        if (WaitFor(fd_, POLLOUT, stopFd_, -1) < 0) return false;
        const ssize_t n = send(fd_, bytes.constData() + sent, size_t(bytes.size() - sent),
                               MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

bool Connection::Pause(int ms) { return WaitFor(-1, 0, stopFd_, ms) == 0; }

void Connection::Reset() {
    linger l{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    shutdown(fd_, SHUT_RD);
}

int BindLoopback(quint16* port, bool listening) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        (listening && listen(fd, 16) != 0) ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        if (fd >= 0) close(fd);
        throw std::runtime_error("cannot bind a socket on 127.0.0.1");
    }
    *port = ntohs(addr.sin_port);
    return fd;
}

LoopbackServer::LoopbackServer(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
    listenFd_ = BindLoopback(&port_, true);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    if (stopFd_ < 0) {
        close(listenFd_);
        throw std::runtime_error("cannot create the server's stop event");
    }
    thread_ = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    const uint64_t one = 1;
    (void)!write(stopFd_, &one, sizeof one);
    thread_.join();
    close(listenFd_);
    close(stopFd_);
}

QString LoopbackServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_) + path;
}

void LoopbackServer::Run() {
    for (int index = 0;; ++index) {
        if (WaitFor(listenFd_, POLLIN, stopFd_, -1) < 0) return;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        QByteArray request;
        if (ReadRequest(fd, request)) {
            ++requests_;
            Connection connection(fd, stopFd_, index, request);
            behaviour_(connection);
        }
        close(fd);
    }
}

bool LoopbackServer::ReadRequest(int fd, QByteArray& request) {
    char buf[4096];
    for (;;) {
        const qsizetype end = request.indexOf("\r\n\r\n");
        if (end >= 0 && request.size() >= end + 4 + ContentLength(request.left(end))) return true;
        if (WaitFor(fd, POLLIN, stopFd_, -1) < 0) return false;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;  // the client stopped sending: what came is the request
        request.append(buf, n);
    }
}

}  // namespace corvane::testsupport

#include "RawServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QList>
#include <stdexcept>

namespace corvane::net::testing {
namespace {

int ListenOnLoopback(quint16* port, bool listening) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        (listening && listen(fd, 16) != 0))
        throw std::runtime_error("bind/listen");
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

// The Content-Length of a request head, 0 when it has none.
qsizetype ContentLength(const QByteArray& head) {
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            return line.mid(colon + 1).trimmed().toLongLong();
    }
    return 0;
}

}  // namespace

RawServer::RawServer(std::vector<Script> scripts) : scripts_(std::move(scripts)) {
    listenFd_ = ListenOnLoopback(&port_, true);
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { Run(); });
}

RawServer::~RawServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cv_.notify_all();
    const uint64_t one = 1;
    (void)!write(stopFd_, &one, sizeof one);
    thread_.join();
    close(listenFd_);
    close(stopFd_);
}

QString RawServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_) + path;
}

std::vector<QByteArray> RawServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void RawServer::Release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    cv_.notify_all();
}

bool RawServer::Sleep(int ms) {
    pollfd p{stopFd_, POLLIN, 0};
    return poll(&p, 1, ms) == 0;
}

void RawServer::Run() {
    for (size_t index = 0;; ++index) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(p, 2, -1) < 0 || (p[1].revents & POLLIN)) return;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        Serve(fd, scripts_.empty() ? Script{} : scripts_[std::min(index, scripts_.size() - 1)]);
    }
}

bool RawServer::ReadRequest(int fd, QByteArray& request) {
    qsizetype needed = -1;  // total size once the head is complete
    while (needed < 0 || request.size() < needed) {
        pollfd p[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(p, 2, -1) < 0 || (p[1].revents & POLLIN)) return false;
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return true;  // the client ended early: keep what came
        request.append(buf, n);
        const qsizetype end = request.indexOf("\r\n\r\n");
        if (needed < 0 && end >= 0) needed = end + 4 + ContentLength(request.left(end));
    }
    return true;
}

void RawServer::Serve(int fd, const Script& script) {
    QByteArray request;
    const bool go = ReadRequest(fd, request);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    bool reset = false;
    for (const Step& step : script) {
        if (!go) break;
        if (step.kind == Step::kSend) {
            qsizetype sent = 0;
            while (sent < step.bytes.size()) {
                const ssize_t n =
                    send(fd, step.bytes.constData() + sent, step.bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += n;
            }
        } else if (step.kind == Step::kPause) {
            if (!Sleep(step.ms)) break;
        } else if (step.kind == Step::kWaitRelease) {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return released_ || stopping_; });
            if (stopping_) break;
        } else if (step.kind == Step::kReset) {
            reset = true;
            break;
        } else if (step.kind == Step::kHold) {
            Sleep(-1);
            break;
        }
    }
    if (reset) {
        linger l{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    close(fd);
}

ClosedPort::ClosedPort() { fd_ = ListenOnLoopback(&port_, false); }
ClosedPort::~ClosedPort() { close(fd_); }

}  // namespace corvane::net::testing

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <system_error>

#include "HttpError.h"
#include "TcpConnection.h"

namespace corvane::net {
namespace {

QString ErrnoText(int error) {
    return QString::fromStdString(std::system_category().message(error));
}

struct AddrInfoDeleter {
    void operator()(addrinfo* p) const { freeaddrinfo(p); }
};

// Waits until fd is ready for events, at most kReadTimeoutMs in all (interruptions included).
// False on time-out.
bool WaitReady(int fd, short events) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, int(left));
        if (n > 0) return true;  // ready, or an error the next call reports
        if (n == 0) return false;
        if (errno != EINTR) return true;
    }
}

}  // namespace

TcpConnection::TcpConnection(const QString& host, quint16 port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const QByteArray hostBytes = host.toUtf8();
    const QByteArray portText = QByteArray::number(port);
    const int rc = getaddrinfo(hostBytes.constData(), portText.constData(), &hints, &found);
    if (rc != 0) {
        throw HttpError(QStringLiteral("Host not found: ") + host + QStringLiteral(" (") +
                        QString::fromUtf8(gai_strerror(rc)) + u')');
    }
    const std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);
    int lastError = 0;
    for (addrinfo* a = list.get(); a; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int r = connect(fd, a->ai_addr, a->ai_addrlen);
        if (r < 0 && errno == EINTR) {
            // The connect goes on in the background; wait for its outcome without a limit.
            pollfd p{fd, POLLOUT, 0};
            while (poll(&p, 1, -1) < 0 && errno == EINTR) {
            }
            int error = 0;
            socklen_t len = sizeof error;
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len);
            r = error == 0 ? 0 : -1;
            errno = error;
        }
        if (r == 0) {
            fd_ = fd;
            return;
        }
        lastError = errno;
        close(fd);
    }
    throw HttpError(QStringLiteral("Could not connect to ") + host + u':' + QString::number(port) +
                    QStringLiteral(": ") + ErrnoText(lastError));
}

TcpConnection::~TcpConnection() {
    if (fd_ >= 0) close(fd_);
}

void TcpConnection::SendAll(const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        if (!WaitReady(fd_, POLLOUT))
            throw HttpError(QStringLiteral("Send timed out after %1 ms").arg(kReadTimeoutMs));
        const ssize_t n = send(fd_, bytes.constData() + sent, size_t(bytes.size() - sent),
                               MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            throw HttpError(QStringLiteral("Send failed: ") + ErrnoText(errno));
        }
        sent += n;
    }
}

size_t TcpConnection::Read(char* buf, size_t max) {
    for (;;) {
        if (!WaitReady(fd_, POLLIN))
            throw HttpError(QStringLiteral("Read timed out after %1 ms").arg(kReadTimeoutMs));
        const ssize_t n = recv(fd_, buf, max, MSG_DONTWAIT);
        if (n >= 0) return size_t(n);
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
        throw HttpError(QStringLiteral("Receive failed: ") + ErrnoText(errno));
    }
}

}  // namespace corvane::net

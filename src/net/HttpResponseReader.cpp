#include "HttpResponseReader.h"

#include <QString>
#include <algorithm>
#include <cstring>

#include "HttpError.h"

namespace corvane::net {
namespace {

[[noreturn]] void Malformed(const QString& what) {
    throw HttpError(QStringLiteral("Malformed response: ") + what);
}

[[noreturn]] void TooLarge() {
    throw HttpError(QStringLiteral("Response too large (more than 64 MiB)"));
}

// A short, printable excerpt of received bytes for an error message.
QString Excerpt(const QByteArray& bytes) {
    constexpr qsizetype kMax = 60;
    QString out;
    for (qsizetype i = 0; i < bytes.size() && i < kMax; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += (b >= 0x20 && b < 0x7F) ? QChar(b) : QChar(u'?');
    }
    if (bytes.size() > kMax) out += u"...";
    return u'"' + out + u'"';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsTokenChar(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F) return false;
    return std::strchr("()<>@,;:\\\"/[]?={}", c) == nullptr;
}

QByteArray TrimBlanks(QByteArray v) {
    qsizetype begin = 0, end = v.size();
    while (begin < end && (v[begin] == ' ' || v[begin] == '\t')) ++begin;
    while (end > begin && (v[end - 1] == ' ' || v[end - 1] == '\t')) --end;
    return v.mid(begin, end - begin);
}

class Reader {
  public:
    explicit Reader(ByteSource& source) : source_(source) {}

    HttpResponse Read() {
        HttpResponse r;
        ReadStatusLine(r);
        ReadHeaders(r, /*trailers=*/false);
        ReadBody(r);
        return r;
    }

  private:
    // Next line without its CR LF, or its LF alone, as common HTTP clients accept servers that end
    // lines that way. The response so far must stay within the limits.
    QByteArray ReadLine(const char* whereEnded) {
        qsizetype scanned = 0;
        for (;;) {
            const qsizetype lf = buf_.indexOf('\n', pos_ + scanned);
            if (lf >= 0) {
                const qsizetype length = lf + 1 - pos_;
                if (length > kMaxHeaderLineBytes) LineTooLong();
                QByteArray line = buf_.mid(pos_, length);
                Consume(length);
                line.chop(line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1);
                if (line.contains('\r')) Malformed(QStringLiteral("stray CR in ") + Excerpt(line));
                if (line.contains('\0')) Malformed(QStringLiteral("NUL byte in ") + Excerpt(line));
                return line;
            }
            scanned = buf_.size() - pos_;
            if (scanned >= kMaxHeaderLineBytes) LineTooLong();
            if (!Fill()) {
                if (total_ == 0 && scanned == 0)
                    throw HttpError(QStringLiteral("Connection closed without a response"));
                throw HttpError(QStringLiteral("Connection closed ") + QLatin1String(whereEnded));
            }
        }
    }

    [[noreturn]] void LineTooLong() {
        throw HttpError(QStringLiteral("Response header line too long (more than 64 KiB)"));
    }

    // Appends what the source has to the buffer; false at the end of the stream.
    bool Fill() {
        if (pos_ > 0 && pos_ == buf_.size()) {
            buf_.clear();
            pos_ = 0;
        } else if (pos_ > 64 * 1024) {
            buf_.remove(0, pos_);
            pos_ = 0;
        }
        char chunk[16 * 1024];
        const size_t n = source_.Read(chunk, sizeof chunk);
        if (n == 0) return false;
        buf_.append(chunk, qsizetype(n));
        return true;
    }

    void Consume(qsizetype n) {
        pos_ += n;
        total_ += n;
        if (total_ > kMaxResponseBytes) TooLarge();
    }

    void ReadStatusLine(HttpResponse& r) {
        const QByteArray line = ReadLine("in the middle of the status line");
        // "HTTP/" digit "." digit, a blank, three digits, then nothing or a blank and the reason.
        const bool ok = line.size() >= 12 && line.startsWith("HTTP/") && IsDigit(line[5]) &&
                        line[6] == '.' && IsDigit(line[7]) && line[8] == ' ' && IsDigit(line[9]) &&
                        IsDigit(line[10]) && IsDigit(line[11]) &&
                        (line.size() == 12 || line[12] == ' ');
        if (!ok) Malformed(QStringLiteral("invalid status line ") + Excerpt(line));
        r.statusLine = line;
        r.status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
        if (r.status < 100) Malformed(QStringLiteral("invalid status line ") + Excerpt(line));
    }

    void ReadHeaders(HttpResponse& r, bool trailers) {
        const char* where = trailers ? "in the middle of the chunked body's trailer"
                                     : "in the middle of the response head";
        // The status line belongs to the head; a trailer is counted on its own.
        const int64_t headStart = trailers ? total_ : 0;
        for (;;) {
            QByteArray line = ReadLine(where);
            if (total_ - headStart > kMaxHeadBytes)
                throw HttpError(QStringLiteral("Response head too large (more than 1 MiB)"));
            if (line.isEmpty()) return;
            if (line[0] == ' ' || line[0] == '\t') {
                // An obsolete folded line continues the header before it.
                if (trailers) continue;
                if (r.headers.empty())
                    Malformed(QStringLiteral("folded line without a header ") + Excerpt(line));
                const QByteArray more = TrimBlanks(line);
                r.headerLines.back() += ' ' + more;
                HttpHeader& h = r.headers.back();
                h.value = h.value.isEmpty() ? more : h.value + ' ' + more;
                continue;
            }
            const qsizetype colon = line.indexOf(':');
            if (colon < 0) Malformed(QStringLiteral("header line without colon ") + Excerpt(line));
            const QByteArray name = line.left(colon);
            if (name.isEmpty() || !std::all_of(name.begin(), name.end(), IsTokenChar))
                Malformed(QStringLiteral("invalid header name ") + Excerpt(line));
            if (trailers) continue;
            r.headers.push_back({name, TrimBlanks(line.mid(colon + 1))});
            r.headerLines.push_back(std::move(line));
        }
    }

    static bool HasNoBody(int status) {
        return (status >= 100 && status < 200) || status == 204 || status == 304;
    }

    void ReadBody(HttpResponse& r) {
        if (HasNoBody(r.status)) return;
        const std::vector<QByteArray> codings = r.headerValues("Transfer-Encoding");
        const std::vector<QByteArray> lengths = r.headerValues("Content-Length");
        if (!codings.empty()) {
            // Both framings at once is how responses are smuggled; trust neither.
            if (!lengths.empty())
                Malformed(QStringLiteral("both Content-Length and Transfer-Encoding"));
            QByteArray coding;
            for (const QByteArray& c : codings) coding += (coding.isEmpty() ? "" : ", ") + c;
            if (coding.compare("chunked", Qt::CaseInsensitive) != 0)
                throw HttpError(QStringLiteral("Unsupported transfer encoding ") + Excerpt(coding));
            ReadChunked(r);
        } else if (!lengths.empty()) {
            ReadFixed(r, ParseContentLength(lengths));
        } else {
            ReadUntilClose(r);
        }
    }

    static int64_t ParseContentLength(const std::vector<QByteArray>& values) {
        const QByteArray& first = values.front();
        for (const QByteArray& v : values)
            if (v != first) Malformed(QStringLiteral("conflicting Content-Length values"));
        if (first.isEmpty() || !std::all_of(first.begin(), first.end(), IsDigit))
            Malformed(QStringLiteral("invalid Content-Length ") + Excerpt(first));
        int64_t n = 0;
        for (char c : first) {
            n = n * 10 + (c - '0');
            if (n > kMaxResponseBytes) TooLarge();
        }
        return n;
    }

    void ReadFixed(HttpResponse& r, int64_t length) {
        if (total_ + length > kMaxResponseBytes) TooLarge();
        ReadExact(r.body, length, "before the whole response body arrived");
    }

    void ReadExact(QByteArray& out, int64_t length, const char* whereEnded) {
        out.reserve(out.size() + qsizetype(length));
        while (length > 0) {
            if (pos_ == buf_.size() && !Fill())
                throw HttpError(QStringLiteral("Connection closed ") + QLatin1String(whereEnded));
            const qsizetype take = std::min<int64_t>(length, buf_.size() - pos_);
            out.append(buf_.constData() + pos_, take);
            Consume(take);
            length -= take;
        }
    }

    void ReadUntilClose(HttpResponse& r) {
        for (;;) {
            if (pos_ == buf_.size() && !Fill()) return;
            const qsizetype take = buf_.size() - pos_;
            r.body.append(buf_.constData() + pos_, take);
            Consume(take);
        }
    }

    void ReadChunked(HttpResponse& r) {
        const char* where = "in the middle of a chunked body";
        for (;;) {
            const QByteArray line = ReadLine(where);
            qsizetype i = 0;
            int64_t size = 0;
            while (i < line.size() && HexValue(line[i]) >= 0) {
                size = size * 16 + HexValue(line[i++]);
                if (size > kMaxResponseBytes) TooLarge();
            }
            qsizetype rest = i;
            while (rest < line.size() && (line[rest] == ' ' || line[rest] == '\t')) ++rest;
            if (i == 0 || (rest < line.size() && line[rest] != ';'))
                Malformed(QStringLiteral("invalid chunk size ") + Excerpt(line));
            if (size == 0) {
                ReadHeaders(r, /*trailers=*/true);
                return;
            }
            if (total_ + size > kMaxResponseBytes) TooLarge();
            ReadExact(r.body, size, where);
            if (!ReadLine(where).isEmpty())
                Malformed(QStringLiteral("chunk data longer than its size"));
        }
    }

    ByteSource& source_;
    QByteArray buf_;
    qsizetype pos_ = 0;
    int64_t total_ = 0;  // bytes of this response consumed so far
};

}  // namespace

HttpResponse ReadHttpResponse(ByteSource& source) { return Reader(source).Read(); }

}  // namespace corvane::net

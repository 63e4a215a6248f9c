// The HTTP response parser on whatever a server may send, delivered in pieces of any size, and
// what the client then does with a response: its cookies, its Location, the text of its body and
// the follow-up request. Catches crashes, failures other than HttpError, and a response that
// could put a line break into the follow-up request's head.
//
// Input: one byte choosing the size of the pieces, then the bytes the server sends.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstring>

#include "FuzzSupport.h"
#include "net/ByteSource.h"
#include "net/CookieStore.h"
#include "net/HttpClient.h"
#include "net/HttpError.h"
#include "net/HttpRequest.h"
#include "net/HttpResponseReader.h"
#include "net/HttpUrl.h"
#include "text/AnsiCodePage.h"

namespace {

using namespace corvane::net;

class PiecewiseSource : public ByteSource {
  public:
    PiecewiseSource(QByteArray bytes, size_t piece) : bytes_(std::move(bytes)), piece_(piece) {}
    size_t Read(char* buf, size_t max) override {
        const size_t n = std::min({max, piece_, size_t(bytes_.size()) - pos_});
        std::memcpy(buf, bytes_.constData() + pos_, n);
        pos_ += n;
        return n;
    }

  private:
    QByteArray bytes_;
    size_t piece_;
    size_t pos_ = 0;
};

// Every line of the head ends in CR LF and the head ends at the first empty line.
bool WellFormedHead(const QByteArray& request) {
    const qsizetype end = request.indexOf("\r\n\r\n");
    if (end < 0) return false;
    const QByteArray head = request.left(end + 2);
    for (qsizetype i = 0; i < head.size(); ++i) {
        if (head[i] == '\n' && (i == 0 || head[i - 1] != '\r')) return false;
        if (head[i] == '\r' && (i + 1 >= head.size() || head[i + 1] != '\n')) return false;
    }
    return true;
}

void UseResponse(const HttpResponse& response) {
    const QString firstUrl = QStringLiteral("http://portal.example:8080/app/query.do?x=1");
    HttpRequest request;
    request.post = true;
    request.url = ParseHttpUrl(firstUrl);
    request.contentType = QStringLiteral("application/json; charset=UTF-8");
    request.body = "{}";

    CookieStore store;
    store.TakeFrom(response, request.url);
    IsSuccess(response);
    IsRedirect(response);
    for (const HttpHeader& h : response.headers) {
        if (h.name.compare("Content-Type", Qt::CaseInsensitive) == 0)
            corvane::text::DecodeCharset({response.body.constData(), size_t(response.body.size())},
                                         {h.value.constData(), size_t(h.value.size())});
    }

    QByteArray cookieText;
    for (const QByteArray& line : response.headerLines)
        if (line.toLower().contains("cookie:")) cookieText += line.mid(line.indexOf(':') + 1);
    request.cookieText = cookieText;
    if (const auto location = response.header("Location")) {
        try {
            request.url = ParseHttpUrl(ResolveReference(firstUrl, QString::fromUtf8(*location)));
        } catch (const HttpError&) {
        }
    }
    request.storeCookies = store.CookieLineFor(request.url);
    FUZZ_CHECK(WellFormedHead(WriteHttpRequest(request)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    corvane::fuzz::InputReader input(data, size);
    const size_t piece = size_t(input.Byte()) + 1;
    PiecewiseSource source(input.Rest(), piece);
    try {
        const HttpResponse response = ReadHttpResponse(source);
        FUZZ_CHECK(response.status >= 100 && response.status <= 999);
        FUZZ_CHECK(response.headers.size() == response.headerLines.size());
        UseResponse(response);
    } catch (const HttpError&) {
    } catch (...) {
        FUZZ_CHECK(!"the response reader let something else than HttpError out");
    }
    return 0;
}

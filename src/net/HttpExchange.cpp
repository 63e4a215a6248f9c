#include "HttpExchange.h"

#include <optional>
#include <system_error>

#include "HttpClient.h"
#include "HttpError.h"
#include "HttpUrl.h"
#include "WorkerWait.h"
#include "log/Diagnostic.h"
#include "log/log4me.h"
#include "text/AnsiCodePage.h"
#include "text/TextUtil.h"

namespace corvane::net {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The "charset" parameter of a Content-Type value; empty when it has none.
QByteArray CharsetOf(const QByteArray& contentType) {
    const QList<QByteArray> params = contentType.split(';');
    for (qsizetype i = 1; i < params.size(); ++i) {
        const QByteArray param = params[i].trimmed();
        const qsizetype eq = param.indexOf('=');
        if (eq < 0 || param.left(eq).trimmed().compare("charset", Qt::CaseInsensitive) != 0)
            continue;
        QByteArray value = param.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

// The response body as text: in the Encoding a GET names, else in the response's charset;
// ISO-8859-1 when that is missing or unknown.
QString ResponseText(const HttpResponse& r, const ThMsg& msg) {
    const QByteArray charset = (!msg.bz_post && !msg.Encoding.isEmpty())
                                   ? msg.Encoding.toLatin1()
                                   : CharsetOf(r.header("Content-Type").value_or(QByteArray()));
    return text::DecodeCharset(std::string_view(r.body.constData(), size_t(r.body.size())),
                               std::string_view(charset.constData(), size_t(charset.size())));
}

// Sends the request and takes a successful answer into msg. Throws HttpError for a failure, the
// status line as received being the message of an unsuccessful status. lastResponse receives
// every complete response, successful or not.
void SendAndTake(HttpClient& client, const HttpRequest& request, ThMsg& msg,
                 std::optional<HttpResponse>& lastResponse) {
    lastResponse = client.Send(request);
    if (!IsSuccess(*lastResponse)) throw HttpError(QString::fromLatin1(lastResponse->statusLine));
    const QString text = ResponseText(*lastResponse, msg);
    LogDebug(QStringLiteral("res:") + text);
    msg.out_info = text::TrimControl(text);
}

// The cookie text of the follow-up: the part after the first colon of every header line of the
// redirect that contains "cookie:" (case ignored), joined by "; ".
QByteArray CookieTextOf(const HttpResponse& redirect) {
    QByteArray text;
    bool first = true;
    for (const QByteArray& line : redirect.headerLines) {
        if (!line.toLower().contains("cookie:")) continue;
        if (!first) text += "; ";
        text += line.mid(line.indexOf(':') + 1);
        first = false;
    }
    return text;
}

int32_t Fail(ThMsg& msg, const QString& url, const QString& message) {
    msg.out_info = message;
    ReportDiagnostic(QStringLiteral("error^") + url + kCrLf + message);
    return kExchangeFailed;
}

// The one follow-up of a 302: the same method, body and content type to the Location, on a new
// connection, with the redirect's cookie text as a "cookie:" line.
int32_t FollowRedirect(HttpClient& client, HttpRequest request, const HttpResponse& redirect,
                       const QString& firstUrl, ThMsg& msg) {
    const QByteArray cookieText = CookieTextOf(redirect);
    const std::optional<QByteArray> location = redirect.header("Location");
    // Without a Location there is no new URL to name; the failure names the first one.
    QString url = firstUrl;
    std::optional<HttpResponse> response;
    try {
        if (!location) throw HttpError(QStringLiteral("Redirect 302 without a Location header"));
        url = ResolveReference(firstUrl, QString::fromUtf8(*location));
        request.url = ParseHttpUrl(url);
        request.cookieText = cookieText;
        SendAndTake(client, request, msg, response);
        return kExchangeSucceeded;
    } catch (const HttpError& e) {
        return Fail(msg, url, e.message());
    }
}

}  // namespace

int32_t PerformHttpRequest(ThMsg& msg) {
    msg.out_info.clear();
    int32_t result = 0;
    // Every way out, a failure that escapes included, ends with "http end" and the result code.
    struct End {
        ThMsg& msg;
        const int32_t& result;
        ~End() {
            LogDebug(QStringLiteral("http end"));
            msg.i_res = result;
        }
    } end{msg, result};

    const QByteArray ansi = text::ToAnsi(msg.In_nr);
    LogDebug(QStringLiteral("req:") + text::FromAnsi(ansi));

    HttpClient client;
    HttpRequest request;
    request.post = msg.bz_post;
    request.contentType = msg.ContentType;
    if (msg.bz_post && !text::TrimControl(msg.In_nr).isEmpty()) {
        const bool utf8 =
            !msg.ContentType.isEmpty() && msg.Encoding.compare(u"UTF-8", Qt::CaseInsensitive) == 0;
        request.body = utf8 ? text::FromAnsi(ansi).toUtf8() : ansi;
    }

    const QString url = msg.In_url;
    LogDebug(QStringLiteral("url:") + url);
    std::optional<HttpResponse> response;
    try {
        request.url = ParseHttpUrl(url);
        SendAndTake(client, request, msg, response);
        result = kExchangeSucceeded;
    } catch (const HttpError& e) {
        if (response && response->status == 302)
            result = FollowRedirect(client, request, *response, url, msg);
        else
            result = Fail(msg, url, e.message());
    }
    return result;
}

void HttpWorkerBody(ThMsg& msg) {
    try {
        msg.i_res = 0;
        msg.out_info.clear();
        ReportDiagnostic(QStringLiteral("info^In_url:") + msg.In_url);
        ReportDiagnostic(QStringLiteral("info^In_nr:") + msg.In_nr);
        msg.i_res = PerformHttpRequest(msg);
    } catch (const std::exception& e) {
        ReportDiagnostic(QStringLiteral("error^") + msg.In_url + kCrLf +
                         QString::fromUtf8(e.what()));
    } catch (...) {
        ReportDiagnostic(QStringLiteral("error^") + msg.In_url + kCrLf +
                         QStringLiteral("Unknown failure"));
    }
}

int32_t HttpExchange(ThMsg& msg, bool onWorker) {
    if (!onWorker) return PerformHttpRequest(msg);
    try {
        msg.out_info.clear();
        RunOnWorkerProcessingEvents([&msg] { HttpWorkerBody(msg); });
        return msg.i_res;
    } catch (const std::system_error& e) {
        msg.i_res = kExchangeFailed;
        try {
            msg.out_info = QStringLiteral("Could not start the exchange thread: ") +
                           QString::fromUtf8(e.what());
            ReportDiagnostic(QStringLiteral("error^") + msg.In_url + kCrLf + msg.out_info);
        } catch (...) {
        }
        return kExchangeFailed;
    } catch (...) {
        return 0;
    }
}

}  // namespace corvane::net

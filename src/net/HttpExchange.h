// One HTTP exchange described by a ThMsg record: the request goes out, a 302 answer is followed
// once by hand with the cookies it set, and the trimmed response text (or the error message) and a
// result code come back in the record. Every step is logged: "req:", "url:", "res:" and
// "http end" at debug level, the worker form's "In_url:"/"In_nr:" at info level, failures as
// "error^" + URL + CR LF + message.
#pragma once

#include <QString>
#include <cstdint>

namespace corvane::net {

// The record of one exchange. The caller owns it (usually a local value), fills the first group,
// and leaves it alone until HttpExchange returns; the exchange writes the second group.
struct ThMsg {
    QString In_url;        // absolute "http://host[:port]/path?query"
    QString In_nr;         // POST body (sent in the ANSI code page, or UTF-8, see Encoding)
    bool bz_post = false;  // true: POST over HTTP/1.0; false: GET over HTTP/1.1
    QString ContentType;   // request content type; empty: none sent
    // With a ContentType, "UTF-8" (case ignored) sends the POST body as UTF-8. For a GET, a
    // non-empty value names the character set of the response text.
    QString Encoding;

    QString out_info;   // the trimmed response text, or the error message
    int32_t i_res = 0;  // 99 success, -1 failure, 0 not finished
};

// Result codes of an exchange.
inline constexpr int32_t kExchangeSucceeded = 99;
inline constexpr int32_t kExchangeFailed = -1;

// Runs the exchange. onWorker false: PerformHttpRequest on the calling thread; a failure that
// escapes it passes on to the caller. onWorker true: HttpWorkerBody on a new thread while the
// calling thread keeps processing its Qt events (timers, painting, input, posted calls) until the
// worker has ended; returns msg.i_res and never throws (-1 with an "error^" line when the thread
// cannot be started). Without a Qt event dispatcher on the calling thread it simply waits.
//
// Handlers run during the wait may start further exchanges (each with its own record); they run to
// their end before the outer wait resumes. A quit request made during the wait takes effect when
// the event loop that was asked to quit next runs, that is after this call has returned: the worker
// never outlives the call, so nothing it touches is freed under it. An object on whose stack frame
// this call runs must not be deleted directly by such a handler (deleteLater is safe).
int32_t HttpExchange(ThMsg& msg, bool onWorker);

// The exchange itself, on the calling thread; returns the result code and stores it in i_res.
// Failures of the requests are caught, logged and turned into -1 with the message in out_info.
int32_t PerformHttpRequest(ThMsg& msg);

// The worker thread's body: the "In_url:" and "In_nr:" info lines, then PerformHttpRequest; a
// failure that escapes it is logged as "error^" + In_url + CR LF + message. Never throws.
void HttpWorkerBody(ThMsg& msg);

}  // namespace corvane::net

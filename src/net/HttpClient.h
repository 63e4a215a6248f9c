// The HTTP client of one exchange: each request on a new connection, the whole response read, the
// cookies that responses set kept for the requests after it. It follows no redirect, has no TLS,
// no proxy and no compression.
//
// Created, used and destroyed by the thread that runs the exchange; nothing outlives it.
#pragma once

#include "CookieStore.h"
#include "HttpRequest.h"
#include "HttpResponse.h"

namespace corvane::net {

class HttpClient {
  public:
    // Sends the request, with the store's cookies for its URL, and reads the whole response of
    // whatever status. Throws HttpError on a connection, time-out or protocol failure.
    HttpResponse Send(HttpRequest request);

  private:
    CookieStore cookies_;
};

// A response the exchange takes as its answer: status 200-299 and no Location header, except that
// a 201 may carry one.
bool IsSuccess(const HttpResponse& response);
// A response the client counts as a redirect: status 300-399 except 304, or any response with a
// Location header except a 201.
bool IsRedirect(const HttpResponse& response);

}  // namespace corvane::net

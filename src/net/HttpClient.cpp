#include "HttpClient.h"

#include "HttpResponseReader.h"
#include "TcpConnection.h"

namespace corvane::net {

HttpResponse HttpClient::Send(HttpRequest request) {
    request.storeCookies = cookies_.CookieLineFor(request.url);
    TcpConnection connection(request.url.connectHost(), request.url.port);
    connection.SendAll(WriteHttpRequest(request));
    HttpResponse response = ReadHttpResponse(connection);
    cookies_.TakeFrom(response, request.url);
    return response;
}

bool IsRedirect(const HttpResponse& r) {
    if (r.status >= 300 && r.status <= 399 && r.status != 304) return true;
    return r.status != 201 && r.header("Location").has_value();
}

bool IsSuccess(const HttpResponse& r) {
    return r.status >= 200 && r.status <= 299 && !IsRedirect(r);
}

}  // namespace corvane::net

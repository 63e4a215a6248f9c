#include "HttpResponse.h"

namespace corvane::net {

std::optional<QByteArray> HttpResponse::header(const QByteArray& name) const {
    for (const HttpHeader& h : headers)
        if (h.name.compare(name, Qt::CaseInsensitive) == 0) return h.value;
    return std::nullopt;
}

std::vector<QByteArray> HttpResponse::headerValues(const QByteArray& name) const {
    std::vector<QByteArray> values;
    for (const HttpHeader& h : headers)
        if (h.name.compare(name, Qt::CaseInsensitive) == 0) values.push_back(h.value);
    return values;
}

}  // namespace corvane::net

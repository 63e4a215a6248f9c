#include "JsonObjectWriter.h"

#include <algorithm>

namespace corvane::net {

uint32_t MemberNameHash(const QString& name) {
    uint32_t h = 0;
    for (QChar c : name) h = h * 129u + c.unicode() + 0x9E370001u;
    return h;
}

QString EscapeJsonText(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c.unicode() == 0) break;
        if (c == u'"' || c == u'\\' || c == u'/') out += u'\\';
        out += c;
    }
    return out;
}

void JsonObjectWriter::Set(const QString& name, const QString& value) {
    for (Member& m : members_) {
        if (m.name == name) {
            m.value = value;
            return;
        }
    }
    members_.push_back({name, value});
}

QString JsonObjectWriter::ToString() const {
    std::vector<const Member*> ordered;
    for (const Member& m : members_) ordered.push_back(&m);
    std::sort(ordered.begin(), ordered.end(), [](const Member* a, const Member* b) {
        const uint32_t ha = MemberNameHash(a->name), hb = MemberNameHash(b->name);
        if (ha != hb) return ha > hb;
        return QString::compare(a->name, b->name, Qt::CaseSensitive) < 0;
    });
    QString out = QStringLiteral("{");
    for (const Member* m : ordered) {
        if (out.size() > 1) out += u',';
        out += u'"' + EscapeJsonText(m->name) + QStringLiteral("\":\"") + EscapeJsonText(m->value) +
               u'"';
    }
    return out + u'}';
}

}  // namespace corvane::net

// The JSON writer of the report: one flat object of string members, written without blanks.
//
// Members are listed by descending MemberNameHash of their names (equal hashes: the smaller name
// first), whatever order they were set in. Values escape only '"', '\' and '/'; every other
// character, control characters and non-ASCII included, is written as it is; a U+0000 ends a value.
//
// Plain value type; no shared state.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace corvane::net {

// h := 0, then for each UTF-16 code unit c: h := h * 129 + c + 0x9E370001 (mod 2^32).
uint32_t MemberNameHash(const QString& name);

// The text between a value's quotes: the three escapes, cut at the first U+0000.
QString EscapeJsonText(const QString& text);

class JsonObjectWriter {
  public:
    // Sets a member; setting a name again replaces its value.
    void Set(const QString& name, const QString& value);
    // {"name":"value",...}
    QString ToString() const;

  private:
    struct Member {
        QString name;
        QString value;
    };
    std::vector<Member> members_;
};

}  // namespace corvane::net

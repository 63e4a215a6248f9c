// Reading the JSON text of a page command: the first complete JSON value at the start of the
// decoded payload, whatever follows it.
//
// Pure functions, any thread.
#pragma once

#include <QString>
#include <optional>
#include <stdexcept>

namespace corvane::browser {

// Deeper nesting than this is refused, so that a page cannot exhaust memory or stack with
// "[[[[...".
inline constexpr int kMaxCommandJsonDepth = 512;

class CommandJsonTooDeep : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a page command reads from its JSON value. Members are read "as text": a string gives its
// value, null or a missing member the empty text, any other value its JSON text.
struct CommandObject {
    QString type;
    bool hasData = false;  // "data" present (null included)
    QString nsrsbh;        // data's "nsrsbh"; empty when data is not an object or lacks it
};

// Reads one standard JSON value from the start of text (leading white space allowed) and ignores
// whatever follows it. A value that is not an object reads as an object without members.
// nullopt: the start of text is not a complete JSON value.
// Throws CommandJsonTooDeep when the value nests deeper than kMaxCommandJsonDepth.
std::optional<CommandObject> ReadCommandObject(const QString& text);

}  // namespace corvane::browser

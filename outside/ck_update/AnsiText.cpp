#include "AnsiText.h"

#include <iconv.h>

#include <cerrno>

#include "corvane_build_config.h"

namespace ck_update {

namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

}  // namespace

std::string CutToCharacters(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    Converter toUtf32("UTF-32LE", CORVANE_ANSI_CODEPAGE);
    if (!toUtf32.ok()) return text.substr(0, maxBytes);

    // Converts one character at a time (the output has room for one) to find where each ends.
    size_t end = 0;
    while (end < text.size()) {
        char* in = const_cast<char*>(text.data()) + end;
        size_t inLeft = text.size() - end;
        char out[4];
        char* outPtr = out;
        size_t outLeft = sizeof out;
        const size_t rc = iconv(toUtf32.get(), &in, &inLeft, &outPtr, &outLeft);
        size_t next = size_t(in - text.data());
        if (rc == size_t(-1) && errno != E2BIG) next = end + 1;  // invalid or cut-off byte
        if (next == end) next = end + 1;
        if (next > maxBytes) break;
        end = next;
    }
    return text.substr(0, end);
}

std::string AnsiPathToFileSystem(const std::string& path) {
    Converter toUtf8("UTF-8", CORVANE_ANSI_CODEPAGE);
    if (!toUtf8.ok()) return path;
    std::string result(path.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(path.data());
    size_t inLeft = path.size();
    char* out = result.data();
    size_t outLeft = result.size();
    if (iconv(toUtf8.get(), &in, &inLeft, &out, &outLeft) == size_t(-1)) return path;
    result.resize(result.size() - outLeft);
    return result;
}

}  // namespace ck_update

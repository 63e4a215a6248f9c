#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "text/CharsetConverter.h"

namespace corvane::text::detail {
namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* kWide = "UTF-16LE";
#else
constexpr const char* kWide = "UTF-16BE";
#endif

// One open iconv descriptor; closed when the owning thread's cache goes away.
class Descriptor {
  public:
    Descriptor(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Descriptor() {
        if (valid()) iconv_close(cd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    // Back to the initial shift state, so that no state leaks from one conversion into the next.
    void reset() const { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

    // Whether ASCII text converts to itself, which lets pure-ASCII text skip iconv altogether.
    bool asciiTransparent = false;

  private:
    iconv_t cd_;
};

struct ThreadDescriptors {
    std::unordered_map<std::string, std::unique_ptr<Descriptor>> encoders;
    std::unordered_map<std::string, std::unique_ptr<Descriptor>> decoders;
};

ThreadDescriptors& Cache() {
    thread_local ThreadDescriptors cache;
    return cache;
}

bool IsAscii(const char16_t* p, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i)
        if (p[i] >= 0x80) return false;
    return true;
}

bool IsAscii(std::string_view bytes) {
    for (unsigned char c : bytes)
        if (c >= 0x80) return false;
    return true;
}

// Runs iconv over the whole input, growing the output as needed. onBadInput is called for an
// invalid or unconvertible sequence (EILSEQ, incomplete=false) or an incomplete one at the end
// (EINVAL, incomplete=true); it appends its replacement and returns how many input bytes to skip.
template <typename Out, typename OnBad>
void Convert(const Descriptor& d, const char* in, size_t inLeft, Out& out, qsizetype unit,
             qsizetype initialUnits, OnBad onBadInput) {
    d.reset();
    out.resize(initialUnits);
    qsizetype used = 0;  // bytes written into out
    auto convertOnce = [&](char** src, size_t* srcLeft) -> int {
        for (;;) {
            char* dst = reinterpret_cast<char*>(out.data()) + used;
            size_t dstLeft = size_t(out.size() * unit - used);
            const size_t r = iconv(d.get(), src, srcLeft, &dst, &dstLeft);
            used = dst - reinterpret_cast<char*>(out.data());
            if (r != size_t(-1)) return 0;
            if (errno != E2BIG) return errno;
            out.resize(out.size() * 2 + 16);
        }
    };
    char* src = const_cast<char*>(in);
    while (inLeft > 0) {
        const int err = convertOnce(&src, &inLeft);
        if (err == 0) break;
        if (err != EILSEQ && err != EINVAL) break;
        out.resize(used / unit);
        const size_t skip = onBadInput(out, src, inLeft, err == EINVAL);
        used = out.size() * unit;
        out.resize(out.size() + (qsizetype(inLeft) + 16));
        src += skip;
        inLeft -= skip;
        d.reset();
    }
    // Flush a stateful encoding's return to its initial state.
    convertOnce(nullptr, nullptr);
    out.resize(used / unit);
}

}  // namespace

bool Encode(const QString& text, const std::string& charset, QByteArray* out) {
    auto& slot = Cache().encoders[charset];
    if (!slot) {
        slot = std::make_unique<Descriptor>(charset.c_str(), kWide);
        if (slot->valid()) {
            QByteArray probe;
            QString ascii;
            for (char16_t c = 1; c < 0x80; ++c) ascii.append(QChar(c));
            Convert(*slot, reinterpret_cast<const char*>(ascii.utf16()), size_t(ascii.size()) * 2,
                    probe, 1, ascii.size() * 4, [](QByteArray&, char*, size_t left, bool) {
                        return std::min<size_t>(left, 2);
                    });
            slot->asciiTransparent = probe == ascii.toLatin1();
        }
    }
    if (!slot->valid()) {
        Cache().encoders.erase(charset);  // unknown names are not kept
        return false;
    }
    const Descriptor& d = *slot;
    if (d.asciiTransparent &&
        IsAscii(reinterpret_cast<const char16_t*>(text.utf16()), text.size())) {
        *out = text.toLatin1();
        return true;
    }
    QByteArray question;  // "?" in the character set, in case it is not the ASCII byte
    auto onBad = [&](QByteArray& o, char* src, size_t left, bool incomplete) -> size_t {
        if (question.isEmpty()) {
            static const char16_t q = u'?';
            Convert(d, reinterpret_cast<const char*>(&q), 2, question, 1, 8,
                    [](QByteArray&, char*, size_t l, bool) { return l; });
            if (question.isEmpty()) question = "?";
        }
        o.append(question);
        if (incomplete) return left;
        // Skip a whole surrogate pair when the unconvertible character is one.
        char16_t first;
        memcpy(&first, src, 2);
        if (left >= 4 && QChar::isHighSurrogate(first)) {
            char16_t second;
            memcpy(&second, src + 2, 2);
            if (QChar::isLowSurrogate(second)) return 4;
        }
        return std::min<size_t>(left, 2);
    };
    QByteArray result;
    Convert(d, reinterpret_cast<const char*>(text.utf16()), size_t(text.size()) * 2, result, 1,
            text.size() * 2 + 16, onBad);
    *out = std::move(result);
    return true;
}

bool Decode(std::string_view bytes, const std::string& charset, QString* out) {
    auto& slot = Cache().decoders[charset];
    if (!slot) {
        slot = std::make_unique<Descriptor>(kWide, charset.c_str());
        if (slot->valid()) {
            std::string ascii;
            for (int c = 1; c < 0x80; ++c) ascii.push_back(char(c));
            QString probe;
            Convert(*slot, ascii.data(), ascii.size(), probe, 2, qsizetype(ascii.size()) + 8,
                    [](QString&, char*, size_t left, bool) { return std::min<size_t>(left, 1); });
            slot->asciiTransparent = probe == QString::fromLatin1(ascii);
        }
    }
    if (!slot->valid()) {
        Cache().decoders.erase(charset);
        return false;
    }
    const Descriptor& d = *slot;
    if (d.asciiTransparent && IsAscii(bytes)) {
        *out = QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
        return true;
    }
    auto onBad = [](QString& o, char*, size_t left, bool incomplete) -> size_t {
        o.append(QChar::ReplacementCharacter);
        return incomplete ? left : std::min<size_t>(left, 1);
    };
    QString result;
    Convert(d, bytes.data(), bytes.size(), result, 2, qsizetype(bytes.size()) + 16, onBad);
    *out = std::move(result);
    return true;
}

}  // namespace corvane::text::detail

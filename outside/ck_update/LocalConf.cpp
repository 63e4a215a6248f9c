#include "LocalConf.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "AnsiText.h"

namespace ck_update {

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::string LowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return s;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Leading blanks, an optional sign and decimal digits; nothing usable keeps the default.
template <typename T>
T ToNumber(const std::string& value, T def) {
    const char* begin = value.c_str();
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE) return def;
    return T(n);
}

}  // namespace

Answer ParseAnswer(const std::string& iniText) {
    Answer answer;
    std::optional<std::string> result, description, delay;
    bool inSection = false;
    bool sectionSeen = false;
    std::istringstream lines(iniText);
    for (std::string line; std::getline(lines, line);) {
        line = Trim(line);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            const std::string name = LowerAscii(
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            // Only the first section of the name counts.
            inSection = !sectionSeen && name == "update";
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        const auto equals = line.find('=');
        if (!inSection || equals == std::string::npos) continue;
        const std::string key = LowerAscii(Trim(line.substr(0, equals)));
        const std::string value = Unquote(Trim(line.substr(equals + 1)));
        if (key == "result" && !result) result = value;
        if (key == "description" && !description) description = value;
        if (key == "delay_ms" && !delay) delay = value;
    }
    if (result) answer.result = ToNumber<int32_t>(*result, 0);
    if (description) answer.description = *description;
    if (delay) answer.delayMs = std::max<int64_t>(0, ToNumber<int64_t>(*delay, 0));
    return answer;
}

Answer ReadAnswer(const std::string& path) {
    // The program hands the path in its ANSI code page; the file system names files in UTF-8.
    std::ifstream file(AnsiPathToFileSystem(path), std::ios::binary);
    if (!file) file.open(path, std::ios::binary);
    if (!file) return {};
    const std::string text((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    return ParseAnswer(text);
}

}  // namespace ck_update

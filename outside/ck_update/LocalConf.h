// The answer the update-check stand-in gives, read from its settings file.
#pragma once

#include <cstdint>
#include <string>

namespace ck_update {

struct Answer {
    int32_t result = 0;
    std::string description;  // bytes in the ANSI code page
    int64_t delayMs = 0;
};

// Reads section "update", keys "result", "description" and "delay_ms" from the INI file at path
// (bytes as given); a missing file, section or key keeps the default. Names are compared without
// regard to case, blanks around values are dropped and one pair of matching quotes is removed.
Answer ReadAnswer(const std::string& path);

// Reads the INI text itself (for ReadAnswer and its tests).
Answer ParseAnswer(const std::string& iniText);

}  // namespace ck_update

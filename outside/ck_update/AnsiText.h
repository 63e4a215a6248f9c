// Byte-level helpers for texts in the program's ANSI code page.
#pragma once

#include <cstddef>
#include <string>

namespace ck_update {

// The longest prefix of text, at most maxBytes long, that does not split a character of the ANSI
// code page (an invalid byte counts as a character of its own).
std::string CutToCharacters(const std::string& text, size_t maxBytes);

// The path in the file system's encoding (UTF-8) for a path given in the ANSI code page; the bytes
// as they are when they are not valid in the code page.
std::string AnsiPathToFileSystem(const std::string& path);

}  // namespace ck_update

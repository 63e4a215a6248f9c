// Test cases with a name field print as that name (in test names and failure messages) instead
// of gtest's byte dump. Include it inside the test's own file: it joins that file's unnamed
// namespace, where argument-dependent lookup finds it.
#pragma once

#include <ostream>

namespace corvane::browser {
namespace {

template <class Case>
requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

}  // namespace
}  // namespace corvane::browser

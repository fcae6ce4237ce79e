#pragma once
// A tiny checker for the console test program: counts and reports failed expectations.

#include <iostream>
#include <sstream>
#include <string>

namespace Checks {

inline int passed = 0;
inline int failed = 0;

template <typename Value> std::string Show(const Value& value)
{
    std::ostringstream text;
    text.precision(17);
    text << value;
    return text.str();
}

inline std::string Show(const std::string& value)
{
    return '"' + value + '"';
}

inline std::string Show(bool value)
{
    return value ? "true" : "false";
}

template <typename Actual, typename Expected>
void Equal(const std::string& what, const Actual& actual, const Expected& expected)
{
    if (actual == expected) {
        ++passed;
        return;
    }
    ++failed;
    std::cout << "FAIL " << what << ": got " << Show(actual) << ", expected " << Show(expected) << '\n';
}

inline void True(const std::string& what, bool condition)
{
    Equal(what, condition, true);
}

inline int Summary()
{
    std::cout << passed << " passed, " << failed << " failed\n";
    return failed == 0 && passed > 0 ? 0 : 1;
}

} // namespace Checks

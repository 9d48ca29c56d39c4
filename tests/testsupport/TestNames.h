#pragma once

// Names of parameterised test cases. gtest and ctest show a case by the name its generator
// gives; without one a case is a number, and ctest adds the raw bytes of the parameter.

#include <gtest/gtest.h>

#include <string>

namespace tarsel::test {

/// The text as a test name: letters and digits kept, everything else an underscore.
inline std::string testName(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        out += plain ? c : '_';
    }
    return out.empty() ? std::string("_") : out;
}

/// Generator for case tables whose rows carry a `name` saying what the row checks.
template <typename Case> std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return testName(info.param.name);
}

} // namespace tarsel::test

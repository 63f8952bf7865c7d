#pragma once
// A parameterised oracle case named after its fixture's path, every
// character that a test name cannot hold turned into '_'
// ("cube/curve3.cube" runs as cube_curve3_cube).

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace kvtest {

inline std::string FixtureCaseName(const testing::TestParamInfo<const char*>& info) {
    std::string name = info.param;
    for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    }
    return name;
}

}  // namespace kvtest

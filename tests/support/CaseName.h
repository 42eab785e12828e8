#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

// Names each case of a parameterised test after what its PrintTo writes: letters and digits
// kept, every other run of characters one underscore ("30, 15, 7" gives "30_15_7"), after the
// case's number, so that two cases that print alike stay apart. Use with
// INSTANTIATE_TEST_SUITE_P(..., CaseName()).
struct CaseName {
    template <typename Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        std::string name = std::to_string(info.index);
        bool gap = true;
        for (const char c : ::testing::PrintToString(info.param)) {
            if (std::isalnum(static_cast<unsigned char>(c))) {
                if (gap) {
                    name += '_';
                }
                name += c;
                gap = false;
            } else {
                gap = true;
            }
        }
        return name;
    }
};

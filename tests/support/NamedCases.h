// NamedCases.h — cases of parameterized tests that carry their own name, which the tests' names
// and the failure messages show.
#pragma once

#include <gtest/gtest.h>

#include <concepts>
#include <ostream>
#include <string>

namespace test {

// The first member of a case: its name, a valid test name suffix.
struct NamedCase {
    const char* Name;
};

template <std::derived_from<NamedCase> Case> void PrintTo(const Case& c, std::ostream* os) {
    *os << c.Name;
}

// Names each instantiated case of a suite by its Name.
struct CaseName {
    template <std::derived_from<NamedCase> Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const {
        return info.param.Name;
    }
};

} // namespace test

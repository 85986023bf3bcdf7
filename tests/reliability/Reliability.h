#pragma once
// Shared by the reliability tests: each test states its size (writes, kills,
// inputs) on one line "RELIABILITY <suite>.<test>: <text>", which
// scripts/reliability-report collects into docs/RELIABILITY.md.

#include <gtest/gtest.h>

#include <iostream>
#include <string>

namespace ob::test {

inline void reportSize(const std::string& text)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::cout << "RELIABILITY " << info->test_suite_name() << "." << info->name() << ": " << text << std::endl;
    ::testing::Test::RecordProperty("size", text);
}

} // namespace ob::test

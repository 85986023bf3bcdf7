#pragma once
// The line "RELIABILITY <suite>.<test>: <text>" scripts/reliability-report collects, and the usual set-up.

#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "platform/odbc/Connection.h"
#include "support/LinkFixture.h"
#include "support/TestDatabase.h"

namespace ob::test {

inline void reportSize(const std::string& text)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::cout << "RELIABILITY " << info->test_suite_name() << "." << info->name() << ": " << text << std::endl;
    ::testing::Test::RecordProperty("size", text);
}

// The database's login role as a user, and asset A1000 (ATAG T1000).
inline void seedUserAndAsset(TestDatabase& db)
{
    db.exec("INSERT INTO ob.UserList (obuser, OBLevel, Name) VALUES (" + odbc::quoteLiteral(db.user()) +
            ", 3, 'Chris')");
    db.exec("INSERT INTO ob.AssetList (ATAG, I4201) VALUES ('T1000', 'A1000')");
}

// The keys of a calibration of A1000 started 12/5/2026 14:03:27.
inline void setCalibration(LinkFixture& f)
{
    f.set("Calibration", "AssetNumber", "A1000");
    f.set("Calibration", "StartDate", "12/5/2026");
    f.set("Calibration", "StartTime", "14:03:27");
    f.set("Calibration", "EndTime", "15:10");
}

} // namespace ob::test

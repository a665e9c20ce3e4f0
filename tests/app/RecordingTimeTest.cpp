// Which server values date a demo, and which values are refused as times.

#include "app/RecordingTime.h"

#include <gtest/gtest.h>

using namespace fenlark;

TEST(RecordingTime, OnlyPlausibleWholeSecondsCount) {
    EXPECT_EQ(ParseRecordingTime("1294827593"), 1294827593);
    EXPECT_EQ(ParseRecordingTime("946684800"), 946684800); // 2000-01-01
    for (const char* bad : {"", "0", "-1", "28675", "4102444800", "99999999999", "12948275931",
                            "1294827593.5", " 1294827593", "1294827593 ", "0x4d2d6c49"}) {
        EXPECT_EQ(ParseRecordingTime(bad), std::nullopt) << bad;
    }
}

TEST(RecordingTime, LevelStartComesBeforeEpochAndBadValuesAreSkipped) {
    OtherInfoList values;
    EXPECT_EQ(RecordingTimeFromServerValues(values), std::nullopt);
    values.rows = {{"time", "1294827000"}, {"epoch", "1718558369"}};
    EXPECT_EQ(RecordingTimeFromServerValues(values), 1718558369);
    values.rows.push_back({"g_levelStartTime", "1294827593"});
    EXPECT_EQ(RecordingTimeFromServerValues(values), 1294827593);
    // A damaged value of the first key leaves the next key to decide.
    values.rows.back().value = "garbage";
    EXPECT_EQ(RecordingTimeFromServerValues(values), 1718558369);
    // Names are matched exactly: a server value is case-sensitive text.
    values.rows = {{"G_LEVELSTARTTIME", "1294827593"}};
    EXPECT_EQ(RecordingTimeFromServerValues(values), std::nullopt);
}

#include "app/WindowLayout.h"

#include <gtest/gtest.h>

using namespace fenlark;

namespace {

// The designed window: client 7200 x 6225 inside a 120 x 420 border.
constexpr double DesignedOuterWidth = 7320;
constexpr double DesignedOuterHeight = 6645;

WindowLayout Resized(double width, double height) {
    WindowLayout layout = DesignedLayout();
    layout.otherInfoColumns = {2000, 2300};
    ApplyResizeRules(width, height, layout);
    return layout;
}

} // namespace

TEST(WindowLayout, DesignedOuterWidthReproducesTheDesignedWidths) {
    const WindowLayout designed = DesignedLayout();
    const WindowLayout layout = Resized(DesignedOuterWidth, DesignedOuterHeight);
    EXPECT_EQ(layout.Frame1.width, 6975);
    EXPECT_EQ(layout.Frame1.height, designed.Frame1.height);
    EXPECT_EQ(layout.txtServername.width, 5175);
    EXPECT_EQ(layout.txtMap.width, 5175);
    EXPECT_EQ(layout.txtMod.width, 5175);
    EXPECT_EQ(layout.txtDemoType.width, 4695);
    EXPECT_EQ(layout.txtFileSize.width, 4695);
    EXPECT_EQ(layout.lstOtherInfo.width, 5175);
    EXPECT_EQ(layout.Line1.x2, 6840);
    EXPECT_EQ(layout.Line2.x2, 6840);
    EXPECT_EQ(layout.lblVersion.top, designed.lblVersion.top);
    EXPECT_NEAR(layout.lstPlayersBlue.width, 1695, 0.5);
    // Neither moved nor sized by any rule.
    EXPECT_EQ(layout.Picture1, designed.Picture1);
    EXPECT_EQ(layout.lblServername, designed.lblServername);
    EXPECT_EQ(layout.cmdCreateDemoLog.left, designed.cmdCreateDemoLog.left);
    EXPECT_EQ(layout.Line1.x1, designed.Line1.x1);
}

TEST(WindowLayout, WideningByAThousandTwipsWidensFieldsAndMovesTheRightButtons) {
    const WindowLayout before = Resized(DesignedOuterWidth, DesignedOuterHeight);
    const WindowLayout after = Resized(DesignedOuterWidth + 1000, DesignedOuterHeight);
    for (auto field : {&WindowLayout::txtServername, &WindowLayout::txtMap, &WindowLayout::txtMod,
                       &WindowLayout::lstOtherInfo, &WindowLayout::txtDemoType,
                       &WindowLayout::txtFileSize, &WindowLayout::Frame1})
        EXPECT_EQ((after.*field).width - (before.*field).width, 1000);
    EXPECT_EQ(after.cmdOk.left - before.cmdOk.left, 1000);
    EXPECT_EQ(after.cmdLoadDemo.left - before.cmdLoadDemo.left, 1000);
    EXPECT_EQ(after.cmdCreateDemoLog.left, before.cmdCreateDemoLog.left);
    EXPECT_EQ(after.Line1.x2 - before.Line1.x2, 1000);
    // The protocol field takes 36 % of the map field; the version follows it.
    EXPECT_FLOAT_EQ(after.txtDemoProtocol.width, 6175 * 0.36f);
    EXPECT_FLOAT_EQ(after.lblGameVersion.left, after.txtDemoProtocol.width + 1800);
    EXPECT_FLOAT_EQ(after.txtGameVersion.left, after.lblGameVersion.left + 1575);
    EXPECT_FLOAT_EQ(after.otherInfoColumns[0], 6175 / 2.0f - 445);
    EXPECT_FLOAT_EQ(after.otherInfoColumns[1], 6175 / 2.0f - 445);
}

TEST(WindowLayout, PlayerListsShareTheWidthAndFollowTheHeight) {
    for (double height : {5000.0, DesignedOuterHeight, 9000.0}) {
        const WindowLayout layout = Resized(9000, height);
        const auto& blue = layout.lstPlayersBlue;
        const auto& red = layout.lstPlayersRed;
        const auto& spectators = layout.lstPlayersSpectators;
        EXPECT_FLOAT_EQ(blue.height, static_cast<float>(height * 0.157));
        EXPECT_EQ(red.height, blue.height);
        EXPECT_EQ(spectators.height, blue.height);
        EXPECT_EQ(red.width, blue.width);
        EXPECT_EQ(spectators.width, blue.width);
        EXPECT_FLOAT_EQ(red.left, blue.width + 1695);
        EXPECT_FLOAT_EQ(spectators.left, red.left + red.width + 120);
        EXPECT_FLOAT_EQ(layout.lblSpectators.left, layout.lblRed.left + layout.lblRed.width + 120);
        // The other-information list sits below the lists and fills the rest.
        EXPECT_FLOAT_EQ(layout.lstOtherInfo.top, blue.height + 2745);
        EXPECT_FLOAT_EQ(layout.Label1.top, layout.lstOtherInfo.top - 90);
        EXPECT_FLOAT_EQ(layout.lstOtherInfo.height,
                        static_cast<float>(height - blue.height - 4140));
        EXPECT_EQ(layout.cmdOk.top, height - 1110);
        EXPECT_EQ(layout.lblVersion.top, height - 645);
    }
}

TEST(WindowLayout, RefusedNegativeSizesKeepTheLastAcceptedValue) {
    WindowLayout layout = DesignedLayout();
    layout.otherInfoColumns = {2000, 2300};
    ApplyResizeRules(4000, 6000, layout);
    const WindowLayout accepted = layout;

    // Too narrow for the value fields, too low for lstOtherInfo.
    ApplyResizeRules(1500, 4000, layout);
    EXPECT_EQ(layout.txtServername.width, accepted.txtServername.width);
    EXPECT_EQ(layout.txtDemoType.width, accepted.txtDemoType.width);
    EXPECT_EQ(layout.lstOtherInfo.width, accepted.lstOtherInfo.width);
    EXPECT_EQ(layout.lstOtherInfo.height, accepted.lstOtherInfo.height);
    EXPECT_EQ(layout.otherInfoColumns, accepted.otherInfoColumns);
    // The rules after a refused one still run, and positions may go negative.
    EXPECT_EQ(layout.Frame1.width, 1155);
    EXPECT_EQ(layout.cmdLoadDemo.left, 1500 - 3735);
    EXPECT_EQ(layout.cmdOk.top, 4000 - 1110);
    EXPECT_FLOAT_EQ(layout.lstPlayersBlue.height, 4000 * 0.157f);
    // Rules reading a refused control use the value it kept.
    EXPECT_EQ(layout.lstPlayersBlue.width, accepted.lstPlayersBlue.width);
    EXPECT_FLOAT_EQ(layout.txtDemoProtocol.width, accepted.txtMap.width * 0.36f);
}

TEST(WindowLayout, MissingColumnsAreSkipped) {
    WindowLayout layout = DesignedLayout();
    ApplyResizeRules(8000, 7000, layout);
    EXPECT_TRUE(layout.otherInfoColumns.empty());

    layout.otherInfoColumns = {100};
    ApplyResizeRules(8000, 7000, layout);
    ASSERT_EQ(layout.otherInfoColumns.size(), 1u);
    EXPECT_EQ(layout.otherInfoColumns[0], (8000 - 2145) / 2.0f - 445);
}

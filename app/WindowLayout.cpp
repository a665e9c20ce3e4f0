#include "app/WindowLayout.h"

#include <array>
#include <cmath>
#include <limits>

namespace fenlark {

namespace {

using Layout = WindowLayout;

const std::array<LayoutControl, 29> Controls{{
    {"Frame1", &Layout::Frame1, {120, 120, 6975, 5295}, false},
    {"Picture1", &Layout::Picture1, {120, 240, 540, 540}, true},
    {"lblDemoType", &Layout::lblDemoType, {840, 240, 1215, 255}, true},
    {"txtDemoType", &Layout::txtDemoType, {2160, 240, 4695, 255}, true},
    {"lblFileSize", &Layout::lblFileSize, {840, 600, 1215, 255}, true},
    {"txtFileSize", &Layout::txtFileSize, {2160, 600, 4695, 255}, true},
    {"lblDemoProtocol", &Layout::lblDemoProtocol, {120, 1080, 1455, 255}, true},
    {"txtDemoProtocol", &Layout::txtDemoProtocol, {1680, 1080, 1815, 285}, true},
    {"lblGameVersion", &Layout::lblGameVersion, {3600, 1080, 1455, 255}, true},
    {"txtGameVersion", &Layout::txtGameVersion, {5160, 1080, 1695, 285}, true},
    {"lblServername", &Layout::lblServername, {120, 1560, 1575, 255}, true},
    {"txtServername", &Layout::txtServername, {1680, 1560, 5175, 285}, true},
    {"lblMap", &Layout::lblMap, {120, 1800, 1575, 255}, true},
    {"txtMap", &Layout::txtMap, {1680, 1800, 5175, 285}, true},
    {"lblMod", &Layout::lblMod, {120, 2040, 1575, 255}, true},
    {"txtMod", &Layout::txtMod, {1680, 2040, 5175, 285}, true},
    {"lblPlayers", &Layout::lblPlayers, {120, 2400, 1575, 255}, true},
    {"lblBlue", &Layout::lblBlue, {1680, 2400, 1695, 255}, true},
    {"lblRed", &Layout::lblRed, {3360, 2400, 1695, 255}, true},
    {"lblSpectators", &Layout::lblSpectators, {5160, 2400, 1695, 255}, true},
    {"lstPlayersBlue", &Layout::lstPlayersBlue, {1680, 2640, 1695, 840}, true},
    {"lstPlayersRed", &Layout::lstPlayersRed, {3360, 2640, 1695, 840}, true},
    {"lstPlayersSpectators", &Layout::lstPlayersSpectators, {5160, 2640, 1695, 840}, true},
    {"Label1", &Layout::Label1, {120, 3480, 1575, 255}, true},
    {"lstOtherInfo", &Layout::lstOtherInfo, {1800, 3600, 5175, 1575}, false},
    {"cmdCreateDemoLog", &Layout::cmdCreateDemoLog, {120, 5520, 1695, 375}, false},
    {"cmdLoadDemo", &Layout::cmdLoadDemo, {3600, 5520, 1695, 375}, false},
    {"cmdOk", &Layout::cmdOk, {5400, 5520, 1695, 375}, false},
    {"lblVersion", &Layout::lblVersion, {120, 6000, 5415, 255}, false},
}};

const std::array<LayoutLineControl, 2> Lines{{
    {"Line1", &Layout::Line1, {120, 960, 6840, 960}},
    {"Line2", &Layout::Line2, {120, 1440, 6840, 1440}},
}};

} // namespace

std::span<const LayoutControl> LayoutControls() {
    return Controls;
}

std::span<const LayoutLineControl> LayoutLines() {
    return Lines;
}

WindowLayout DesignedLayout() {
    WindowLayout layout;
    for (const LayoutControl& control : Controls) {
        layout.*control.rect = control.designed;
    }
    for (const LayoutLineControl& line : Lines) {
        layout.*line.line = line.designed;
    }
    return layout;
}

namespace {

bool FitsSingle(double value) {
    return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}

// A position takes any number a single can hold.
void SetPosition(float& property, double value) {
    if (FitsSingle(value)) {
        property = static_cast<float>(value);
    }
}

// A size refuses negative values as well; the control keeps the old one.
void SetSize(float& property, double value) {
    if (FitsSingle(value) && value >= 0) {
        property = static_cast<float>(value);
    }
}

// A column that does not exist cannot be sized: the rule is passed over.
void SetColumnWidth(std::vector<float>& columns, std::size_t index, double value) {
    if (index < columns.size()) {
        SetSize(columns[index], value);
    }
}

// The offsets of the resize rules, in twips, measured on the designed window.
constexpr double ButtonsFromBottom = 1110;     // top of the three buttons, from the outer bottom
constexpr double OkFromRight = 1935;           // left of cmdOk, from the outer right
constexpr double LoadDemoFromRight = 3735;     // left of cmdLoadDemo, from the outer right
constexpr double FrameHeightMargin = 1350;     // outer height less Frame1's height
constexpr double FrameWidthMargin = 345;       // outer width less Frame1's width
constexpr double OtherInfoHeightMargin = 3765; // outer height less the lists and lstOtherInfo
constexpr double OtherInfoBottomGap = 375;
constexpr double WideFieldMargin = 2145;            // outer width less the wide fields' width
constexpr double VersionFromBottom = 645;           // top of lblVersion, from the outer bottom
constexpr double HeaderFieldMargin = 2625;          // outer width less txtDemoType's width
constexpr double GameVersionCaptionOffset = 1800.0; // lblGameVersion after txtDemoProtocol
constexpr double GameVersionFieldOffset = 1575.0;   // txtGameVersion after lblGameVersion
constexpr double GameVersionRightMargin = 2040;
constexpr double LineRightMargin = 480;   // right end of the lines, from the outer right
constexpr double PlayerListStep = 1695.0; // a list's left after the width of the one before
constexpr double PlayerListGap = 120.0;   // between the Red and the spectator list
constexpr double PlayerListsTop = 2655.0; // top of the player lists
constexpr double OtherInfoGap = 90.0;     // between the lists, Label1 and lstOtherInfo
constexpr double ColumnMargin = 445;      // each column of lstOtherInfo: half its width less this
constexpr double Half = 0.5;

} // namespace

void ApplyResizeRules(double W, double H, WindowLayout& c) {
    constexpr double PlayerListHeightFactor = 0.157;
    constexpr double ProtocolWidthFactor = 0.36;
    constexpr double PlayerListWidthFactor = 0.3275;

    SetPosition(c.cmdOk.top, H - ButtonsFromBottom);
    SetPosition(c.cmdOk.left, W - OkFromRight);
    SetPosition(c.cmdLoadDemo.top, H - ButtonsFromBottom);
    SetPosition(c.cmdLoadDemo.left, W - LoadDemoFromRight);
    SetPosition(c.cmdCreateDemoLog.top, H - ButtonsFromBottom);
    SetSize(c.Frame1.height, H - FrameHeightMargin);
    SetSize(c.Frame1.width, W - FrameWidthMargin);
    SetSize(c.lstPlayersBlue.height, H * PlayerListHeightFactor);
    SetSize(c.lstOtherInfo.height,
            H - c.lstPlayersBlue.height - OtherInfoHeightMargin - OtherInfoBottomGap);
    SetSize(c.lstOtherInfo.width, W - WideFieldMargin);
    SetPosition(c.lblVersion.top, H - VersionFromBottom);
    SetSize(c.txtDemoType.width, W - HeaderFieldMargin);
    SetSize(c.txtFileSize.width, W - HeaderFieldMargin);
    SetSize(c.txtServername.width, W - WideFieldMargin);
    SetSize(c.txtMap.width, W - WideFieldMargin);
    SetSize(c.txtMod.width, W - WideFieldMargin);
    SetSize(c.txtDemoProtocol.width, c.txtMap.width * ProtocolWidthFactor);
    SetPosition(c.lblGameVersion.left, c.txtDemoProtocol.width + GameVersionCaptionOffset);
    SetPosition(c.txtGameVersion.left, c.lblGameVersion.left + GameVersionFieldOffset);
    SetSize(c.txtGameVersion.width, W - c.lblGameVersion.left - GameVersionRightMargin);
    SetPosition(c.Line1.x2, W - LineRightMargin);
    SetPosition(c.Line2.x2, W - LineRightMargin);

    // The three player lists and their captions share the width of lstOtherInfo.
    const auto shareOfOtherInfo = [&c] { return c.lstOtherInfo.width * PlayerListWidthFactor; };
    SetSize(c.lblBlue.width, shareOfOtherInfo());
    SetSize(c.lstPlayersBlue.width, shareOfOtherInfo());
    SetSize(c.lblRed.width, shareOfOtherInfo());
    SetPosition(c.lblRed.left, c.lblBlue.width + PlayerListStep);
    SetSize(c.lstPlayersRed.width, shareOfOtherInfo());
    SetPosition(c.lstPlayersRed.left, c.lstPlayersBlue.width + PlayerListStep);
    SetSize(c.lstPlayersRed.height, c.lstPlayersBlue.height);
    SetSize(c.lblSpectators.width, shareOfOtherInfo());
    SetPosition(c.lblSpectators.left,
                static_cast<double>(c.lblRed.left) + c.lblRed.width + PlayerListGap);
    SetSize(c.lstPlayersSpectators.width, shareOfOtherInfo());
    SetPosition(c.lstPlayersSpectators.left,
                static_cast<double>(c.lstPlayersRed.left) + c.lstPlayersRed.width + PlayerListGap);
    SetSize(c.lstPlayersSpectators.height, c.lstPlayersBlue.height);

    SetPosition(c.lstOtherInfo.top, c.lstPlayersBlue.height + PlayerListsTop + OtherInfoGap);
    SetPosition(c.Label1.top, c.lstOtherInfo.top - OtherInfoGap);
    SetColumnWidth(c.otherInfoColumns, 0, c.lstOtherInfo.width * Half - ColumnMargin);
    SetColumnWidth(c.otherInfoColumns, 1, c.lstOtherInfo.width * Half - ColumnMargin);
}

} // namespace fenlark

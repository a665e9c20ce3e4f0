#pragma once
// The main window's rectangles in twips: the designed layout and the rules
// that move and size the controls when the window's outer size changes.
// Plain data, no toolkit: the window converts to its own units.

#include <span>
#include <vector>

namespace fenlark {

inline constexpr int TwipsPerPixel = 15;

// Designed client area of the main window, and the border and title bar the
// resize constants were measured against (outer size = client + frame).
inline constexpr int DesignedClientWidth = 7200;
inline constexpr int DesignedClientHeight = 6225;
inline constexpr int DesignedFrameWidth = 120;
inline constexpr int DesignedFrameHeight = 420;

// Client area of the wait window.
inline constexpr int WaitWindowWidth = 4695;
inline constexpr int WaitWindowHeight = 1335;

// Single precision, as the controls keep their positions and sizes.
struct LayoutRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    bool operator==(const LayoutRect&) const = default;
};

struct LayoutLine {
    float x1 = 0;
    float y1 = 0;
    float x2 = 0;
    float y2 = 0;
    bool operator==(const LayoutLine&) const = default;
};

// Every visible control of the main window. Controls from Picture1 to Label1
// lie inside Frame1 and are relative to it; the others are relative to the
// client area.
struct WindowLayout {
    LayoutRect Frame1;
    LayoutRect Picture1;
    LayoutRect lblDemoType;
    LayoutRect txtDemoType;
    LayoutRect lblFileSize;
    LayoutRect txtFileSize;
    LayoutLine Line1;
    LayoutRect lblDemoProtocol;
    LayoutRect txtDemoProtocol;
    LayoutRect lblGameVersion;
    LayoutRect txtGameVersion;
    LayoutLine Line2;
    LayoutRect lblServername;
    LayoutRect txtServername;
    LayoutRect lblMap;
    LayoutRect txtMap;
    LayoutRect lblMod;
    LayoutRect txtMod;
    LayoutRect lblPlayers;
    LayoutRect lblBlue;
    LayoutRect lblRed;
    LayoutRect lblSpectators;
    LayoutRect lstPlayersBlue;
    LayoutRect lstPlayersRed;
    LayoutRect lstPlayersSpectators;
    LayoutRect Label1;
    LayoutRect lstOtherInfo;
    LayoutRect cmdCreateDemoLog;
    LayoutRect cmdLoadDemo;
    LayoutRect cmdOk;
    LayoutRect lblVersion;
    // Widths of the columns lstOtherInfo has now (it may have none).
    std::vector<float> otherInfoColumns;
};

// One control of the layout table: its name in the window's design, where
// the layout keeps its rectangle, the rectangle as designed, and whether it
// lies inside Frame1.
struct LayoutControl {
    const char* name;
    LayoutRect WindowLayout::*rect;
    LayoutRect designed;
    bool inFrame;
};

// The same for the two lines, which lie inside Frame1.
struct LayoutLineControl {
    const char* name;
    LayoutLine WindowLayout::*line;
    LayoutLine designed;
};

// Every rectangle and line of WindowLayout, in the order of the design.
std::span<const LayoutControl> LayoutControls();
std::span<const LayoutLineControl> LayoutLines();

// The layout as designed: every control at its designed place, no columns.
WindowLayout DesignedLayout();

// Recomputes the layout for the outer size W x H (twips). The rules run in a
// fixed order and each reads what the earlier ones left. A negative width or
// height, or a value that is not a finite single-precision number, is refused:
// that control keeps its last accepted value and the remaining rules still run.
void ApplyResizeRules(double outerWidth, double outerHeight, WindowLayout& layout);

} // namespace fenlark

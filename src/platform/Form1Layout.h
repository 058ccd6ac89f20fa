#pragma once
// The main window's layout as laid out in twips (1/1440 inch); the platform converts with the DPI.
// Both windows, the real one and the simulated one, build their controls from it, and the e2e driver
// finds the controls by its ids; so it lives beside the window's interface and includes only that.

#include "platform/Window.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace hivetidy {

enum class ControlKind { PushButton, CheckBox, Label, PictureBox };
enum class TextAlign { Left, Centre, Right };

struct FontSpec {
    std::string_view face;
    double points;
    bool bold;
};

struct Rgb {
    std::uint8_t red, green, blue;
};

struct ControlLayout {
    Control control;
    int id;                  // Win32 control identifier; the e2e driver finds controls by it
    ControlKind kind;
    std::string_view text;   // as laid out (UTF-8)
    int left, top, width, height;
    int tabIndex;
    FontSpec font;
    TextAlign align;
    Rgb foreground;
    Rgb background;
};

inline constexpr FontSpec kDefaultFont{"MS Sans Serif", 8.25, false};
inline constexpr FontSpec kLabelFont{"MS Sans Serif", 9.75, true};
inline constexpr FontSpec kCheckFont{"MS Sans Serif", 8.25, true};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kLightOrange{255, 192, 128};
inline constexpr Rgb kButtonFace{212, 208, 200}; // stands for the system's button face colour

inline constexpr std::string_view kWindowClassName = "HivetidyForm1";
inline constexpr std::string_view kWindowCaption = "  Hivetidy";
inline constexpr int kClientWidth = 4620;
inline constexpr int kClientHeight = 3540;

// The check box's caption: the maker's name in double quotes, two blanks on either side.
inline constexpr std::string_view kCheck1Caption = "Knoten  \"ORVA Roboter GmbH\"  l\u00f6schen ?";

inline constexpr int kTimer1IntervalMs = 960;

// In tab order.
inline constexpr std::array<ControlLayout, 8> kForm1Layout{{
    {Control::Command1, 1001, ControlKind::PushButton, "&Start", 240, 2280, 1215, 615, 0, kDefaultFont, TextAlign::Centre, kBlack, kButtonFace},
    {Control::Command2, 1002, ControlKind::PushButton, "", 1680, 2280, 1215, 615, 1, kDefaultFont, TextAlign::Centre, kBlack, kButtonFace},
    {Control::Command3, 1003, ControlKind::PushButton, "&Undo", 3120, 2280, 1215, 615, 2, kDefaultFont, TextAlign::Centre, kBlack, kButtonFace},
    // Widened to the left, its right-aligned text ending where it was laid out: 555 twips (37 pixels)
    // cut the time to its last digits.
    {Control::Label1, 1004, ControlKind::Label, "", 900, 1560, 1695, 375, 3, kLabelFont, TextAlign::Right, kBlack, kButtonFace},
    {Control::Picture1, 1005, ControlKind::PictureBox, "", 240, 240, 1695, 855, 4, kDefaultFont, TextAlign::Left, kBlack, kWhite},
    {Control::Picture2, 1006, ControlKind::PictureBox, "", 2640, 240, 1695, 855, 5, kDefaultFont, TextAlign::Left, kBlack, kLightOrange},
    {Control::Label2, 1007, ControlKind::Label, "", 360, 1320, 3855, 735, 6, kLabelFont, TextAlign::Centre, kRed, kButtonFace},
    {Control::Check1, 1008, ControlKind::CheckBox, kCheck1Caption, 360, 3000, 3975, 375, 7, kCheckFont, TextAlign::Left, kBlack, kButtonFace},
}};

// The layout entry of one control.
[[nodiscard]] constexpr const ControlLayout& LayoutOf(Control control)
{
    for (const ControlLayout& entry : kForm1Layout) {
        if (entry.control == control) {
            return entry;
        }
    }
    return kForm1Layout[0];
}

} // namespace hivetidy

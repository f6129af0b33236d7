// What a control of the main window is at creation: the shape of one row of
// the control table. Both platform implementations build their controls from
// these rows; the rows themselves live in window/ControlTable.cpp.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace platform {

enum class ControlKind : std::uint8_t {
    Timer,
    Button,
    CheckBox,
    TextBox,
    Label,
    Frame,
    Panel,
    TabStrip,
    ProgressBar,
};

enum class Align : std::uint8_t { Left, Center, Right };

// Every control of the window, in creation order. `None` is the window itself
// when used as a container.
enum class ControlId : std::uint8_t {
    timScroll,
    timAutoClose,
    btnOK,
    btnCancel,
    btnApply,
    Picture1,
    pbStatus,
    chkAutoRun,
    fraAutoRun,
    btnClosePellmora,
    chkClosePellmora,
    btnRunJuno,
    chkRunJuno,
    chkDeleteAds,
    btnDeleteAds,
    txtJunoPath,
    Label2,
    Label1,
    labStatus,
    labGeneral1,
    labGeneral0,
    TabStrip1,
    None,
};

inline constexpr std::size_t kControlCount = static_cast<std::size_t>(ControlId::None);

constexpr std::size_t index(ControlId id) { return static_cast<std::size_t>(id); }

enum class FontKind : std::uint8_t { Dialog, BoldBlack };

struct ControlSpec {
    ControlId id;
    std::string_view name;  // as the logic and the tests know it
    ControlKind kind;
    ControlId container;  // None: the window's client area
    std::string_view text;
    // Twips, relative to the container's client area.
    float left, top, width, height;
    int tabIndex;  // -1 for timers
    std::int16_t value = 0;     // check box state; progress position
    bool visible = true;
    Align align = Align::Left;
    bool border = false;
    bool isDefault = false;  // Enter presses it
    bool isCancel = false;   // Esc presses it
    int interval = 0;        // timers, milliseconds
    bool enabled = true;     // timers
    FontKind font = FontKind::Dialog;
    float maximum = 0;  // progress bar
};

struct FormSpec {
    std::string_view title;
    float clientWidth, clientHeight;  // twips
    std::string_view tabCaption, tabKey, tabToolTip;
};

}  // namespace platform

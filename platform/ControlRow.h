// What a control of the main window is at creation: the shape of one row of
// the control table, and the form's own data. The platform implementations
// build their controls from what their caller hands them; the rows
// themselves belong to the window's logic.
#pragma once

#include <cstddef>
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

// Each kind is sized on its own: the largest size up to its nominal one at
// which every caption in it fits on one line. The notice is the dialog font
// sized for its one long line alone, so the rest keep their nominal size.
enum class FontKind : std::uint8_t { Dialog, BoldBlack, Notice };

// A control is known to the platform by its row in the table.
using Row = std::size_t;
// As a container: the window's own client area.
inline constexpr Row kWindow = SIZE_MAX;

struct ControlRow {
    std::string_view name;  // as the logic and the tests know it
    ControlKind kind;
    Row container;  // kWindow or a row that comes earlier
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

struct FormLayout {
    std::string_view title;
    float clientWidth, clientHeight;  // twips
    std::string_view tabCaption, tabKey, tabToolTip;
    std::span<const ControlRow> controls;  // containers before their controls
};

}  // namespace platform

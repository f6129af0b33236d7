#include "window/ControlTable.h"

#include <array>

namespace pellmora {

using platform::Align;
using platform::ControlKind;
using platform::ControlRow;
using platform::FontKind;

namespace {

// Exactly 223 characters: our own notice, then the mail client's trademark.
constexpr std::string_view kNotice =
    "Pellmora Version 1.01. Copyright 2026 by the Pellmora developers. All rights reserved. "
    "Pellmora comes with no warranty of any kind. Juno is a trademark of its owner; Pellmora "
    "is not made, endorsed or supported by its owner.";
static_assert(kNotice.size() == 223);

constexpr platform::Row W = platform::kWindow;
constexpr platform::Row P = row(ControlId::Picture1);
constexpr platform::Row F = row(ControlId::fraAutoRun);

struct Entry {
    ControlId id;
    ControlRow row;
};

// clang-format off
constexpr Entry kEntries[]{
    {ControlId::timScroll, {.name = "timScroll", .kind = ControlKind::Timer, .container = W, .text = "",
     .left = 0, .top = 0, .width = 0, .height = 0, .tabIndex = -1, .interval = 250, .enabled = true}},
    {ControlId::timAutoClose, {.name = "timAutoClose", .kind = ControlKind::Timer, .container = W, .text = "",
     .left = 0, .top = 0, .width = 0, .height = 0, .tabIndex = -1, .interval = 3000, .enabled = false}},
    {ControlId::btnOK, {.name = "btnOK", .kind = ControlKind::Button, .container = W, .text = "&OK",
     .left = 1200, .top = 4260, .width = 1095, .height = 375, .tabIndex = 9, .isDefault = true}},
    {ControlId::btnCancel, {.name = "btnCancel", .kind = ControlKind::Button, .container = W, .text = "&Cancel",
     .left = 2340, .top = 4260, .width = 1095, .height = 375, .tabIndex = 8, .isCancel = true}},
    {ControlId::btnApply, {.name = "btnApply", .kind = ControlKind::Button, .container = W, .text = "&Apply",
     .left = 3480, .top = 4260, .width = 1095, .height = 375, .tabIndex = 7}},
    {ControlId::Picture1, {.name = "Picture1", .kind = ControlKind::Panel, .container = W, .text = "",
     .left = 120, .top = 420, .width = 4395, .height = 3735, .tabIndex = 0}},
    {ControlId::pbStatus, {.name = "pbStatus", .kind = ControlKind::ProgressBar, .container = P, .text = "",
     .left = 120, .top = 2700, .width = 4155, .height = 315, .tabIndex = 18, .value = 0, .maximum = 100}},
    {ControlId::chkAutoRun, {.name = "chkAutoRun", .kind = ControlKind::CheckBox, .container = P,
     .text = "&Use AutoRun When Pellmora Starts",
     .left = 120, .top = 420, .width = 3075, .height = 255, .tabIndex = 11, .value = 0}},
    {ControlId::fraAutoRun, {.name = "fraAutoRun", .kind = ControlKind::Frame, .container = P,
     .text = "AutoRun Settings", .left = 120, .top = 720, .width = 4155, .height = 1575, .tabIndex = 4}},
    {ControlId::btnClosePellmora, {.name = "btnClosePellmora", .kind = ControlKind::Button, .container = F,
     .text = "&Close Pellmora Now", .left = 2340, .top = 1080, .width = 1755, .height = 375, .tabIndex = 15}},
    {ControlId::chkClosePellmora, {.name = "chkClosePellmora", .kind = ControlKind::CheckBox, .container = F,
     .text = "C&lose Pellmora", .left = 120, .top = 1080, .width = 1575, .height = 375, .tabIndex = 14, .value = 1}},
    {ControlId::btnRunJuno, {.name = "btnRunJuno", .kind = ControlKind::Button, .container = F,
     .text = "&Run Juno Now", .left = 2340, .top = 660, .width = 1755, .height = 375, .tabIndex = 13}},
    {ControlId::chkRunJuno, {.name = "chkRunJuno", .kind = ControlKind::CheckBox, .container = F,
     .text = "Run &Juno", .left = 120, .top = 660, .width = 1335, .height = 375, .tabIndex = 12, .value = 1}},
    {ControlId::chkDeleteAds, {.name = "chkDeleteAds", .kind = ControlKind::CheckBox, .container = F,
     .text = "D&elete All Ads", .left = 120, .top = 240, .width = 1335, .height = 375, .tabIndex = 5, .value = 1}},
    {ControlId::btnDeleteAds, {.name = "btnDeleteAds", .kind = ControlKind::Button, .container = F,
     .text = "&Delete Ads Now", .left = 2340, .top = 240, .width = 1755, .height = 375, .tabIndex = 10}},
    {ControlId::txtJunoPath, {.name = "txtJunoPath", .kind = ControlKind::TextBox, .container = P,
     .text = "C:\\Program Files\\Juno\\", .left = 1500, .top = 60, .width = 2775, .height = 315, .tabIndex = 1}},
    {ControlId::Label2, {.name = "Label2", .kind = ControlKind::Label, .container = P, .text = kNotice,
     .left = 3750, .top = 3390, .width = 16500, .height = 255, .tabIndex = 19, .align = Align::Left,
     .font = FontKind::Notice}},
    {ControlId::Label1, {.name = "Label1", .kind = ControlKind::Label, .container = P,
     .text = "Pellmora - E-Mail was meant to be free of ads.", .left = 0, .top = 3120, .width = 4395,
     .height = 255, .tabIndex = 16, .align = Align::Center, .font = FontKind::BoldBlack}},
    {ControlId::labStatus, {.name = "labStatus", .kind = ControlKind::Label, .container = P, .text = "",
     .left = 120, .top = 2400, .width = 4155, .height = 255, .tabIndex = 6, .align = Align::Center, .border = true}},
    {ControlId::labGeneral1, {.name = "labGeneral(1)", .kind = ControlKind::Label, .container = P,
     .text = "Progress:", .left = 30, .top = 2760, .width = 735, .height = 255, .tabIndex = 3, .visible = false,
     .align = Align::Right}},
    {ControlId::labGeneral0, {.name = "labGeneral(0)", .kind = ControlKind::Label, .container = P,
     .text = "Location Of Juno:", .left = 0, .top = 120, .width = 1395, .height = 255, .tabIndex = 2,
     .align = Align::Right}},
    {ControlId::TabStrip1, {.name = "TabStrip1", .kind = ControlKind::TabStrip, .container = W, .text = "",
     .left = 0, .top = 0, .width = 4620, .height = 4215, .tabIndex = 17}},
};
// clang-format on

constexpr auto kTable = [] {
    std::array<ControlRow, std::size(kEntries)> rows{};
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = kEntries[i].row;
    return rows;
}();

constexpr bool rowsInIdOrder() {
    for (std::size_t i = 0; i < std::size(kEntries); ++i)
        if (row(kEntries[i].id) != i) return false;
    return true;
}
static_assert(rowsInIdOrder(), "a control's row is its ControlId");

}  // namespace

const platform::FormLayout kFormLayout{
    .title = "Pellmora Version 1.01",
    .clientWidth = 4635,
    .clientHeight = 4665,
    .tabCaption = "General",
    .tabKey = "tabGeneral",
    .tabToolTip = "General Pellmora Setup",
    .controls = kTable,
};

}  // namespace pellmora

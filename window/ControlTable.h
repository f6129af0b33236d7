// The main window as it stands when created: one table, read by the logic
// and handed to whichever platform builds the window.
#pragma once

#include <cstdint>

#include "platform/ControlRow.h"

namespace pellmora {

// Every control of the window, in the table's order: the value is its row.
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
};

constexpr platform::Row row(ControlId id) { return static_cast<platform::Row>(id); }

// Title, client size, the tab and every control.
extern const platform::FormLayout kFormLayout;

}  // namespace pellmora

// The main window as it stands when created: one table, read by the logic and
// by both platform implementations.
#pragma once

#include <span>

#include "platform/ControlSpec.h"

namespace pellmora {

extern const platform::FormSpec kFormSpec;

// Rows in creation order; the row for a ControlId is at index(id).
std::span<const platform::ControlSpec> controlTable();

const platform::ControlSpec& controlSpec(platform::ControlId id);

}  // namespace pellmora

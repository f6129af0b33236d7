// Every caption whole on one line, at any DPI and in whatever face the
// system puts in place of the one the layout was drawn for: each font is
// made at the largest size, up to its nominal one, at which every caption
// set in it fits the room its control leaves for text.
#pragma once

#include <windows.h>

#include <span>

#include "platform/ControlRow.h"
#include "platform/win32/Handles.h"

namespace win32 {

// The kind's face at its nominal size for `dpi`, or the largest smaller size
// at which every caption in it fits, measured on `window`; no smaller than
// two thirds of the nominal size.
FontHandle fittedFont(platform::FontKind kind, std::span<const platform::ControlRow> table, UINT dpi, HWND window);

}  // namespace win32

// Layout rules of the Win32 layer that need no Windows headers: twips to
// pixels, a frame caption's indent, and the control IDs of the table's rows.
#pragma once

#include <cmath>

#include "platform/ControlRow.h"

namespace win32 {

inline constexpr int kTwipsPerInch = 1440;

// Whole pixels for a position kept in single-precision twips. Rounds to
// nearest, halves away from zero, as MulDiv does for whole twips, but keeps
// fractions, so a label moved by 4 twips a step really moves every fourth
// step at 96 DPI. The rounded value is never written back.
inline int twipsToPixels(float twips, unsigned dpi) {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

inline float pixelsToTwips(int pixels, unsigned dpi) {
    return static_cast<float>(static_cast<double>(pixels) * kTwipsPerInch / dpi);
}

// How far a frame's caption stands in from either end of its line, in
// pixels at 96 DPI.
inline constexpr int kFrameCaptionIndent = 8;

// The control ID of the window made from a table row; timers use the same
// numbers as their timer IDs.
inline constexpr int kFirstControlId = 100;
inline int controlIdOf(platform::Row row) { return kFirstControlId + static_cast<int>(row); }

}  // namespace win32

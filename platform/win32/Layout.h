// Layout and keyboard rules of the Win32 layer that need no Windows headers:
// twips to pixels, access keys, and the Tab order across containers.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/ControlSpec.h"

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

// The access key of a caption: the upper-case letter or digit after a single
// "&" ("&&" is a literal ampersand), or 0 when there is none.
inline char accessKey(std::string_view caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        const char next = caption[i + 1];
        if (next == '&') {
            ++i;
            continue;
        }
        if (next >= 'a' && next <= 'z') return static_cast<char>(next - 'a' + 'A');
        if ((next >= 'A' && next <= 'Z') || (next >= '0' && next <= '9')) return next;
        return 0;
    }
    return 0;
}

inline bool takesFocus(platform::ControlKind kind) {
    using platform::ControlKind;
    // Labels, the frame, the panel and the progress bar are passed over.
    return kind == ControlKind::Button || kind == ControlKind::CheckBox || kind == ControlKind::TextBox ||
           kind == ControlKind::TabStrip;
}

// The controls Tab walks through, by increasing tab index, whatever their
// container: the platform's own navigation only follows one parent's
// children in creation order.
inline std::vector<platform::ControlId> tabOrder(std::span<const platform::ControlSpec> table) {
    std::vector<const platform::ControlSpec*> rows;
    for (const platform::ControlSpec& row : table)
        if (row.visible && takesFocus(row.kind)) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    std::vector<platform::ControlId> order;
    for (const platform::ControlSpec* row : rows) order.push_back(row->id);
    return order;
}

// Where a shared or unique access key leads, starting after the control at
// `current` in `order` (-1 when the focus is elsewhere): the next control in
// Tab order whose key matches. `unique` tells whether it is the only one, in
// which case it is pressed; otherwise the focus only moves to it, as dialogs
// do with a key that several controls share.
struct AccessKeyTarget {
    int position = -1;  // in `order`; -1: no control has this key
    bool unique = false;
};

template <class KeyOf>
AccessKeyTarget findAccessKey(std::size_t count, int current, char key, KeyOf keyOf) {
    AccessKeyTarget target;
    int matches = 0;
    for (std::size_t step = 1; step <= count; ++step) {
        const int at = static_cast<int>((static_cast<std::size_t>(current + static_cast<int>(count)) + step) % count);
        if (keyOf(static_cast<std::size_t>(at)) != key) continue;
        if (matches++ == 0) target.position = at;
    }
    target.unique = matches == 1;
    return target;
}

}  // namespace win32

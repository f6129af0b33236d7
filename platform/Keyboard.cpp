#include "platform/Keyboard.h"

#include <algorithm>

namespace platform {

namespace {

bool takesFocus(ControlKind kind) {
    // Labels, the frame, the panel and the progress bar are passed over.
    return kind == ControlKind::Button || kind == ControlKind::CheckBox || kind == ControlKind::TextBox ||
           kind == ControlKind::TabStrip;
}

bool hasCaptionKey(ControlKind kind) { return kind == ControlKind::Button || kind == ControlKind::CheckBox; }

}  // namespace

KeyboardRules keyboardRules(std::span<const ControlRow> table) {
    KeyboardRules rules;
    for (Row row = 0; row < table.size(); ++row) {
        const ControlRow& control = table[row];
        if (control.visible && takesFocus(control.kind)) rules.tabOrder.push_back(row);
        if (control.isDefault) rules.defaultButton = row;
        if (control.isCancel) rules.cancelButton = row;
    }
    std::stable_sort(rules.tabOrder.begin(), rules.tabOrder.end(),
                     [&](Row a, Row b) { return table[a].tabIndex < table[b].tabIndex; });
    return rules;
}

std::optional<Row> KeyboardRules::enterTarget(std::span<const ControlRow> table, Row focused) const {
    if (focused < table.size() && table[focused].kind == ControlKind::Button) return focused;
    return defaultButton;
}

char accessKey(std::string_view caption) {
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

AccessKeyTarget findAccessKey(std::span<const ControlRow> table, const std::vector<Row>& order, int current,
                              char key) {
    AccessKeyTarget target;
    const int count = static_cast<int>(order.size());
    int matches = 0;
    for (int step = 1; step <= count; ++step) {
        const int at = ((current % count + count) % count + step) % count;
        const ControlRow& control = table[order[static_cast<std::size_t>(at)]];
        if (!hasCaptionKey(control.kind) || accessKey(control.text) != key) continue;
        if (matches++ == 0) target.position = at;
    }
    target.unique = matches == 1;
    return target;
}

}  // namespace platform

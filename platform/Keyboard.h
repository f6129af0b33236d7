// The window's keyboard rules, derived once from the control table and used
// by every platform implementation: which controls take the focus and in
// which order Tab visits them, which buttons Enter and Esc press, and where
// an access key leads.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/ControlRow.h"

namespace platform {

struct KeyboardRules {
    // Rows that take the focus, by increasing tab index, whatever their
    // container: the platform's own navigation follows one parent only.
    std::vector<Row> tabOrder;
    std::optional<Row> defaultButton, cancelButton;

    // The button Enter presses: the focused one, or else the default one.
    std::optional<Row> enterTarget(std::span<const ControlRow> table, Row focused) const;
};

KeyboardRules keyboardRules(std::span<const ControlRow> table);

// The access key of a caption: the upper-case letter or digit after a single
// "&" ("&&" is a literal ampersand), or 0 when there is none.
char accessKey(std::string_view caption);

// Where an access key leads from the control at `current` in the Tab order
// (-1 when the focus is elsewhere): the next control in that order whose key
// matches. `unique` tells whether it is the only one, in which case it is
// pressed; otherwise the focus only moves to it, as dialogs do with a key
// that several controls share.
struct AccessKeyTarget {
    int position = -1;  // in the Tab order; -1: no control has this key
    bool unique = false;
};
AccessKeyTarget findAccessKey(std::span<const ControlRow> table, const std::vector<Row>& order, int current,
                              char key);

}  // namespace platform

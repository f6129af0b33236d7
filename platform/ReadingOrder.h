// The order in which a reader meets the controls, derived from the table's
// positions and followed by the window system's z-order: screen readers read
// a window in z-order and name a field from the label just before it. The
// Tab order is the keyboard rules' business and may differ.
#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "platform/ControlRow.h"

namespace platform {

namespace detail {

inline float bottom(const ControlRow& row) { return row.top + row.height; }

inline bool encloses(const ControlRow& outer, const ControlRow& inner) {
    const bool within = inner.left >= outer.left && inner.top >= outer.top &&
                        inner.left + inner.width <= outer.left + outer.width && bottom(inner) <= bottom(outer);
    const bool same = inner.left == outer.left && inner.top == outer.top && inner.width == outer.width &&
                      inner.height == outer.height;
    return within && !same;
}

inline void appendInReadingOrder(std::span<const ControlRow> table, Row container, std::vector<Row>& order) {
    std::vector<Row> children;
    for (Row at = 0; at < table.size(); ++at)
        if (table[at].container == container && table[at].kind != ControlKind::Timer) children.push_back(at);
    // Lines top to bottom: a control that starts above the lowest edge of
    // the line so far stands on it, and a line reads left to right, so a
    // label comes just before the field beside it.
    std::ranges::stable_sort(children, {}, [&](Row at) { return table[at].top; });
    for (auto line = children.begin(); line != children.end();) {
        float lineBottom = bottom(table[*line]);
        auto end = std::next(line);
        for (; end != children.end() && table[*end].top < lineBottom; ++end)
            lineBottom = std::max(lineBottom, bottom(table[*end]));
        std::stable_sort(line, end, [&](Row a, Row b) { return table[a].left < table[b].left; });
        line = end;
    }
    // A control that lies within a sibling lies above it, so that it is
    // drawn and read: the enclosing one follows the last it encloses.
    for (std::size_t i = 0; i < children.size();) {
        std::size_t last = i;
        for (std::size_t j = i + 1; j < children.size(); ++j)
            if (encloses(table[children[i]], table[children[j]])) last = j;
        if (last == i)
            ++i;
        else
            std::rotate(children.begin() + static_cast<std::ptrdiff_t>(i),
                        children.begin() + static_cast<std::ptrdiff_t>(i + 1),
                        children.begin() + static_cast<std::ptrdiff_t>(last + 1));
    }
    for (const Row at : children) {
        order.push_back(at);
        appendInReadingOrder(table, at, order);  // a container's controls right after it
    }
}

}  // namespace detail

// Every control but the timers, each container's children just after it.
inline std::vector<Row> readingOrder(std::span<const ControlRow> table) {
    std::vector<Row> order;
    detail::appendInReadingOrder(table, kWindow, order);
    return order;
}

}  // namespace platform

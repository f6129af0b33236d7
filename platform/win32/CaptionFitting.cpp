#include "platform/win32/CaptionFitting.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/win32/Dpi.h"
#include "platform/win32/Layout.h"
#include "platform/win32/Text.h"

namespace win32 {

using platform::ControlRow;
using platform::FontKind;

namespace {

// The pixels a caption has: the control's width less what the control draws
// beside the text, as drawn at 96 DPI and scaled.
std::optional<int> captionRoom(const ControlRow& row, UINT dpi, HDC dc) {
    const int width = twipsToPixels(row.width, dpi);
    switch (row.kind) {
    case platform::ControlKind::Label: return width - (row.border ? 2 * systemMetric(SM_CXBORDER, dpi) : 0);
    case platform::ControlKind::CheckBox: {
        // The 13-pixel box, then a gap of half a digit.
        SIZE digit{};
        GetTextExtentPoint32W(dc, L"0", 1, &digit);
        return width - scaleToDpi(13, dpi) - digit.cx / 2;
    }
    // The default button's frame, the edge and a margin, on each side.
    case platform::ControlKind::Button: return width - 2 * scaleToDpi(5, dpi);
    case platform::ControlKind::Frame: return width - 2 * scaleToDpi(kFrameCaptionIndent, dpi);
    default: return std::nullopt;
    }
}

// Whether the row's caption fits on one line, in the font selected into
// `dc`. Rows that show no caption fit: the tab sizes itself to its caption,
// the text box's text is a value, and a hidden label never shows.
bool captionFits(const ControlRow& row, UINT dpi, HDC dc) {
    const std::optional<int> room = captionRoom(row, dpi, dc);
    if (!room || !row.visible || row.text.empty()) return true;
    const std::wstring text = widen(row.text);
    RECT extent{};
    // Labels show "&" as it is; the other controls underline the access key.
    const UINT prefix = row.kind == platform::ControlKind::Label ? DT_NOPREFIX : 0;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, DT_CALCRECT | DT_SINGLELINE | prefix);
    return extent.right - extent.left <= *room;
}

}  // namespace

// The layout was drawn for a narrow face, and the face a system puts in
// place of it may be wider, or come in a size that rounds up.
FontHandle fittedFont(FontKind kind, std::span<const ControlRow> table, UINT dpi, HWND window) {
    const bool bold = kind == FontKind::BoldBlack;
    const int nominal = MulDiv(bold ? 825 : 800, static_cast<int>(dpi), 72 * 100);  // 8.25 or 8 points
    const WindowDc dc(window);
    const auto make = [&](const wchar_t* face, int height) {
        return FontHandle(CreateFontW(-height, 0, 0, 0, bold ? 700 : FW_NORMAL, FALSE, FALSE, FALSE,
                                      bold ? ANSI_CHARSET : DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
    };
    const wchar_t* face = bold ? L"MS Sans Serif" : L"MS Shell Dlg";
    FontHandle font = make(face, nominal);
    // "MS Sans Serif" is a bitmap face: asked for a size it lacks, it gives
    // the nearest smaller one, which at a high DPI is far too small; the
    // dialog face in bold then takes its place.
    if (bold && dc.get()) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(Selected(dc.get(), font.get()).dc(), &metrics);
        if ((metrics.tmHeight - metrics.tmInternalLeading) * 8 < nominal * 7) font = make(face = L"MS Shell Dlg", nominal);
    }
    for (int height = nominal;; font = make(face, --height)) {
        if (!dc.get() || height * 3 <= nominal * 2) return font;
        const Selected selected(dc.get(), font.get());
        const auto fits = [&](const ControlRow& row) { return row.font != kind || captionFits(row, dpi, dc.get()); };
        if (std::ranges::all_of(table, fits)) return font;
    }
}

}  // namespace win32

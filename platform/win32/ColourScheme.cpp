#include "platform/win32/ColourScheme.h"

#include <cmath>
#include <string>

#include "platform/win32/Dpi.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Layout.h"

namespace win32 {

bool schemeWins() {
    HIGHCONTRASTW contrast{sizeof contrast};
    if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON))
        return true;
    // Black on the face falls short of 4.5:1 (WCAG's contrast ratio for
    // text) below a relative luminance of 0.175.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const auto linear = [](BYTE channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double luminance =
        0.2126 * linear(GetRValue(face)) + 0.7152 * linear(GetGValue(face)) + 0.0722 * linear(GetBValue(face));
    return (luminance + 0.05) / 0.05 < 4.5;
}

HBRUSH blackTextColours(HDC dc, bool schemeWins) {
    SetTextColor(dc, schemeWins ? GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

namespace {

// A group box in the scheme's colours: an etched line, and the caption in
// the button text colour on the button face. The themed group box takes
// its caption's colour from the theme, whatever the scheme.
void drawFrame(HWND hwnd, HDC dc, UINT dpi) {
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const Selected font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT line = client;
    line.top += metrics.tmHeight / 2;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_RECT);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    const int indent = scaleToDpi(kFrameCaptionIndent, dpi);
    RECT caption{indent, 0, client.right - indent, metrics.tmHeight};
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, OPAQUE);
    const bool hideKeys = SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_SINGLELINE | (hideKeys ? DT_HIDEPREFIX : 0));
}

}  // namespace

bool paintFrame(HWND frame, UINT message, WPARAM wParam, UINT dpi, bool schemeWins, LRESULT& result) {
    if (message == WM_PRINTCLIENT && schemeWins) {
        drawFrame(frame, reinterpret_cast<HDC>(wParam), dpi);
        result = 0;
        return true;
    }
    if (message == WM_PAINT && schemeWins) {
        PAINTSTRUCT paint{};
        drawFrame(frame, BeginPaint(frame, &paint), dpi);
        EndPaint(frame, &paint);
        result = 0;
        return true;
    }
    if (message == WM_ERASEBKGND) {
        // A group box paints only its line and caption; as a container that
        // clips its children it must also fill what lies between them.
        RECT client{};
        GetClientRect(frame, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        result = 1;
        return true;
    }
    return false;
}

}  // namespace win32

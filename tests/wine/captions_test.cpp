// Every caption whole on one line at the prefix's DPI (PELLMORA_DPI, 96 when
// unset; ctest runs it at 96, 120, 144 and 192 and without Wine's own fonts),
// as the window made in this process draws it.
#include "platform/win32/Text.h"
#include "platform/win32/Win32Window.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

// The control drawn `width` pixels wide, cut to the columns in which the
// drawing differs from one without the caption: what shows of the caption.
std::vector<DWORD> captionShown(HWND control, int width, const std::wstring& caption) {
    RECT outer{}, client{};
    GetWindowRect(control, &outer);
    SetWindowPos(control, nullptr, 0, 0, width, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(control, &client);
    const auto draw = [&](const std::wstring& text) {
        SetWindowTextW(control, text.c_str());
        BITMAPINFO info{{sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB}};
        void* bits = nullptr;
        const win32::DcHandle dc(CreateCompatibleDC(nullptr));
        const win32::BitmapHandle bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        const win32::Selected selected(dc.get(), bitmap.get());
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT | PRF_ERASEBKGND);
        GdiFlush();
        return std::vector<DWORD>(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + client.right * client.bottom);
    };
    const std::vector<DWORD> with = draw(caption), without = draw(L"");
    const auto column = [&](std::size_t i) { return static_cast<LONG>(i % static_cast<std::size_t>(client.right)); };
    LONG first = client.right, last = -1;
    for (std::size_t i = 0; i < with.size(); ++i)
        if (with[i] != without[i]) first = std::min(first, column(i)), last = std::max(last, column(i));
    std::vector<DWORD> shown;
    for (std::size_t i = 0; i < with.size(); ++i)
        if (column(i) >= first && column(i) <= last) shown.push_back(with[i]);
    return shown;
}

TEST(Captions, EveryCaptionIsWholeOnOneLine) {
    win32::Win32Form form{GetModuleHandleW(nullptr), pellmora::kFormLayout};
    ASSERT_EQ(form.dpi(), prefixDpi()) << "the prefix is not at the DPI it was made for";
    const win32::WindowDc dc(form.hwnd());
    // The bold tag line is no smaller than the rest, whatever sizes its face comes in.
    const auto em = [&](platform::FontKind kind) {
        TEXTMETRICW m{};
        GetTextMetricsW(win32::Selected(dc.get(), form.font(kind)).dc(), &m);
        return m.tmHeight - m.tmInternalLeading;
    };
    EXPECT_GE(em(platform::FontKind::BoldBlack), em(platform::FontKind::Dialog));

    const auto table = pellmora::kFormLayout.controls;
    for (platform::Row at = 0; at < table.size(); ++at) {
        const platform::ControlRow& row = table[at];
        if (!row.visible || row.text.empty() || row.kind == platform::ControlKind::TextBox) continue;
        const HWND control = form.windowOf(at);
        const std::wstring caption = win32::widen(row.text);
        RECT outer{}, inner{}, text{};
        GetWindowRect(control, &outer);
        GetClientRect(control, &inner);
        EXPECT_TRUE(captionShown(control, outer.right - outer.left, caption) == captionShown(control, 4000, caption))
            << row.name << " is cut, wraps or runs into the edge";
        if (row.kind != platform::ControlKind::Label) continue;
        // A label wraps by the font's measure, which some faces draw narrower.
        const win32::Selected font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
        DrawTextW(dc.get(), caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        EXPECT_LE(text.right, inner.right) << row.name;
    }
}

}  // namespace
}  // namespace wine

// Every caption whole on one line at the prefix's DPI (PELLMORA_DPI, 96 when
// unset; ctest runs it at 96, 120, 144 and 192 and without Wine's own fonts),
// as the window made in this process draws it.
#include <cstdio>
#include <cstdlib>
#include <map>

#include "platform/win32/Text.h"
#include "platform/win32/Win32Window.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

constexpr int kAmpleWidth = 4000;

// The control's drawing at `width` pixels, cut to the columns in which it
// differs from its drawing without the caption: what shows of the caption.
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
        const auto* pixels = static_cast<const DWORD*>(bits);
        return std::vector<DWORD>(pixels, pixels + client.right * client.bottom);
    };
    const std::vector<DWORD> with = draw(caption), without = draw(L"");
    const auto at = [&](int x, int y) { return static_cast<std::size_t>(y * client.right + x); };
    int first = client.right, last = -1;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            if (with[at(x, y)] != without[at(x, y)]) first = std::min(first, x), last = std::max(last, x);
    std::vector<DWORD> shown;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = first; x <= last; ++x) shown.push_back(with[at(x, y)]);
    return shown;
}

// The narrowest width at which the caption shows as it does with room to
// spare: any narrower, and it is cut, wraps or runs into the control's edge.
int widthNeeded(HWND control, const std::wstring& caption) {
    const std::vector<DWORD> whole = captionShown(control, kAmpleWidth, caption);
    int low = 1, high = kAmpleWidth;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (captionShown(control, middle, caption) == whole)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

TEST(Captions, EveryCaptionIsWholeOnOneLineAndTheWindowScales) {
    const char* const dpiSetting = std::getenv("PELLMORA_DPI");
    const UINT dpi = dpiSetting ? static_cast<UINT>(std::atoi(dpiSetting)) : 96;
    win32::Win32Form form{GetModuleHandleW(nullptr), pellmora::kFormSpec};
    ASSERT_EQ(form.dpi(), dpi) << "the prefix is not at the DPI it was made for";
    const std::map<UINT, std::pair<LONG, LONG>> clients{{96, {309, 311}}, {120, {386, 389}}, {144, {464, 467}},
                                                        {192, {618, 622}}};
    RECT client{};
    GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), clients.at(dpi));

    // Wine's own fonts are in effect, unless this prefix is the one without them.
    const win32::DcHandle dc(CreateCompatibleDC(nullptr));
    const win32::Selected selected(dc.get(), form.font(platform::FontKind::Dialog));
    std::vector<char> metrics(GetOutlineTextMetricsW(dc.get(), 0, nullptr));
    auto& outline = *reinterpret_cast<OUTLINETEXTMETRICW*>(metrics.data());
    GetOutlineTextMetricsW(dc.get(), static_cast<UINT>(metrics.size()), &outline);
    const std::wstring family = reinterpret_cast<const wchar_t*>(metrics.data() + reinterpret_cast<std::size_t>(outline.otmpFamilyName));
    const char* const fonts = std::getenv("PELLMORA_WINE_FONTS");
    EXPECT_EQ(family == L"Tahoma", !fonts || std::string_view(fonts) != "none") << family;

    const auto table = pellmora::kFormSpec.controls;
    for (platform::Row at = 0; at < table.size(); ++at) {
        const platform::ControlSpec& row = table[at];
        if (!row.visible || row.text.empty() || row.kind == platform::ControlKind::TextBox) continue;
        const HWND control = form.windowOf(at);
        const std::wstring caption = win32::widen(row.text);
        RECT outer{}, inner{};
        GetWindowRect(control, &outer);
        GetClientRect(control, &inner);
        int needed = widthNeeded(control, caption);
        if (row.kind == platform::ControlKind::Label) {
            // A label has its client area and no more, by the font's own measure too, which its wrapping follows.
            const win32::WindowDc labelDc(control);
            const win32::Selected labelFont(labelDc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
            RECT text{};
            DrawTextW(labelDc.get(), caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
            needed = std::max(needed, static_cast<int>(text.right + (outer.right - outer.left) - inner.right));
        }
        std::printf("%ls %3u dpi  %-16s needs %4d of %4ld px\n", family.c_str(), dpi, std::string(row.name).c_str(),
                    needed, outer.right - outer.left);
        EXPECT_LE(needed, outer.right - outer.left) << row.name;
    }
}

}  // namespace
}  // namespace wine

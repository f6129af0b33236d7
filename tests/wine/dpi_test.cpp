// The window as each Windows version lays it out, through the table of what
// the system offers filled as that version would fill it, at the prefix's
// DPI (PELLMORA_DPI: ctest runs these at 96, 120, 144 and 192); and a change
// of DPI while the window runs, as a move to another monitor brings about.
#include <map>

#include "platform/win32/Dpi.h"
#include "platform/win32/SystemCalls.h"
#include "platform/win32/Win32Window.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

using Geometry = std::map<std::string, std::vector<LONG>>;

// What a user sees of the window's geometry: the frame, the client area,
// each control's place in its container with its font's height, the icons.
Geometry geometryOf(const win32::Win32Form& form) {
    RECT outer{}, client{};
    GetWindowRect(form.hwnd(), &outer);
    GetClientRect(form.hwnd(), &client);
    Geometry g{{"frame", {outer.right - outer.left - client.right, outer.bottom - outer.top - client.bottom}},
               {"client", {client.right, client.bottom}}};
    // The frame the layer works out for it, which sized the window.
    win32::adjustWindowRect(client, static_cast<DWORD>(GetWindowLongW(form.hwnd(), GWL_STYLE)),
                            static_cast<DWORD>(GetWindowLongW(form.hwnd(), GWL_EXSTYLE)), form.dpi());
    g["frame worked out"] = {client.right - client.left - g["client"][0], client.bottom - client.top - g["client"][1]};
    for (platform::Row at = 0; at < pellmora::kFormLayout.controls.size(); ++at)
        if (const HWND control = form.windowOf(at)) {
            RECT r{};
            GetWindowRect(control, &r);
            MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
            g[std::string(pellmora::kFormLayout.controls[at].name)] = {r.left, r.top, r.right, r.bottom, font.lfHeight};
        }
    for (const WPARAM kind : {ICON_SMALL, ICON_BIG}) {
        ICONINFO info{};
        BITMAP bitmap{};
        if (GetIconInfo(reinterpret_cast<HICON>(SendMessageW(form.hwnd(), WM_GETICON, kind, 0)), &info)) {
            const win32::BitmapHandle colour(info.hbmColor), mask(info.hbmMask);
            GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        }
        g["icons"].push_back(bitmap.bmWidth);
    }
    return g;
}

// What the fakes below answer: a window's or a monitor's DPI.
UINT fakeDpi = USER_DEFAULT_SCREEN_DPI;
UINT WINAPI dpiForWindow(HWND) { return fakeDpi; }
HRESULT WINAPI dpiForMonitor(HMONITOR, int, UINT* x, UINT* y) { return *x = *y = fakeDpi, S_OK; }
// Wine draws every frame at the prefix's DPI, whatever DPI a window is at;
// the frame Windows works out at a DPI is the one it draws there.
BOOL WINAPI frameAsDrawn(RECT* r, DWORD style, BOOL menu, DWORD exStyle, UINT) {
    return AdjustWindowRectEx(r, style, menu, exStyle);
}

enum class Windows { v7, v8_1, v10 };

// The table as `version` fills it. Only Windows 10 1607 and later have the
// DPI calls of user32, and only 8.1 to 10 1511 need shcore's monitor DPI.
win32::SystemCalls as(Windows version, bool fakeWindowDpi = false) {
    win32::SystemCalls calls = win32::findSystemCalls();
    if (version == Windows::v10) {
        if (fakeWindowDpi) calls.getDpiForWindow = dpiForWindow, calls.adjustWindowRectExForDpi = frameAsDrawn;
        return calls;
    }
    calls.getDpiForWindow = nullptr;
    calls.getDpiForSystem = nullptr;
    calls.adjustWindowRectExForDpi = nullptr;
    calls.getSystemMetricsForDpi = nullptr;
    calls.getDpiForMonitor = version == Windows::v8_1 ? dpiForMonitor : nullptr;
    return calls;
}

// The window made while the table is `calls`, which stays for its life.
struct MadeAs {
    explicit MadeAs(const win32::SystemCalls& calls) : saved(std::exchange(win32::systemCalls(), calls)) {}
    ~MadeAs() { win32::systemCalls() = saved; }
    win32::SystemCalls saved;
    win32::Win32Form form{GetModuleHandleW(nullptr), pellmora::kFormLayout};
};

Geometry geometryAs(const win32::SystemCalls& calls) { return geometryOf(MadeAs(calls).form); }

// The window follows the table at the DPI: its client area and each
// control's place in its container, in pixels. Where the monitor's DPI is
// the system's, Windows 7 (the system DPI from the screen), 8.1 (the
// monitor's DPI) and 10 (the window's own) give the same window, with icons
// of the sizes the shell asks for at that DPI. On 8.1 a monitor at another
// DPI than the system's sets the layout, its fonts and icons; the frame
// stays the system's.
TEST(Dpi, EveryWindowsVersionLaysTheWindowOutAlike) {
    const UINT dpi = prefixDpi();
    ASSERT_EQ(win32::systemDpi(), dpi) << "the prefix is not at the DPI it was made for";
    const MadeAs made(as(Windows::v10));
    const Geometry reference = geometryOf(made.form);
    const auto px = [&](float twips) { return LONG(win32::twipsToPixels(twips, dpi)); };
    const platform::FormLayout& layout = pellmora::kFormLayout;
    EXPECT_EQ(reference.at("client"), (std::vector<LONG>{px(layout.clientWidth), px(layout.clientHeight)}));
    for (platform::Row at = 0; at < layout.controls.size(); ++at) {
        const platform::ControlRow& row = layout.controls[at];
        if (row.kind == platform::ControlKind::Timer) continue;
        const HWND parent = row.container == platform::kWindow ? made.form.hwnd() : made.form.windowOf(row.container);
        EXPECT_EQ(GetParent(made.form.windowOf(at)), parent) << row.name;
        const std::vector<LONG>& place = reference.at(std::string(row.name));
        const LONG left = px(row.left), top = px(row.top);
        EXPECT_EQ(std::vector(place.begin(), place.begin() + 4),
                  (std::vector<LONG>{left, top, left + px(row.width), top + px(row.height)}))
            << row.name;
    }
    EXPECT_EQ(reference.at("frame worked out"), reference.at("frame")) << "the window was not made right at once";
    EXPECT_EQ(reference.at("icons"), (std::vector<LONG>{MulDiv(16, int(dpi), 96), MulDiv(32, int(dpi), 96)}));
    for (const Windows version : {Windows::v7, Windows::v8_1}) {
        SCOPED_TRACE(version == Windows::v7 ? "Windows 7" : "Windows 8.1");
        fakeDpi = dpi;
        EXPECT_EQ(geometryAs(as(version)), reference);
    }
    fakeDpi = dpi == 144 ? 96 : 144;
    Geometry onWindows81 = geometryAs(as(Windows::v8_1)), onWindows10 = geometryAs(as(Windows::v10, true));
    EXPECT_EQ(onWindows81.at("frame worked out"), reference.at("frame"));
    for (Geometry* g : {&onWindows81, &onWindows10}) g->erase("frame"), g->erase("frame worked out");
    EXPECT_EQ(onWindows81, onWindows10);
    EXPECT_NE(onWindows81.at("client"), reference.at("client"));
}

// A change of DPI as each system makes it: Windows 10 asks the window's
// size at the new DPI (WM_GETDPISCALEDSIZE) and suggests a rectangle of that
// size, 8.1 suggests the old rectangle scaled. Either way the window ends
// as one made at the new DPI, there and back, at the place suggested (on 10
// exactly at the rectangle) and in one move; a scroll in progress keeps its
// place in twips.
TEST(Dpi, AChangeOfDpiWhileRunningGivesTheWindowMadeAtTheNewDpi) {
    for (const Windows version : {Windows::v10, Windows::v8_1}) {
        SCOPED_TRACE(version == Windows::v10 ? "Windows 10" : "Windows 8.1");
        fakeDpi = 144;
        std::map<UINT, Geometry> madeAt{{144u, geometryAs(as(version, true))}};
        fakeDpi = 96;
        const MadeAs made(as(version, true));
        madeAt[96] = geometryOf(made.form);
        auto& notice = made.form.get<platform::Label>(pellmora::row(ControlId::Label2));
        notice.setLeft(-1234.5f);
        int moves = 0;
        SetWindowSubclass(made.form.hwnd(), [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR moves) CALLBACK {
            if (m == WM_WINDOWPOSCHANGING) ++*reinterpret_cast<int*>(moves);
            return DefSubclassProc(w, m, wp, lp);
        }, 1, reinterpret_cast<DWORD_PTR>(&moves));
        for (const UINT dpi : {144u, 96u}) {
            SCOPED_TRACE(dpi);
            RECT outer{};
            GetWindowRect(made.form.hwnd(), &outer);
            const auto scaled = [&](LONG pixels) { return MulDiv(pixels, int(dpi), int(made.form.dpi())); };
            SIZE size{scaled(outer.right - outer.left), scaled(outer.bottom - outer.top)};  // as the system proposes it
            EXPECT_TRUE(version != Windows::v10 ||  // only 10 asks
                        SendMessageW(made.form.hwnd(), win32::kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size)));
            const RECT suggested{37, 41, 37 + size.cx, 41 + size.cy};
            fakeDpi = dpi;
            moves = 0;
            SendMessageW(made.form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
            EXPECT_EQ(moves, 1);
            EXPECT_EQ(made.form.dpi(), dpi);
            Geometry expected = madeAt.at(dpi);
            auto& moved = expected.at("Label2");  // the notice, where the scroll had taken it
            moved[2] += win32::twipsToPixels(-1234.5f, dpi) - moved[0];
            moved[0] = win32::twipsToPixels(-1234.5f, dpi);
            EXPECT_EQ(geometryOf(made.form), expected);
            EXPECT_EQ(notice.left(), -1234.5f);
            GetWindowRect(made.form.hwnd(), &outer);
            EXPECT_EQ(std::pair(outer.left, outer.top), std::pair(suggested.left, suggested.top));
            EXPECT_TRUE(version != Windows::v10 || EqualRect(&outer, &suggested));
        }
    }
}

}  // namespace
}  // namespace wine

// The main window and its controls as the window system shows them, at 96 DPI
// (15 twips a pixel), against the control table itself.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "Harness.h"
#include "window/ControlTable.h"

namespace {

using harness::PellmoraRun;
using harness::widen;
using platform::ControlId;
using platform::ControlKind;

constexpr int kTwipsPerPixel = 15;

int pixels(float twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

int screenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi;
}

// Start-up's centring, in twips: each size rounded half to even to a 32-bit
// integer, halved with truncation, the window's half taken from the screen's.
long centredEdge(int screenPixels, int outerPixels) {
    const auto screen = static_cast<std::int32_t>(std::nearbyint(static_cast<float>(screenPixels * kTwipsPerPixel)));
    const auto outer = static_cast<std::int32_t>(std::nearbyint(static_cast<float>(outerPixels * kTwipsPerPixel)));
    return screen / 2 - outer / 2;
}

LONG style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }
LONG exStyle(HWND hwnd) { return GetWindowLongW(hwnd, GWL_EXSTYLE); }

bool hasThinBorder(HWND hwnd) {
    return (style(hwnd) & (WS_BORDER | SS_SUNKEN)) != 0 ||
           (exStyle(hwnd) & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE)) != 0;
}

struct Started {
    PellmoraRun run;
    HWND window = nullptr;
    Started() {
        if (run.start()) window = run.waitForWindow();
    }
};

TEST(Window, TitleFrameAndClientSizeAt96Dpi) {
    ASSERT_EQ(screenDpi(), 96) << "the pixel sizes below hold at 96 DPI";
    Started s;
    ASSERT_NE(s.window, nullptr) << "no visible PellmoraMain window";

    EXPECT_EQ(harness::windowText(s.window), widen(pellmora::kFormSpec.title));
    EXPECT_EQ(GetParent(s.window), nullptr);
    const LONG st = style(s.window);
    EXPECT_EQ(st & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(st & WS_SYSMENU, 0);
    EXPECT_EQ(st & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(st & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(st & WS_THICKFRAME, 0) << "the user must not be able to resize the window";
    EXPECT_EQ(st & WS_CHILD, 0);

    RECT client{};
    GetClientRect(s.window, &client);
    EXPECT_EQ(client.right - client.left, 309);
    EXPECT_EQ(client.bottom - client.top, 311);
    EXPECT_EQ(client.right, pixels(pellmora::kFormSpec.clientWidth));
    EXPECT_EQ(client.bottom, pixels(pellmora::kFormSpec.clientHeight));
}

TEST(Window, CentredOnTheScreenByItsOuterSize) {
    Started s;
    ASSERT_NE(s.window, nullptr);
    RECT outer{};
    GetWindowRect(s.window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    const long left = centredEdge(GetSystemMetrics(SM_CXSCREEN), width);
    const long top = centredEdge(GetSystemMetrics(SM_CYSCREEN), height);
    // The edge is set in twips; drawing puts it on a whole pixel.
    EXPECT_LT(std::labs(outer.left * kTwipsPerPixel - left), kTwipsPerPixel)
        << "left " << outer.left << " px, expected " << left << " twips";
    EXPECT_LT(std::labs(outer.top * kTwipsPerPixel - top), kTwipsPerPixel)
        << "top " << outer.top << " px, expected " << top << " twips";
}

// Class, styles, caption, visibility and place of every control of the table.
TEST(Window, EveryControlAsTheControlTableGivesIt) {
    Started s;
    ASSERT_NE(s.window, nullptr);

    for (const auto& row : pellmora::controlTable()) {
        if (row.kind == ControlKind::Timer) continue;
        SCOPED_TRACE(std::string(row.name));
        const HWND hwnd = s.run.control(row.id);
        ASSERT_NE(hwnd, nullptr) << "no child with control ID " << 100 + platform::index(row.id);
        const HWND parent = row.container == ControlId::None ? s.window : s.run.control(row.container);
        EXPECT_EQ(GetParent(hwnd), parent);
        EXPECT_TRUE(IsWindowEnabled(hwnd));
        EXPECT_EQ(IsWindowVisible(hwnd) != FALSE, row.visible);

        const LONG st = style(hwnd);
        const std::wstring cls = harness::className(hwnd);
        switch (row.kind) {
        case ControlKind::Button:
            EXPECT_EQ(cls, L"Button");
            EXPECT_EQ(st & BS_TYPEMASK, row.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case ControlKind::CheckBox:
            EXPECT_EQ(cls, L"Button");
            // Not BS_AUTO3STATE: a click ticks or clears, it never greys.
            EXPECT_EQ(st & BS_TYPEMASK, BS_3STATE);
            break;
        case ControlKind::Frame:
            EXPECT_EQ(cls, L"Button");
            EXPECT_EQ(st & BS_TYPEMASK, BS_GROUPBOX);
            break;
        case ControlKind::TextBox:
            EXPECT_EQ(cls, L"Edit");
            EXPECT_EQ(st & ES_MULTILINE, 0);
            break;
        case ControlKind::Label: {
            EXPECT_EQ(cls, L"Static");
            const LONG type = st & SS_TYPEMASK;
            if (row.align == platform::Align::Left)
                EXPECT_TRUE(type == SS_LEFT || type == SS_LEFTNOWORDWRAP) << "type " << type;
            else
                EXPECT_EQ(type, row.align == platform::Align::Center ? SS_CENTER : SS_RIGHT);
            EXPECT_EQ(hasThinBorder(hwnd), row.border);
            break;
        }
        case ControlKind::Panel:
            EXPECT_EQ(cls, L"PellmoraPanel");
            EXPECT_FALSE(hasThinBorder(hwnd));
            break;
        case ControlKind::TabStrip:
            EXPECT_EQ(cls, L"SysTabControl32");
            break;
        case ControlKind::ProgressBar:
            EXPECT_EQ(cls, L"msctls_progress32");
            break;
        case ControlKind::Timer:
            break;
        }

        // Captions as created. The path field's text comes from the options
        // file; the options tests look at it.
        const bool hasCaption = row.kind == ControlKind::Button || row.kind == ControlKind::CheckBox ||
                                row.kind == ControlKind::Frame || row.kind == ControlKind::Label;
        if (hasCaption) {
            EXPECT_EQ(harness::narrow(harness::windowText(hwnd)), row.text);
        }

        const RECT r = harness::rectInParent(hwnd);
        EXPECT_EQ(r.top, pixels(row.top));
        EXPECT_EQ(r.right - r.left, pixels(row.width));
        EXPECT_EQ(r.bottom - r.top, pixels(row.height));
        if (row.id == ControlId::Label2) {
            // The notice scrolls left, 4 twips a tick of 250 ms.
            const auto ticks = static_cast<long>((GetTickCount64() - s.run.startedAt()) / 250 + 1);
            EXPECT_LE(r.left, pixels(row.left));
            EXPECT_GE(r.left, pixels(row.left) - (ticks * 4) / kTwipsPerPixel - 1);
        } else {
            EXPECT_EQ(r.left, pixels(row.left));
        }
    }
}

TEST(Window, TabStripProgressBarAndPanelSettings) {
    Started s;
    ASSERT_NE(s.window, nullptr);

    const HWND tab = s.run.control(ControlId::TabStrip1);
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(harness::tabCaption(s.run.process(), tab, 0).value_or(L"<unreadable>"),
              widen(pellmora::kFormSpec.tabCaption));

    const HWND bar = s.run.control(ControlId::pbStatus);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);

    // The panel lies above the tab strip, on its page, not beneath it.
    const HWND panel = s.run.control(ControlId::Picture1);
    ASSERT_NE(panel, nullptr);
    bool tabBelowPanel = false;
    for (HWND w = GetWindow(panel, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
        if (w == tab) tabBelowPanel = true;
    EXPECT_TRUE(tabBelowPanel) << "TabStrip1 is drawn over Picture1";
}

}  // namespace

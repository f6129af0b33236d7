// Pellmora.ini beside the real executable: the rebuilt default file, the
// options shown at start-up, and the message box of a file it cannot read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "Harness.h"

namespace {

using harness::PellmoraRun;
using harness::widen;
using platform::ControlId;

constexpr std::string_view kDefaultFile =
    "\"[GENERAL]\"\r\n\"C:\\Program Files\\Juno\\\"\r\n0\r\n1\r\n1\r\n1\r\n";

constexpr std::string_view kReadError =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

struct Shown {
    std::wstring path;
    int autoRun, deleteAds, runJuno, closePellmora;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& s, std::ostream* os) {
    *os << "path \"" << harness::narrow(s.path) << "\", boxes " << s.autoRun << s.deleteAds << s.runJuno
        << s.closePellmora;
}

Shown shown(const PellmoraRun& run) {
    auto check = [&](ControlId id) { return static_cast<int>(SendMessageW(run.control(id), BM_GETCHECK, 0, 0)); };
    return {harness::windowText(run.control(ControlId::txtJunoPath)), check(ControlId::chkAutoRun),
            check(ControlId::chkDeleteAds), check(ControlId::chkRunJuno), check(ControlId::chkClosePellmora)};
}

bool anyDialogOpen(const PellmoraRun& run) {
    for (HWND w : harness::topLevelWindows(run.processId(), L"#32770"))
        if (IsWindowVisible(w)) return true;
    return false;
}

// The defaults reach the window only at the next start; the close box ends
// the program without saving.
TEST(OptionsFile, FirstStartWritesTheDefaultFileWhichTheNextStartShows) {
    PellmoraRun run;
    ASSERT_FALSE(run.iniBytes().has_value());
    ASSERT_TRUE(run.start());
    ASSERT_NE(run.waitForWindow(), nullptr);
    EXPECT_FALSE(anyDialogOpen(run)) << "a missing file is rebuilt silently";
    EXPECT_EQ(run.iniBytes().value_or("<missing>"), kDefaultFile);
    EXPECT_EQ(shown(run), (Shown{L"", BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED}));

    PostMessageW(run.window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(run.waitForExit(5000)) << "the close box does not end the program";
    EXPECT_EQ(run.iniBytes().value_or("<missing>"), kDefaultFile);

    ASSERT_TRUE(run.start());
    ASSERT_NE(run.waitForWindow(), nullptr);
    EXPECT_EQ(shown(run),
              (Shown{L"C:\\Program Files\\Juno\\", BST_UNCHECKED, BST_CHECKED, BST_CHECKED, BST_CHECKED}));
    EXPECT_EQ(run.iniBytes().value_or("<missing>"), kDefaultFile);
}

// 2 shows grey and keeps auto-run off; 200 shows grey as well. A readable
// file is left as it was.
TEST(OptionsFile, StartShowsTheOptionsOfAWrittenFile) {
    const std::string file = "\"[GENERAL]\"\r\n\"E:\\Mail Programs\\Juno, old\\\"\r\n2\r\n0\r\n1\r\n200\r\n";
    PellmoraRun run(file);
    ASSERT_TRUE(run.start());
    ASSERT_NE(run.waitForWindow(), nullptr);
    EXPECT_FALSE(anyDialogOpen(run));
    EXPECT_EQ(shown(run), (Shown{L"E:\\Mail Programs\\Juno, old\\", BST_INDETERMINATE, BST_UNCHECKED, BST_CHECKED,
                                 BST_INDETERMINATE}));
    EXPECT_EQ(harness::windowText(run.control(ControlId::labStatus)), L"") << "auto-run ran for a value of 2";
    EXPECT_EQ(run.iniBytes().value_or("<missing>"), file);
}

// --- The message box -----------------------------------------------------------

struct Pixels {
    int size = 0;
    std::vector<COLORREF> rgb;
};

// Reads the pixels of a square drawn into a memory DC by `draw`.
template <class Draw>
Pixels pixelsOf(int size, Draw draw) {
    Pixels p{size, std::vector<COLORREF>(static_cast<std::size_t>(size * size))};
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc, screen);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) p.rgb[static_cast<std::size_t>(y * size + x)] = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return p;
}

// A square of the screen, as drawn now.
Pixels captureScreen(POINT origin, int size) {
    return pixelsOf(size,
                    [&](HDC dc, HDC screen) { BitBlt(dc, 0, 0, size, size, screen, origin.x, origin.y, SRCCOPY); });
}

// One of the system's icons drawn on `background`.
Pixels renderIcon(LPCWSTR icon, COLORREF background, int size) {
    return pixelsOf(size, [&](HDC dc, HDC) {
        HBRUSH brush = CreateSolidBrush(background);
        const RECT all{0, 0, size, size};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        DrawIconEx(dc, 0, 0, LoadIconW(nullptr, icon), size, size, 0, nullptr, DI_NORMAL);
    });
}

double likeness(const Pixels& a, const Pixels& b) {
    int same = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        const auto close = [&](int shift) {
            const int x = static_cast<int>((a.rgb[i] >> shift) & 0xFF);
            const int y = static_cast<int>((b.rgb[i] >> shift) & 0xFF);
            return std::abs(x - y) <= 24;
        };
        if (close(0) && close(8) && close(16)) ++same;
    }
    return static_cast<double>(same) / static_cast<double>(a.rgb.size());
}

// Text, title, icon and the one OK button; then the file is rebuilt and the
// items read before the bad one are shown.
TEST(OptionsFile, OptionOf256IsReportedOnceAndTheFileRebuilt) {
    PellmoraRun run("\"[GENERAL]\"\r\n\"F:\\Juno\"\r\n0\r\n256\r\n1\r\n1\r\n");
    ASSERT_TRUE(run.start());
    const HWND box = run.waitForDialog(10000);
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(harness::windowText(box), L"Pellmora");

    HWND text = nullptr, icon = nullptr;
    for (HWND s : harness::descendants(box, L"Static")) {
        if ((GetWindowLongW(s, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = s;
        else if (!harness::windowText(s).empty())
            text = s;
    }
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(harness::windowText(text), widen(kReadError));
    ASSERT_NE(icon, nullptr) << "no icon";
    EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0);

    // Which icon: compare what is drawn with each of the system's own, once
    // one of them has been drawn at all.
    RECT iconRect{};
    GetWindowRect(icon, &iconRect);
    const int size = GetSystemMetrics(SM_CXICON);
    HDC screen = GetDC(nullptr);
    const COLORREF background = GetPixel(screen, iconRect.left - 2, iconRect.top - 2);
    ReleaseDC(nullptr, screen);
    const LPCWSTR kinds[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};
    double like[4] = {};
    harness::waitFor(
        [&] {
            const Pixels drawn = captureScreen({iconRect.left, iconRect.top}, size);
            for (int k = 0; k < 4; ++k) like[k] = likeness(drawn, renderIcon(kinds[k], background, size));
            return *std::max_element(like, like + 4) > 0.9;
        },
        2000);
    EXPECT_GT(like[0], 0.9) << "not the exclamation icon";
    for (int k = 1; k < 4; ++k) EXPECT_GT(like[0], like[k]);

    const auto buttons = harness::descendants(box, L"Button");
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(GetDlgCtrlID(buttons[0]), IDOK);

    EXPECT_EQ(run.iniBytes().value_or("<missing>"), "\"[GENERAL]\"\r\n\"F:\\Juno\"\r\n0\r\n256\r\n1\r\n1\r\n")
        << "rebuilt before the message was closed";
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(buttons[0]));

    ASSERT_NE(run.waitForWindow(), nullptr);
    EXPECT_FALSE(anyDialogOpen(run)) << "the message is shown once";
    EXPECT_EQ(run.iniBytes().value_or("<missing>"), kDefaultFile);
    EXPECT_EQ(shown(run), (Shown{L"F:\\Juno", BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED}));
}

}  // namespace

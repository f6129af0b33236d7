// Pellmora.ini beside the real executable: the rebuilt default file, the
// options shown at start-up, and the message box of a file it cannot read.
#include "Harness.h"

namespace harness {

constexpr std::string_view kDefaultFile = "\"[GENERAL]\"\r\n\"C:\\Program Files\\Juno\\\"\r\n0\r\n1\r\n1\r\n1\r\n";

// The path field, then the boxes auto-run, delete ads, run Juno, close Pellmora.
std::wstring shown(const PellmoraRun& run) {
    std::wstring out = windowText(run.control(ControlId::txtJunoPath)) + L"|";
    for (auto id : {ControlId::chkAutoRun, ControlId::chkDeleteAds, ControlId::chkRunJuno, ControlId::chkClosePellmora})
        out += std::to_wstring(SendMessageW(run.control(id), BM_GETCHECK, 0, 0));
    return out;
}

// The defaults reach the window only at the next start.
TEST(OptionsFile, FirstStartWritesTheDefaultsAndTheNextStartShowsTheFile) {
    PellmoraRun run;
    const HWND first = run.start();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(run.ini(), kDefaultFile);
    EXPECT_EQ(shown(run), L"|0000");
    PostMessageW(first, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box: ends, does not save
    ASSERT_TRUE(run.waitForExit(5000));
    ASSERT_NE(run.start(), nullptr);
    EXPECT_EQ(shown(run), L"C:\\Program Files\\Juno\\|0111");
}

// Share of the pixels of the icon on screen that stay as they are when the
// system's exclamation icon is drawn over them: most (not the half-clear edge).
double likenessToExclamation(HWND icon) {
    RECT r{};
    GetWindowRect(icon, &r);
    const int n = GetSystemMetrics(SM_CXICON);
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 2 * n, n);
    SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, n, n, screen, r.left, r.top, SRCCOPY);
    BitBlt(dc, n, 0, n, n, screen, r.left, r.top, SRCCOPY);
    DrawIconEx(dc, n, 0, LoadIconW(nullptr, IDI_EXCLAMATION), n, n, 0, nullptr, DI_NORMAL);
    int same = 0;
    for (int i = 0; i < n * n; ++i) same += GetPixel(dc, i % n, i / n) == GetPixel(dc, n + i % n, i / n);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return static_cast<double>(same) / (n * n);
}

// On OK the file is rebuilt and the
// items read before the bad one are shown.
TEST(OptionsFile, OptionOf256IsReportedAndTheFileRebuilt) {
    const std::string_view file = "\"[GENERAL]\"\r\n\"F:\\Juno\"\r\n0\r\n256\r\n1\r\n1\r\n";
    PellmoraRun run(file);
    run.start(false);
    ASSERT_TRUE(waitFor([&] { return run.dialog() != nullptr; }, 10000)) << "no message box";
    const HWND box = run.dialog();
    EXPECT_EQ(windowText(box), L"Pellmora");
    HWND text = nullptr, icon = nullptr;
    for (HWND c = nullptr; (c = FindWindowExW(box, c, L"Static", nullptr)) != nullptr;)
        ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON ? icon : text) = c;
    ASSERT_TRUE(text && icon);
    EXPECT_EQ(windowText(text), L"An Unexpected error has occured while trying to read Pellmora.ini. "
                                         L"Pellmora will try to rebuild this file.");
    EXPECT_TRUE(waitFor([&] { return likenessToExclamation(icon) > 0.75; }, 2000)) << "not the exclamation";
    EXPECT_EQ(run.ini(), file) << "rebuilt before the message was closed";

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(run.waitForWindow(), nullptr);
    EXPECT_EQ(run.ini(), kDefaultFile);
    EXPECT_EQ(shown(run), L"F:\\Juno|0000");
}

}  // namespace harness

// "Run Juno Now" on real folders: the stand-in client is started by its full
// path, and a missing client is reported in the program's message box.
#include "Harness.h"

namespace cleanup {
namespace {

TEST(RunJunoOnDisk, StartsTheClientByItsFullPathFromAFolderWithBlanks) {
    const std::wstring install = scratch + L"\\Juno Install With Blanks", exe = install + L"\\BIN\\Juno.exe";
    // Where a command line split at its first blank would look first: a
    // client here must not be the one that starts.
    const std::wstring decoy = scratch + L"\\Juno.exe";
    ASSERT_TRUE(makeFolder(install) && makeFolder(install + L"\\BIN"));
    ASSERT_TRUE(CopyFileW(junoExe.c_str(), exe.c_str(), TRUE) && CopyFileW(junoExe.c_str(), decoy.c_str(), TRUE));
    Pellmora pellmora(install + L"\\");
    ASSERT_TRUE(pellmora.window);
    pellmora.click(kBtnRunJuno);
    // The stand-in appends its command line to started.txt beside it.
    std::wstring started;
    ASSERT_TRUE(poll([&] {
        std::ifstream file(std::filesystem::path(install + L"\\BIN\\started.txt"), std::ios::binary);
        return (started = std::wstring(std::istreambuf_iterator<char>(file), {})).ends_with(L"\n");
    }, 15000));
    EXPECT_EQ(started, L"\"" + exe + L"\"\r\n") << "the exe, quoted";
    EXPECT_TRUE(poll([&] { return pellmora.status() == L"Run Juno Successful."; }, 5000)) << pellmora.status();
    EXPECT_FALSE(exists(scratch + L"\\started.txt")) << "the decoy at the first blank was started";
    EXPECT_EQ(windowOf(pellmora.process.dwProcessId, L"#32770"), nullptr) << "a message box opened";
    HWND client = nullptr;
    EXPECT_TRUE(poll([&] { return (client = FindWindowW(L"JunoStandIn", nullptr)) != nullptr; }, 15000));
    PostMessageW(client, WM_CLOSE, 0, 0);
}

// The share of the screen's pixels at `r` that `icon` drawn there shows too,
// drawn on the colour of the top left corner, where every icon is clear.
double iconMatch(const RECT& r, LPCWSTR icon) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    SelectObject(dc, bitmap);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, GetPixel(screen, r.left, r.top));
    PatBlt(dc, 0, 0, w, h, PATCOPY);
    DrawIconEx(dc, 0, 0, LoadIconW(nullptr, icon), w, h, 0, nullptr, DI_NORMAL);
    int same = 0;
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) same += GetPixel(dc, x, y) == GetPixel(screen, r.left + x, r.top + y);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    return w * h == 0 ? 0.0 : static_cast<double>(same) / (w * h);
}

TEST(RunJunoOnDisk, SaysWhereTheClientWasLookedForWhenItIsMissing) {
    const std::wstring install = scratch + L"\\No Client Here";
    ASSERT_TRUE(makeFolder(install));
    Pellmora pellmora(install + L"\\");
    ASSERT_TRUE(pellmora.window);
    pellmora.click(kBtnRunJuno);
    HWND box = nullptr;
    ASSERT_TRUE(poll([&] { return (box = windowOf(pellmora.process.dwProcessId, L"#32770")) != nullptr; }, 15000));
    EXPECT_EQ(windowText(box), L"Pellmora");
    EXPECT_EQ(windowText(GetDlgItem(box, 0xFFFF)),
              L"Juno.exe was not found at " + install + L"\\bin\\juno.exe or Juno is already open.");

    // The icon, told apart from the other message-box icons by its pixels.
    HWND icon = FindWindowExW(box, nullptr, L"Static", nullptr);
    ASSERT_EQ(GetWindowLongW(icon, GWL_STYLE) & SS_TYPEMASK, SS_ICON) << "the box shows no icon";
    RECT r;
    GetWindowRect(icon, &r);
    EXPECT_TRUE(poll([&] {  // until the box has painted
        SetForegroundWindow(box);
        return iconMatch(r, IDI_EXCLAMATION) >= 0.99;
    }, 5000));
    for (LPCWSTR other : {IDI_HAND, IDI_QUESTION, IDI_ASTERISK})
        EXPECT_LT(iconMatch(r, other), 0.9) << "the icon looks like another one too";
}

}  // namespace
}  // namespace cleanup

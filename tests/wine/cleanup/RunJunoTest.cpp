// "Run Juno Now" on real folders: the stand-in client is started by its full
// path, and a missing client is reported in the program's message box.
#include <cstdint>

#include "Harness.h"

namespace cleanup {
namespace {

std::optional<std::wstring> firstLine(const std::wstring& path) {
    const auto bytes = readFile(path);
    if (!bytes) return std::nullopt;
    std::string line = bytes->substr(0, bytes->find_first_of("\r\n"));
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return widen(line);
}

TEST(RunJunoOnDisk, StartsTheClientByItsFullPathFromAFolderWithBlanks) {
    Scratch scratch;
    const std::wstring install = scratch / L"Juno Install With Blanks";
    const std::wstring exe = install + L"\\BIN\\Juno.exe";
    ASSERT_TRUE(makeFolder(install) && makeFolder(install + L"\\BIN"));
    ASSERT_TRUE(CopyFileW(config().junoExe.c_str(), exe.c_str(), TRUE));
    // Where a command line split at its first blank would look first: a
    // client here must not be the one that starts.
    const std::wstring decoy = exe.substr(0, exe.find(L' ')) + L".exe";
    ASSERT_EQ(decoy, scratch / L"Juno.exe");
    ASSERT_TRUE(CopyFileW(config().junoExe.c_str(), decoy.c_str(), TRUE));

    Pellmora pellmora(scratch / L"app", install + L"\\");
    ASSERT_TRUE(pellmora.start());
    pellmora.click(kBtnRunJuno);
    const auto text = pellmora.waitForStatus([](const std::wstring& t) { return !t.empty(); }, 15000);
    ASSERT_TRUE(text) << "no status after the click";
    EXPECT_EQ(narrow(*text), "Run Juno Successful.");

    std::optional<std::wstring> started;
    for (int i = 0; i < 300 && !(started = firstLine(install + L"\\BIN\\started.txt")); ++i) Sleep(50);
    ASSERT_TRUE(started) << "the stand-in never recorded a start";
    EXPECT_EQ(narrow(*started), narrow(L"\"" + exe + L"\"")) << "the command line names the exe, quoted";
    EXPECT_FALSE(exists(scratch / L"started.txt")) << "the decoy at the first blank was started";
    EXPECT_TRUE(topLevelWindows(pellmora.processId(), L"#32770").empty()) << "a message box opened";

    EXPECT_EQ(closeProgramsAt(exe), 1);
    EXPECT_EQ(closeProgramsAt(decoy), 0);
}

// --- The message box's icon ------------------------------------------------

// 32-bit pixels (0x00RRGGBB) of a rectangle, as a memory bitmap holds them.
class Pixels {
public:
    Pixels(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Pixels() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    HDC dc() const { return dc_; }
    std::uint32_t at(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0x00FFFFFF;
    }
    int width() const { return width_; }
    int height() const { return height_; }

    void fill(COLORREF color) const {
        HBRUSH brush = CreateSolidBrush(color);
        RECT all{0, 0, width_, height_};
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    std::uint32_t* bits_ = nullptr;
};

// What the screen shows at `rect` (screen coordinates).
void captureScreen(const RECT& rect, const Pixels& into) {
    HDC screen = GetDC(nullptr);
    BitBlt(into.dc(), 0, 0, into.width(), into.height(), screen, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
}

// The share of `icon`'s opaque pixels that `shown` holds unchanged. Opaque
// are the pixels that come out the same on black and on white.
double iconMatch(const Pixels& shown, LPCWSTR icon) {
    const int w = shown.width(), h = shown.height();
    Pixels onBlack(w, h), onWhite(w, h);
    onBlack.fill(RGB(0, 0, 0));
    onWhite.fill(RGB(255, 255, 255));
    HICON handle = LoadIconW(nullptr, icon);
    DrawIconEx(onBlack.dc(), 0, 0, handle, w, h, 0, nullptr, DI_NORMAL);
    DrawIconEx(onWhite.dc(), 0, 0, handle, w, h, 0, nullptr, DI_NORMAL);
    int opaque = 0, same = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (onBlack.at(x, y) != onWhite.at(x, y)) continue;
            ++opaque;
            if (shown.at(x, y) == onBlack.at(x, y)) ++same;
        }
    return opaque == 0 ? 0.0 : static_cast<double>(same) / opaque;
}

std::vector<HWND> childrenOf(HWND parent, std::wstring_view cls) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (className(child) == cls) found.push_back(child);
    return found;
}

TEST(RunJunoOnDisk, SaysWhereTheClientWasLookedForWhenItIsMissing) {
    Scratch scratch;
    const std::wstring install = scratch / L"No Client Here";
    ASSERT_TRUE(makeFolder(install) && makeFolder(install + L"\\ads"));

    Pellmora pellmora(scratch / L"app", install + L"\\");
    ASSERT_TRUE(pellmora.start());
    const std::wstring statusBefore = pellmora.status();
    pellmora.click(kBtnRunJuno);
    HWND box = pellmora.waitForMessageBox(15000);
    ASSERT_NE(box, nullptr) << "no message box; status: " << narrow(pellmora.status());

    EXPECT_EQ(narrow(windowText(box)), "Pellmora");
    HWND iconStatic = nullptr;
    std::vector<std::wstring> texts;
    for (HWND child : childrenOf(box, L"Static")) {
        if (!IsWindowVisible(child)) continue;
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) iconStatic = child;
        else if (!windowText(child).empty()) texts.push_back(windowText(child));
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(narrow(texts[0]),
              narrow(L"Juno.exe was not found at " + install + L"\\bin\\juno.exe or Juno is already open."));
    const std::vector<HWND> buttons = childrenOf(box, L"Button");
    std::vector<std::wstring> shownButtons;
    for (HWND b : buttons)
        if (IsWindowVisible(b)) shownButtons.push_back(windowText(b));
    EXPECT_EQ(shownButtons, std::vector<std::wstring>{L"OK"});

    // The icon, told apart from the other message-box icons by its pixels.
    ASSERT_NE(iconStatic, nullptr) << "the box shows no icon";
    RECT rect;
    GetWindowRect(iconStatic, &rect);
    Pixels shown(rect.right - rect.left, rect.bottom - rect.top);
    double exclamation = 0;
    for (int i = 0; i < 100 && exclamation < 0.99; ++i) {  // until the box has painted
        Sleep(50);
        SetForegroundWindow(box);
        captureScreen(rect, shown);
        exclamation = iconMatch(shown, IDI_EXCLAMATION);
    }
    EXPECT_GE(exclamation, 0.99);
    for (LPCWSTR other : {IDI_HAND, IDI_QUESTION, IDI_ASTERISK})
        EXPECT_LT(iconMatch(shown, other), 0.9) << "the box's icon looks like another one";

    // Dismissed, the box leaves the status line as it was.
    ASSERT_EQ(shownButtons.size(), 1u);
    for (HWND b : buttons)
        if (IsWindowVisible(b)) PostMessageW(b, BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
    EXPECT_FALSE(IsWindow(box));
    EXPECT_TRUE(pellmora.waitUntilIdle(5000));
    EXPECT_EQ(narrow(pellmora.status()), narrow(statusBefore));
    EXPECT_EQ(namesIn(install), std::vector<std::wstring>{L"ads"});
}

}  // namespace
}  // namespace cleanup

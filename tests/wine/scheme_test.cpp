// The user's settings as the window made in this process follows them: the
// colour scheme (PELLMORA_COLORS=highcontrast runs it under white on black,
// with button text in yellow, unlike the window text) and "Show animations
// in Windows". The icons at each DPI: Dpi.
#include <cstdlib>

#include "platform/win32/Win32Window.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

using pellmora::row;

// The tag line is black unless the scheme is dark. Where the scheme wins,
// the program draws the frame itself, its caption in the button text: the
// group box the system draws would take the window text for it.
TEST(Scheme, TheUsersColoursAndAnimationSettingAreFollowed) {
    const bool dark = std::getenv("PELLMORA_COLORS") != nullptr;
    win32::Win32Form form{GetModuleHandleW(nullptr), pellmora::kFormLayout};
    const win32::DcHandle dc(CreateCompatibleDC(nullptr));
    const HWND tag = form.windowOf(row(ControlId::Label1)), frame = form.windowOf(row(ControlId::fraAutoRun));
    SendMessageW(GetParent(tag), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(tag));
    EXPECT_EQ(GetTextColor(dc.get()), dark ? GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 0));
    // The frame drawn: the start of its caption holds strokes in the text colour.
    const win32::BitmapHandle bitmap(CreateBitmap(800, 80, 1, 32, nullptr));
    const win32::Selected selected(dc.get(), bitmap.get());
    SendMessageW(frame, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT | PRF_ERASEBKGND);
    int indent = MulDiv(8, static_cast<int>(form.dpi()), 96), strokes = 0;
    for (int i = 0; i < indent * indent * 5; ++i)  // 5 x 1.5 indents from the indent, where the text is
        strokes += GetPixel(dc.get(), indent + i % (indent * 5), i / (indent * 5)) == GetSysColor(COLOR_BTNTEXT);
    EXPECT_GT(strokes, indent);
    // With animations off the notice stands at the table's Left. The suite
    // never runs beside those that take the whole display, which watch the
    // notice move; it ends with animations on, as a new prefix has them.
    const HWND notice = form.windowOf(row(ControlId::Label2));
    for (const BOOL on : {FALSE, TRUE}) {
        SystemParametersInfoW(SPI_SETCLIENTAREAANIMATION, 0, IntToPtr(on), 0);
        SendMessageW(form.hwnd(), WM_SETTINGCHANGE, SPI_SETCLIENTAREAANIMATION, 0);
        form.get<platform::Label>(row(ControlId::Label2)).setLeft(720);
        POINT origin{};
        MapWindowPoints(notice, GetParent(notice), &origin, 1);
        EXPECT_EQ(origin.x, win32::twipsToPixels(on ? 720.0f : 3750.0f, form.dpi())) << "animations " << on;
    }
}

}  // namespace
}  // namespace wine

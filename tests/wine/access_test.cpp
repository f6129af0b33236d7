// What a screen reader meets in the window made in this process: the path
// field's name, asked as a screen reader asks it, and the status whole when
// long.
#include <oleacc.h>

#include "platform/win32/Win32Window.h"
#include "tests/wine/Driver.h"

namespace wine {

// mingw-w64's oleacc import library has this as an import thunk, not the GUID.
static constexpr IID kIidAccessible{0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

static std::wstring accessibleName(HWND control) {
    IAccessible* object = nullptr;
    BSTR name = nullptr;
    if (SUCCEEDED(AccessibleObjectFromWindow(control, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void**>(&object))))
        object->get_accName(VARIANT{{{VT_I4}}}, &name), object->Release();  // CHILDID_SELF
    const std::wstring text = name ? name : L"";
    SysFreeString(name);
    return text;
}

// The path field, which has no caption of its own, is named by the label
// just before it in z-order (a control with a caption is named by it, as the
// system's proxies read it). The status's text stays whole for a screen
// reader, however it is drawn. What was set up for a client goes with the
// status's window: COM, started for it, ends there.
TEST(Access, ThePathFieldIsNamedByItsLabelAndTheStatusIsHeardWhole) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    win32::Win32Form form{GetModuleHandleW(nullptr), pellmora::kFormLayout};
    EXPECT_EQ(accessibleName(form.windowOf(pellmora::row(ControlId::txtJunoPath))), L"Location Of Juno:");
    auto& status = dynamic_cast<win32::LabelControl&>(form.get<platform::Label>(pellmora::row(ControlId::labStatus)));
    const std::string path = "The ads folder was not found at C:\\Program Files\\" + std::string(40, 'J') + "\\ads";
    status.setCaption(path);
    EXPECT_EQ(driving::textOf(status.hwnd()), std::wstring(path.begin(), path.end()));
    SendMessageW(status.hwnd(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));  // as a client asks
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE) << "COM was not started for the client";
    CoUninitialize();
    DestroyWindow(form.hwnd());
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK) << "COM outlived the window";
    CoUninitialize();
}

}  // namespace wine

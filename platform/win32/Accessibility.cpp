#include "platform/win32/Accessibility.h"

#include <commctrl.h>
#include <oleacc.h>

#include "platform/win32/SystemCalls.h"

namespace win32 {

namespace {

// Defined here: mingw-w64's oleacc import library has such names as import
// thunks, and nothing of oleacc or COM is imported.
constexpr CLSID kAccPropServicesClass{0xB5F8350B, 0x0548, 0x48B1, {0xA6, 0xEE, 0x88, 0xBD, 0x00, 0xB4, 0xA5, 0xE7}};
constexpr IID kAccPropServicesInterface{0x6E26E776, 0x04F0, 0x495D, {0x80, 0xE4, 0x33, 0x30, 0x35, 0x2E, 0x31, 0x69}};
// UI Automation's LiveSetting, which it reads from oleacc's annotations.
constexpr GUID kLiveSettingProperty{0xC12BCD8E, 0x2A8E, 0x4950, {0x8A, 0xE7, 0x36, 0x25, 0x11, 0x1D, 0x58, 0xEB}};
constexpr LONG kPolite = 1;
// EVENT_OBJECT_LIVEREGIONCHANGED, from Windows 8 on; Windows 7 ignores it.
constexpr DWORD kLiveRegionChanged = 0x8019;

}  // namespace

// A window marked a polite live region through oleacc's property services,
// for as long as this lives, which must end before the window does. COM is
// started on this thread for it, from the table's ole32 calls, only here.
class LiveRegion {
public:
    explicit LiveRegion(HWND window) : window_(window) {
        const SystemCalls& com = comCalls();
        end_ = com.coUninitialize;
        if (!com.coInitializeEx || !com.coCreateInstance || !end_) return;
        const HRESULT started = com.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        started_ = SUCCEEDED(started);  // S_FALSE too: every success is paired with an end
        if (FAILED(started) && started != RPC_E_CHANGED_MODE) return;
        void* services = nullptr;
        if (FAILED(com.coCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                        &services)))
            return;
        services_ = static_cast<IAccPropServices*>(services);
        VARIANT polite{};
        polite.vt = VT_I4;
        polite.lVal = kPolite;
        services_->SetHwndProp(window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
    }
    ~LiveRegion() {
        if (services_) {
            services_->ClearHwndProps(window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kLiveSettingProperty, 1);
            services_->Release();
        }
        if (started_) end_();
    }
    LiveRegion(const LiveRegion&) = delete;
    LiveRegion& operator=(const LiveRegion&) = delete;

private:
    HWND window_;
    void(WINAPI* end_)() = nullptr;
    bool started_ = false;
    IAccPropServices* services_ = nullptr;
};

LiveStatus::LiveStatus(HWND status) : window_(status) {
    SetWindowSubclass(window_, watch, 1, reinterpret_cast<DWORD_PTR>(this));
}

LiveStatus::~LiveStatus() {
    region_.reset();
    if (window_) RemoveWindowSubclass(window_, watch, 1);
}

void LiveStatus::asked() {
    if (window_ && !region_) region_ = std::make_unique<LiveRegion>(window_);
}

void LiveStatus::announce() const { NotifyWinEvent(kLiveRegionChanged, window_, OBJID_CLIENT, CHILDID_SELF); }

// A client asking the status itself, not the main window, marks it too.
LRESULT CALLBACK LiveStatus::watch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                   DWORD_PTR self) {
    auto& status = *reinterpret_cast<LiveStatus*>(self);
    if (message == WM_NCDESTROY) {
        status.region_.reset();
        status.window_ = nullptr;
        RemoveWindowSubclass(hwnd, watch, id);
    }
    if (message == WM_GETOBJECT) status.asked();
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace win32

// What screen readers get beyond what the system gives each control: the
// status, heard as it changes (a polite live region). It is marked so only
// once an accessibility client asks, through oleacc's property services,
// so COM and ole32 load then and never at start-up.
#pragma once

#include <windows.h>

#include <memory>

namespace win32 {

class LiveRegion;

// A status label heard as it changes, for as long as this lives. It watches
// its window: a client asking the status itself marks it too, and what was
// marked goes with the window.
class LiveStatus {
public:
    explicit LiveStatus(HWND status);
    ~LiveStatus();
    LiveStatus(const LiveStatus&) = delete;
    LiveStatus& operator=(const LiveStatus&) = delete;

    // An accessibility client asks the window (WM_GETOBJECT): marked now, once.
    void asked();
    // The text changed in a way to be heard now.
    void announce() const;

private:
    static LRESULT CALLBACK watch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                  DWORD_PTR self);

    HWND window_;  // null once the window is gone
    std::unique_ptr<LiveRegion> region_;  // set when a client first asks, until the window goes
};

}  // namespace win32

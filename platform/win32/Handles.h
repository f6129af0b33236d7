// Owners for every kind of handle the Win32 layer holds: each is released
// exactly once, by its own release call, when its owner goes.
#pragma once

#include <windows.h>

#include <utility>

namespace win32 {

template <class Traits>
class Owned {
public:
    using Value = typename Traits::Value;

    Owned() = default;
    explicit Owned(Value value) : value_(value) {}
    Owned(Owned&& other) noexcept : value_(std::exchange(other.value_, Traits::empty())) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(std::exchange(other.value_, Traits::empty()));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Value get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::empty(); }
    void reset(Value value = Traits::empty()) {
        if (value_ != Traits::empty()) Traits::release(value_);
        value_ = value;
    }
    // Releases now and reports whether the release call succeeded.
    bool close() {
        if (value_ == Traits::empty()) return true;
        const bool ok = Traits::release(value_);
        value_ = Traits::empty();
        return ok;
    }

private:
    Value value_ = Traits::empty();
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE.
struct FileTraits {
    using Value = HANDLE;
    static Value empty() { return INVALID_HANDLE_VALUE; }
    static bool release(Value h) { return CloseHandle(h) != FALSE; }
};
struct FindTraits {
    using Value = HANDLE;
    static Value empty() { return INVALID_HANDLE_VALUE; }
    static bool release(Value h) { return FindClose(h) != FALSE; }
};
// Process and thread handles are null when absent.
struct KernelTraits {
    using Value = HANDLE;
    static Value empty() { return nullptr; }
    static bool release(Value h) { return CloseHandle(h) != FALSE; }
};
template <class Object>
struct GdiTraits {
    using Value = Object;
    static Value empty() { return nullptr; }
    static bool release(Value o) { return DeleteObject(o) != FALSE; }
};
// An icon of our own (not LR_SHARED).
struct IconTraits {
    using Value = HICON;
    static Value empty() { return nullptr; }
    static bool release(Value icon) { return DestroyIcon(icon) != FALSE; }
};
// A memory device context (CreateCompatibleDC).
struct DcTraits {
    using Value = HDC;
    static Value empty() { return nullptr; }
    static bool release(Value dc) { return DeleteDC(dc) != FALSE; }
};

using FileHandle = Owned<FileTraits>;
using FindHandle = Owned<FindTraits>;
using KernelHandle = Owned<KernelTraits>;
using FontHandle = Owned<GdiTraits<HFONT>>;
using BitmapHandle = Owned<GdiTraits<HBITMAP>>;
using DcHandle = Owned<DcTraits>;
using IconHandle = Owned<IconTraits>;

// A window's device context (GetDC), given back when this goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context for as long as this lives, so
// that it is never deleted while selected.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
    ~Selected() { SelectObject(dc_, old_); }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace win32

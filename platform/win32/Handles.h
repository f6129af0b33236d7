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
struct FontTraits {
    using Value = HFONT;
    static Value empty() { return nullptr; }
    static bool release(Value f) { return DeleteObject(f) != FALSE; }
};

using FileHandle = Owned<FileTraits>;
using FindHandle = Owned<FindTraits>;
using KernelHandle = Owned<KernelTraits>;
using FontHandle = Owned<FontTraits>;

}  // namespace win32

#include "platform/win32/Text.h"

#include <windows.h>

namespace win32 {

namespace {

std::wstring toWide(UINT codePage, DWORD flags, std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length);
    return wide;
}

std::string fromWide(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring widen(std::string_view utf8) { return toWide(CP_UTF8, 0, utf8); }

std::string narrow(std::wstring_view wide) { return fromWide(CP_UTF8, wide); }

std::string fromAnsi(std::string_view ansi) {
    if (GetACP() == CP_UTF8) return std::string(ansi);
    return narrow(toWide(CP_ACP, 0, ansi));
}

std::optional<std::string> toAnsi(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    const std::wstring wide = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8);
    if (wide.empty()) return std::nullopt;  // not valid UTF-8
    // A UTF-8 code page takes every character, and refuses the flags below.
    if (GetACP() == CP_UTF8) return std::string(utf8);
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), length, nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    return bytes;
}

}  // namespace win32

// Text at the API boundary: the logic speaks UTF-8, Windows UTF-16, and the
// options file the ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Utf8.h"

namespace win32 {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// UTF-8 from bytes in the ANSI code page.
std::string fromAnsi(std::string_view ansi);
// Bytes in the ANSI code page, or nothing when a character has no exact
// counterpart there (no best-fit substitutes, no "?").
std::optional<std::string> toAnsi(std::string_view utf8);

// A name as the system lists it, in WTF-8: UTF-8 that also carries a lone
// surrogate (a Windows name may hold one, UTF-8 cannot), so that the name
// goes back to the system unchanged. Text without one gives plain UTF-8.
// Both directions are plain string work, checked by the native tests.
inline std::string toWtf8(std::wstring_view wide) {
    const auto trail = [&](std::size_t at) { return at < wide.size() && (wide[at] & 0xFC00) == 0xDC00; };
    std::string bytes;
    bytes.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        auto c = static_cast<char32_t>(wide[i]);
        if ((c & 0xFC00) == 0xD800 && trail(i + 1)) c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] & 0x3FF);
        platform::appendCodePoint(bytes, c);
    }
    return bytes;
}

// The inverse; empty for bytes that are no WTF-8 (no name is empty). A lead
// surrogate followed by a trail one is a pair, which WTF-8 spells only as
// its four bytes: two spellings of one name would name one file twice.
inline std::wstring fromWtf8(std::string_view bytes) {
    std::wstring wide;
    wide.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        std::optional<char32_t> c = platform::nextCodePoint(bytes, at);
        if (!c || (*c >= 0xDC00 && *c <= 0xDFFF && !wide.empty() && (wide.back() & 0xFC00) == 0xD800)) return {};
        if (*c >= 0x10000) {  // as a pair of surrogates
            wide += static_cast<wchar_t>(0xD800 + ((*c - 0x10000) >> 10));
            *c = 0xDC00 + (*c & 0x3FF);
        }
        wide += static_cast<wchar_t>(*c);
    }
    return wide;
}

}  // namespace win32

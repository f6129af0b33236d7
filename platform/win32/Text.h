// Text at the API boundary: the logic speaks UTF-8, Windows UTF-16, and the
// options file the ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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
    const auto unit = [](std::uint32_t bits) { return static_cast<char>(bits); };
    std::string bytes;
    bytes.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        auto c = static_cast<std::uint32_t>(wide[i]);
        if ((c & 0xFC00) == 0xD800 && trail(i + 1)) c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] & 0x3FF);
        if (c < 0x80) bytes += unit(c);
        else if (c < 0x800) bytes += {unit(0xC0 | c >> 6), unit(0x80 | (c & 0x3F))};
        else if (c < 0x10000) bytes += {unit(0xE0 | c >> 12), unit(0x80 | (c >> 6 & 0x3F)), unit(0x80 | (c & 0x3F))};
        else
            bytes += {unit(0xF0 | c >> 18), unit(0x80 | (c >> 12 & 0x3F)), unit(0x80 | (c >> 6 & 0x3F)),
                      unit(0x80 | (c & 0x3F))};
    }
    return bytes;
}

// The inverse; empty for bytes that are no WTF-8 (no name is empty).
inline std::wstring fromWtf8(std::string_view bytes) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    std::wstring wide;
    wide.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned lead = byte(i);
        const std::size_t n =
            lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
        if (n == 0 || bytes.size() - i < n) return {};
        std::uint32_t c = n == 1 ? lead : lead & (0x7Fu >> n);
        for (std::size_t k = 1; k < n; ++k) {
            if ((byte(i + k) & 0xC0) != 0x80) return {};
            c = c << 6 | (byte(i + k) & 0x3F);
        }
        if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF))) return {};  // only the shortest form
        if (n == 4) {  // as a pair of surrogates
            wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + (c & 0x3FF);
        }
        wide += static_cast<wchar_t>(c);
        i += n;
    }
    return wide;
}

}  // namespace win32

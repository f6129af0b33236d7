// UTF-8 one code point at a time, for the portable code that must tell what
// a text holds (the options file's reader, a code page) and for WTF-8, which
// is UTF-8 that also carries a lone surrogate.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The code point at `at`, moving `at` past it: the shortest form of any up
// to U+10FFFF, a surrogate's included; nothing for bytes that are no such form.
inline std::optional<char32_t> nextCodePoint(std::string_view bytes, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned lead = byte(at);
    const std::size_t n = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (n == 0 || bytes.size() - at < n) return std::nullopt;
    char32_t c = n == 1 ? lead : lead & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80) return std::nullopt;
        c = c << 6 | (byte(at + k) & 0x3F);
    }
    if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF))) return std::nullopt;
    at += n;
    return c;
}

// UTF-8 proper: every code point in its shortest form, and no surrogate.
inline bool isUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::optional<char32_t> c = nextCodePoint(bytes, at);
        if (!c || (*c >= 0xD800 && *c <= 0xDFFF)) return false;
    }
    return true;
}

// Appends the shortest form of `c`.
inline void appendCodePoint(std::string& bytes, char32_t c) {
    const auto unit = [](char32_t bits) { return static_cast<char>(bits); };
    if (c < 0x80) bytes += unit(c);
    else if (c < 0x800) bytes += {unit(0xC0 | c >> 6), unit(0x80 | (c & 0x3F))};
    else if (c < 0x10000) bytes += {unit(0xE0 | c >> 12), unit(0x80 | (c >> 6 & 0x3F)), unit(0x80 | (c & 0x3F))};
    else
        bytes += {unit(0xF0 | c >> 18), unit(0x80 | (c >> 12 & 0x3F)), unit(0x80 | (c >> 6 & 0x3F)),
                  unit(0x80 | (c & 0x3F))};
}

}  // namespace platform

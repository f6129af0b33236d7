// Text at the API boundary: the logic speaks UTF-8, Windows UTF-16, and the
// options file the ANSI code page.
#pragma once

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

}  // namespace win32

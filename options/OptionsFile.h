// The option set and the layout of Pellmora.ini: six positional items, one
// per CR LF line, no keys.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pellmora {

struct OptionSet {
    std::string strJunoPath;
    std::uint8_t bytAutoRun = 0;
    std::uint8_t bytDeleteAds = 0;
    std::uint8_t bytRunJuno = 0;
    std::uint8_t bytClosePellmora = 0;

    bool operator==(const OptionSet&) const = default;
};

enum class ReadError : std::uint8_t {
    None,
    PastEnd,      // fewer than six items
    OutOfRange,   // an option outside 0 to 255
};

// Reads the six items in file order straight into `set`: when reading stops
// part-way, the fields before the failing item hold their new values and the
// rest are untouched. The first item is read and thrown away.
ReadError readOptionItems(std::string_view text, OptionSet& set);

using OptionLines = std::array<std::string, 6>;

// The six lines as written, without their CR LF.
OptionLines optionLines(const OptionSet& set);

// What a rebuilt file holds: "C:\Program Files\Juno\", 0, 1, 1, 1.
OptionLines defaultOptionLines();

// Whether the writer can write `path` so that it reads back unchanged: not
// when it holds a quote, which would end the quoted item and which no
// Windows name holds, nor a line end.
bool isWritablePath(std::string_view path);

// What a file written as UTF-8 begins with. The writer's files in the ANSI
// code page begin with a quote, so no file written before holds it.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

}  // namespace pellmora

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

// A path the writer cannot write so that it reads back unchanged.
bool isWritablePath(std::string_view path);

}  // namespace pellmora

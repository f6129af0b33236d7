#include "options/OptionsFile.h"

#include <cmath>
#include <cstdlib>

namespace pellmora {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Items end at a comma or a line end (CR LF, or a lone CR or LF); several
// may share a line, and a quoted item may hold commas and blanks.
class ItemReader {
public:
    explicit ItemReader(std::string_view text) : text_(text) {}

    // False when nothing is left to read.
    bool next(std::string_view& item) {
        while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return false;
        if (text_[pos_] == '"') {
            const std::size_t close = text_.find('"', pos_ + 1);
            if (close == std::string_view::npos) {  // unterminated: the rest of the file
                item = text_.substr(pos_ + 1);
                pos_ = text_.size();
                return true;
            }
            item = text_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
            // Whatever stands between the closing quote and the delimiter is dropped.
            while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_])) ++pos_;
        } else {
            const std::size_t start = pos_;
            while (pos_ < text_.size() && text_[pos_] != ',' && !isLineEnd(text_[pos_])) ++pos_;
            item = trimmed(text_.substr(start, pos_ - start));
        }
        skipDelimiter();
        return true;
    }

private:
    void skipDelimiter() {
        if (pos_ >= text_.size()) return;
        const char c = text_[pos_++];
        if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

// The leading number of an item, as digits with an optional sign, fraction
// and exponent. An item without one is 0; a number that does not round into
// 0..255 (halves to even) is out of range.
bool parseByte(std::string_view item, std::uint8_t& out) {
    item = trimmed(item);
    std::size_t i = 0;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < item.size() && isDigit(item[i])) ++i, ++digits;
    if (i < item.size() && item[i] == '.') {
        ++i;
        while (i < item.size() && isDigit(item[i])) ++i, ++digits;
    }
    if (digits == 0) {
        out = 0;
        return true;
    }
    if (i < item.size() && (item[i] == 'e' || item[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < item.size() && (item[j] == '+' || item[j] == '-')) ++j;
        if (j < item.size() && isDigit(item[j])) {
            while (j < item.size() && isDigit(item[j])) ++j;
            i = j;
        }
    }
    const std::string number(item.substr(0, i));
    const double value = std::nearbyint(std::strtod(number.c_str(), nullptr));
    if (!(value >= 0 && value <= 255)) return false;  // also rejects NaN and infinities
    out = static_cast<std::uint8_t>(value);
    return true;
}

std::string quoted(std::string_view text) {
    std::string line;
    line.reserve(text.size() + 2);
    line += '"';
    line += text;
    line += '"';
    return line;
}

}  // namespace

ReadError readOptionItems(std::string_view text, OptionSet& set) {
    ItemReader reader(text);
    std::string_view item;
    if (!reader.next(item)) return ReadError::PastEnd;  // the section marker, unchecked
    if (!reader.next(item)) return ReadError::PastEnd;
    set.strJunoPath = std::string(item);
    for (std::uint8_t* option : {&set.bytAutoRun, &set.bytDeleteAds, &set.bytRunJuno, &set.bytClosePellmora}) {
        if (!reader.next(item)) return ReadError::PastEnd;
        if (!parseByte(item, *option)) return ReadError::OutOfRange;
    }
    return ReadError::None;
}

OptionLines optionLines(const OptionSet& set) {
    return {quoted("[GENERAL]"),
            quoted(set.strJunoPath),
            std::to_string(set.bytAutoRun),
            std::to_string(set.bytDeleteAds),
            std::to_string(set.bytRunJuno),
            std::to_string(set.bytClosePellmora)};
}

OptionLines defaultOptionLines() {
    return optionLines({.strJunoPath = "C:\\Program Files\\Juno\\",
                        .bytAutoRun = 0,
                        .bytDeleteAds = 1,
                        .bytRunJuno = 1,
                        .bytClosePellmora = 1});
}

bool isWritablePath(std::string_view path) { return path.find_first_of("\"\r\n") == std::string_view::npos; }

}  // namespace pellmora

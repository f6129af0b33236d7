// Whatever the writer writes, the reader reads back: random option sets are
// saved, the bytes handed to a fresh start of the program, and the start must
// show the same set without a message. Paths are printable text without a
// double quote, rich in commas, blanks, backslashes and non-ASCII letters the
// ANSI code page holds; the first 256 cases give every option every byte
// value. PELLMORA_SEED and PELLMORA_PROPERTY_CASES change the seed and count.
#include <gtest/gtest.h>

#include <random>

#include "tests/robust/Robust.h"

namespace {

using pellmora::OptionSet;
using namespace robust;

// Half the characters: a comma, a blank, a backslash or a non-ASCII letter.
constexpr std::string_view kPieces[] = {",", " ", "\\", "\xc3\xa9",
                                         "\xc3\x9f", "\xe2\x82\xac", "\xc5\x93", "\xe2\x80\xa6"};

OptionSet randomSet(std::mt19937_64& rng, std::uint64_t index) {
    std::uniform_int_distribution<int> length(0, 90), kind(0, 15), printable(0x20, 0x7e), byte(0, 255);
    OptionSet set;
    for (int n = length(rng); n > 0; --n) {
        const int k = kind(rng);
        const char c = static_cast<char>(printable(rng));
        set.strJunoPath += k < 8 ? std::string(kPieces[k]) : std::string(1, c == '"' ? '\'' : c);
    }
    const auto walk = [&](int offset) {
        return static_cast<std::uint8_t>(index < 256 ? (static_cast<int>(index) + offset) % 256 : byte(rng));
    };
    set.bytAutoRun = walk(0);
    set.bytDeleteAds = walk(64);
    set.bytRunJuno = walk(128);
    set.bytClosePellmora = walk(192);
    return set;
}

TEST(RoundTripProperty, WrittenSetsReadBackUnchanged) {
    const std::uint64_t seed = fromEnvironment("PELLMORA_SEED", 20240611);
    const std::uint64_t cases = fromEnvironment("PELLMORA_PROPERTY_CASES", 1500);
    std::uint64_t failed = 0;
    for (std::uint64_t i = 0; i < cases && failed < 5; ++i) {
        std::mt19937_64 rng(seed * 1000003 + i);
        const OptionSet set = randomSet(rng, i);
        SCOPED_TRACE("case " + std::to_string(i) + ", path [" + set.strJunoPath +
                     "]; rerun with PELLMORA_SEED=" + std::to_string(seed));
        App writer;
        static_cast<OptionSet&>(writer.f) = set;
        writer.f.SaveOptions();
        const std::optional<std::string> bytes = writer.fs().contents(kIni);

        // An argument keeps the auto-run from shortening the path before we look.
        App reader;
        reader.h.arguments = "/stay";
        reader.fs().addFile(kIni, bytes.value_or(""));
        reader.h.load([&] { reader.f.Form_Load(); });

        const bool ok = writer.h.messageBoxes.empty() && bytes == fileOf(set) && reader.h.messageBoxes.empty() &&
                        static_cast<const OptionSet&>(reader.f) == set &&
                        reader.f.txtJunoPath.text() == set.strJunoPath && reader.fs().contents(kIni) == bytes;
        EXPECT_TRUE(ok) << "written: " << bytes.value_or("(no file)") << "read back: [" << reader.f.strJunoPath << "] "
                        << int{reader.f.bytAutoRun} << ' ' << int{reader.f.bytDeleteAds} << ' '
                        << int{reader.f.bytRunJuno} << ' ' << int{reader.f.bytClosePellmora};
        failed += ok ? 0 : 1;
    }
    report("property_cases", cases);
    report("property_failures", failed);
}

}  // namespace

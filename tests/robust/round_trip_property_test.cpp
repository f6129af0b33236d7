// Whatever the writer writes, the reader reads back: random option sets are
// saved, the bytes handed to a fresh start of the program, and the start must
// show the same set without a message. Paths are printable text without a
// double quote, rich in commas, blanks and backslashes, with non-ASCII
// letters the ANSI code page holds; over the run every option takes every
// byte value. PELLMORA_SEED picks another seed, PELLMORA_PROPERTY_CASES
// another number of cases.
#include <gtest/gtest.h>

#include <random>

#include "tests/robust/Robust.h"

namespace {

using pellmora::OptionSet;
using namespace robust;

constexpr std::uint64_t kDefaultSeed = 20240611;
constexpr std::uint64_t kDefaultCases = 1500;

// UTF-8 for letters of the Western ANSI code page.
constexpr std::string_view kNonAscii[] = {"\xc3\xa9", "\xc3\xbc", "\xc3\x9f", "\xe2\x82\xac", "\xc3\x87",
                                          "\xc3\xb1", "\xc3\x98", "\xc5\x93", "\xe2\x84\xa2", "\xe2\x80\xa6"};

std::string randomPath(std::mt19937_64& rng) {
    std::uniform_int_distribution<int> length(0, 90);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> printable(0x20, 0x7e);
    std::uniform_int_distribution<std::size_t> letter(0, std::size(kNonAscii) - 1);
    std::string path;
    for (int n = length(rng); n > 0; --n) {
        switch (kind(rng)) {
        case 0: path += ','; break;
        case 1: path += ' '; break;
        case 2: path += '\\'; break;
        case 3: path += kNonAscii[letter(rng)]; break;
        default: {
            char c = static_cast<char>(printable(rng));
            path += c == '"' ? '\'' : c;
        }
        }
    }
    return path;
}

OptionSet randomSet(std::mt19937_64& rng, std::uint64_t index) {
    std::uniform_int_distribution<int> byte(0, 255);
    OptionSet set{.strJunoPath = randomPath(rng)};
    // The first 256 cases walk every value through all four options.
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
    const std::uint64_t seed = fromEnvironment("PELLMORA_SEED", kDefaultSeed);
    const std::uint64_t cases = fromEnvironment("PELLMORA_PROPERTY_CASES", kDefaultCases);
    std::uint64_t failed = 0;
    for (std::uint64_t i = 0; i < cases && failed < 5; ++i) {
        std::mt19937_64 rng(seed * 1000003 + i);
        const OptionSet set = randomSet(rng, i);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", case " + std::to_string(i) + ", path [" + set.strJunoPath +
                     "]; rerun with PELLMORA_SEED=" + std::to_string(seed));

        App writer;
        static_cast<OptionSet&>(writer.f) = set;
        writer.f.SaveOptions();
        const std::optional<std::string> bytes = writer.fs().contents(kIni);

        // A fresh start reads the file; an argument keeps the auto-run from
        // shortening the path before we look.
        App reader;
        reader.h.arguments = "/stay";
        reader.fs().addFile(kIni, bytes.value_or(""));
        reader.h.load([&] { reader.f.Form_Load(); });

        const bool ok = writer.h.messageBoxes.empty() && bytes == fileOf(set) && reader.h.messageBoxes.empty() &&
                        static_cast<const OptionSet&>(reader.f) == set &&
                        reader.f.txtJunoPath.text() == set.strJunoPath && reader.fs().contents(kIni) == bytes;
        EXPECT_TRUE(ok) << "written: " << (bytes ? *bytes : "(no file)") << "read back: [" << reader.f.strJunoPath
                        << "] " << int{reader.f.bytAutoRun} << ' ' << int{reader.f.bytDeleteAds} << ' '
                        << int{reader.f.bytRunJuno} << ' ' << int{reader.f.bytClosePellmora};
        if (!ok) ++failed;
    }
    report("property_cases", cases);
    report("property_failures", failed);
}

// The writer refuses what it could not write readably, and says so; the
// previous file stays as it was.
TEST(RoundTripProperty, UnwritablePathsKeepThePreviousFile) {
    const std::string previous = fileOf({"C:\\Juno", 1, 1, 1, 1});
    for (const std::string path : {"C:\\Ju\"no", "C:\\Juno\r\n", "line\nbreak", "\""}) {
        SCOPED_TRACE(path);
        App app;
        app.fs().addFile(kIni, previous);
        app.f.strJunoPath = path;
        app.f.SaveOptions();
        EXPECT_EQ(app.h.messageBoxes.size(), 1u);
        EXPECT_EQ(app.fs().contents(kIni), previous);
        EXPECT_FALSE(app.fs().exists(kTemporary));
    }
}

}  // namespace

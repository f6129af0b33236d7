// Pellmora.ini: reading every kind of file, writing byte for byte, and saves
// that fail.
#include <algorithm>
#include <memory>
#include <random>

#include "tests/Fixture.h"

namespace {

using namespace fixture;
using headless::FsOp;

std::string file(std::string_view path, std::string_view options) {
    return "\"[GENERAL]\"\r\n\"" + std::string(path) + "\"\r\n" + std::string(options);
}

TEST(OptionsLoad, EveryKindOfFileGetsItsOutcome) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    const std::string nulPath = std::string("C:\\Ju") + '\0' + "no";
    enum After { Unchanged, Rebuilt, FolderStays };
    const struct {
        const char* what;
        std::optional<std::string> bytes;  // none: no file at all
        After after;
        OptionSet set;  // as LoadOptions leaves it, starting empty
    } rows[] = {
        {"missing: rebuilt without a word", std::nullopt, Rebuilt, {}},
        {"empty", "", Rebuilt, {}},
        {"marker only", "\"[GENERAL]\"\r\n", Rebuilt, {}},
        {"five items, then blanks", file("D:\\J", "1\r\n2\r\n3\r\n \t"), Rebuilt, {"D:\\J", 1, 2, 3, 0}},
        {"only a leading number counts", file("D:\\J", "0x1F\r\nabc\r\nnan\r\n7e"), Unchanged, {"D:\\J", 0, 0, 0, 7}},
        {"exponents and their signs", file("p", "2.5e1\r\n1E+2\r\n+3e0\r\n25e-1"), Unchanged, {"p", 25, 100, 3, 2}},
        {"fractions round half to even", file("p", "0.5\r\n-0.5\r\n255.4\r\n3.5"), Unchanged, {"p", 0, 0, 255, 4}},
        {"256", file("D:\\J", "1\r\n256\r\n3\r\n4\r\n"), Rebuilt, {"D:\\J", 1, 0, 0, 0}},
        {"-1", file("D:\\J", "-1\r\n2\r\n3\r\n4\r\n"), Rebuilt, {"D:\\J", 0, 0, 0, 0}},
        {"2^64 + 1 does not wrap to 1", file("p", "1\r\n1\r\n18446744073709551617\r\n1\r\n"), Rebuilt,
         {"p", 1, 1, 0, 0}},
        {"unquoted marker and path", "[GENERAL]\r\nD:\\Mail Client\\ \r\n1\r\n2\r\n3\r\n4", Unchanged,
         {"D:\\Mail Client\\", 1, 2, 3, 4}},
        {"quoted options, text after a quote", "\"[GENERAL]\"\r\n\"D:\\J\" x\r\n1\r\n\" 2 \"\r\n3\r\n\"4\"", Unchanged,
         {"D:\\J", 1, 2, 3, 4}},
        {"an option cut off by an open quote", file("p", "1\r\n2\r\n3\r\n\""), Unchanged, {"p", 1, 2, 3, 0}},
        {"unquoted path with a comma shifts the rest", "\"[GENERAL]\"\r\nC:\\a,b\r\n7\r\n8\r\n9\r\n10\r\n", Unchanged,
         {"C:\\a", 0, 7, 8, 9}},
        {"one line, blanks, extra items, no line end", "\"[GENERAL]\",  \"D:\\a, b \",  1,0,  255,2,9", Unchanged,
         {"D:\\a, b ", 1, 0, 255, 2}},
        {"lone CR line ends", "\"[GENERAL]\"\r\"C:\\Juno\"\r1\r2\r3\r4\r", Unchanged, {"C:\\Juno", 1, 2, 3, 4}},
        {"a NUL in the path is read as it is", file(nulPath, "1\r\n1\r\n1\r\n1\r\n"), Unchanged, {nulPath, 1, 1, 1, 1}},
        {"no mark: the ANSI code page", file("C:\\Caf\xe9 \x80", "1\r\n1\r\n1\r\n1\r\n"), Unchanged,
         {"C:\\Caf\xc3\xa9 \xe2\x82\xac", 1, 1, 1, 1}},
        {"the mark: UTF-8, not read", "\xef\xbb\xbf\"[A,B]\"" + file("C:\\\xd0\x96", "1\r\n1\r\n1\r\n1\r\n").substr(11),
         Unchanged, {"C:\\\xd0\x96", 1, 1, 1, 1}},
        {"the mark, then no UTF-8 (a lone surrogate)", "\xef\xbb\xbf" + file("C:\\\xed\xa0\x80", "1\r\n1\r\n1\r\n1\r\n"),
         Rebuilt, {}},
        {"unterminated quote", "\"[GENERAL]\"\r\n\"C:\\Juno\r\n1\r\n1\r\n1\r\n1\r\n", Rebuilt,
         {.strJunoPath = "C:\\Juno\r\n1\r\n1\r\n1\r\n1\r\n"}},
        // Items end at 0x0A, 0x0D and ',': the path is 0x0B 0x0C, then two
        // options that are no numbers, and nothing is left for the third.
        {"every byte value", allBytes, Rebuilt, {.strJunoPath = "\x0b\x0c"}},
        {"10 MB of commas", std::string(10u << 20, ','), Unchanged, {}},
        {"a folder in place of the file", "", FolderStays, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        App a;
        if (row.bytes) a.fs.addFile(row.after == FolderStays ? kIni + "\\inside.txt" : kIni, *row.bytes);
        const Snapshot before = snapshot(a.fs);
        a.f.LoadOptions();
        EXPECT_EQ(a.messages(), optionsMessages(row.bytes && row.after != Unchanged ? 1 : 0));
        if (row.after == FolderStays)
            EXPECT_EQ(snapshot(a.fs), before);
        else
            EXPECT_EQ(a.fs.contents(kIni), row.after == Rebuilt ? kDefaultFile : *row.bytes);
        EXPECT_EQ(a.set(), row.set);
        EXPECT_FALSE(a.fs.exists(kTemporary));
        EXPECT_EQ(a.fs.openCount(), 0u);
        EXPECT_EQ(touchedOutside(before, snapshot(a.fs), [](const std::string& p) { return p == kIni; }), 0u);
        // The reader alone, over exactly the file's bytes on the heap, where a
        // read past the end is an overflow rather than a look at a
        // std::string's terminator; every field starts unlike any row's. Only
        // for ASCII, which is the same text in any encoding.
        const std::string text = row.bytes.value_or("");
        if (std::ranges::any_of(text, [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) continue;
        const auto bytes = std::make_unique<char[]>(text.size());
        std::copy(text.begin(), text.end(), bytes.get());
        OptionSet read{"?", 9, 9, 9, 9};
        const bool whole = pellmora::readOptionItems({bytes.get(), text.size()}, read) == pellmora::ReadError::None;
        EXPECT_EQ(whole, row.after == Unchanged);
        EXPECT_TRUE(!whole || read == row.set) << "read alone";
    }
    EXPECT_EQ(kDefaultFile.size(), 51u);
}

// Whatever the writer writes, a fresh start reads back and shows unchanged:
// random paths rich in commas, blanks, backslashes and letters, in every
// other case some that the ANSI code page (1252 here) lacks. A path it holds
// is written in its bytes, as it always was; any other makes the whole file
// UTF-8 behind its mark. The first 256 cases give every option every byte
// value. PELLMORA_SEED and PELLMORA_PROPERTY_CASES change the seed and the count.
TEST(OptionsSave, WritesByteForByteAndEveryWrittenSetReadsBack) {
    App first;
    static_cast<OptionSet&>(first.f) = {"C:\\a b,c\\", 2, 0, 255, 1};
    first.f.SaveOptions();
    EXPECT_EQ(first.fs.contents(kIni), "\"[GENERAL]\"\r\n\"C:\\a b,c\\\"\r\n2\r\n0\r\n255\r\n1\r\n");

    // Each piece in UTF-8 and in code page 1252, where it has bytes there:
    // then Cyrillic, Japanese, and a letter outside the BMP.
    constexpr std::pair<std::string_view, std::string_view> kPieces[] = {
        {",", ","}, {" ", " "}, {"\\", "\\"}, {"\t", "\t"}, {"\xc3\xa9", "\xe9"}, {"\xc3\x9f", "\xdf"},
        {"\xe2\x82\xac", "\x80"}, {"\xc5\x93", "\x9c"}, {"\xd0\x96", ""}, {"\xe6\x97\xa5", ""}, {"\xf0\x9d\x90\x80", ""}};
    const std::uint64_t seed = fromEnvironment("PELLMORA_SEED", 20240611);
    const std::uint64_t cases = fromEnvironment("PELLMORA_PROPERTY_CASES", 1500);
    std::uint64_t failed = 0;
    for (std::uint64_t i = 0; i < cases && failed < 5; ++i) {
        std::mt19937_64 rng(seed * 1000003 + i);
        const int pieces = i % 2 == 0 ? 8 : 11;  // the code page's own, or all
        std::uniform_int_distribution<int> length(0, 90), kind(0, pieces + 7), printable(0x20, 0x7e), byte(0, 255);
        OptionSet set;
        std::string ansi;
        bool utf8 = false;
        for (int n = length(rng); n > 0; --n) {
            const int k = kind(rng);
            const char c = static_cast<char>(printable(rng));
            const auto [piece, bytes] = k < pieces ? kPieces[k] : std::pair(std::string_view(&c, 1), std::string_view(&c, 1));
            if (k >= pieces && c == '"') continue;
            set.strJunoPath += piece;
            ansi += bytes;
            utf8 = utf8 || bytes.empty();
        }
        std::uint8_t* bytes[] = {&set.bytAutoRun, &set.bytDeleteAds, &set.bytRunJuno, &set.bytClosePellmora};
        for (int b = 0; b < 4; ++b)
            *bytes[b] = static_cast<std::uint8_t>(i < 256 ? (static_cast<int>(i) + 64 * b) % 256 : byte(rng));
        SCOPED_TRACE("case " + std::to_string(i) + ", path [" + set.strJunoPath + "], PELLMORA_SEED=" +
                     std::to_string(seed));
        App writer, reader;
        static_cast<OptionSet&>(writer.f) = set;
        writer.f.SaveOptions();
        const std::optional<std::string> written = writer.fs.contents(kIni);
        reader.h.arguments = "/stay";  // no auto-run to shorten the path before we look
        reader.fs.addFile(kIni, written.value_or(""));
        reader.load();
        OptionSet inAnsi = set;
        inAnsi.strJunoPath = ansi;
        const std::string expected = utf8 ? "\xef\xbb\xbf" + fileOf(set) : fileOf(inAnsi);
        const bool ok = written == expected && writer.messages().empty() && reader.messages().empty() &&
                        reader.set() == set && reader.f.txtJunoPath.text() == set.strJunoPath;
        EXPECT_TRUE(ok) << "written: " << written.value_or("(none)") << "read back: [" << reader.f.strJunoPath << "]";
        failed += ok ? 0 : 1;
    }
    report("property_cases", cases);
    report("property_failures", failed);
}

// A save never loses the user's file: what cannot be written so that it
// reads back is refused like any failure (the fault walk fails every call of
// a save in turn). A rebuild that fails in turn is silent and keeps the
// program and its options.
TEST(OptionsSave, FailuresSayOnceAndNeverLoseTheFile) {
    const std::string previous = file("D:\\Old\\", "1\r\n0\r\n1\r\n0\r\n");
    for (bool hadFile : {true, false}) {  // with no file before, the defaults take its place
        App quoted;
        if (hadFile) quoted.fs.addFile(kIni, previous);
        quoted.f.strJunoPath = "C:\\\"odd\"";
        quoted.f.SaveOptions();
        EXPECT_EQ(quoted.messages(), optionsMessages(1));
        EXPECT_EQ(quoted.fs.contents(kIni), hadFile ? previous : kDefaultFile);
        EXPECT_EQ(quoted.f.strJunoPath, "C:\\\"odd\"");
    }

    App bad;  // out of range and the rebuild fails: one message, and the controls are still filled
    const std::string badFile = file("D:\\J", "1\r\n300\r\n");
    bad.fs.addFile(kIni, badFile);
    bad.fs.failAll(FsOp::OpenOutput);
    bad.h.whileMessageBox = [&] { EXPECT_EQ(bad.fs.calls(FsOp::OpenOutput), 0u) << "rebuilt before the message"; };
    bad.load();
    EXPECT_EQ(bad.messages(), optionsMessages(1));
    EXPECT_EQ(bad.f.txtJunoPath.text(), "D:\\J");
    EXPECT_EQ(bad.fs.contents(kIni), badFile);
}

}  // namespace

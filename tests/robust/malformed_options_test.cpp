// Malformed options files at start-up, one representative per class. Each
// reads without a message and leaves the file alone, or says so once and
// leaves the default file; a folder in the file's place is said once and
// stays as it was.
#include <gtest/gtest.h>

#include "tests/robust/Robust.h"

namespace {

using pellmora::OptionSet;
using namespace robust;

enum class After { Unchanged, DefaultFile, FolderStays };

TEST(MalformedOptionsFile, EachClassGetsItsOutcome) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    const std::string m = "\"[GENERAL]\"\r\n", nulPath = std::string("C:\\Ju") + '\0' + "no";
    const struct {
        const char* name;
        std::string bytes;
        After after;
        OptionSet expected;  // the set as LoadOptions leaves it, starting empty
    } cases[] = {
        // Items end at 0x0A, 0x0D and ',': the path is 0x0B 0x0C, then two
        // options that are no numbers, and nothing is left for the third.
        {"every byte value", allBytes, After::DefaultFile, {.strJunoPath = "\x0b\x0c"}},
        {"no line end", "\"[GENERAL]\",\"C:\\Juno\",1,0,1,1", After::Unchanged, {"C:\\Juno", 1, 0, 1, 1}},
        {"lone CR line ends", "\"[GENERAL]\"\r\"C:\\Juno\"\r1\r2\r3\r4\r", After::Unchanged, {"C:\\Juno", 1, 2, 3, 4}},
        {"a NUL in the path", m + "\"" + nulPath + "\"\r\n1\r\n1\r\n1\r\n1\r\n", After::Unchanged,
         {nulPath, 1, 1, 1, 1}},
        {"unterminated quote", m + "\"C:\\Juno\r\n1\r\n1\r\n1\r\n1\r\n", After::DefaultFile,
         {.strJunoPath = "C:\\Juno\r\n1\r\n1\r\n1\r\n1\r\n"}},
        {"2^64 + 1 does not wrap to 1", m + "\"p\"\r\n1\r\n1\r\n18446744073709551617\r\n1\r\n", After::DefaultFile,
         {"p", 1, 1, 0, 0}},
        {"10 MB of commas", std::string(10u << 20, ','), After::Unchanged, {}},
        {"a folder in place of the file", "", After::FolderStays, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        App app;
        app.fs().addFile(c.after == After::FolderStays ? kIni + "\\inside.txt" : kIni, c.bytes);
        const Snapshot before = snapshot(app.fs());
        app.f.LoadOptions();
        ASSERT_EQ(app.h.messageBoxes.size(), c.after == After::Unchanged ? 0u : 1u);
        for (const auto& box : app.h.messageBoxes)
            EXPECT_TRUE(box.text == kOptionsMessage && box.style == 48 && box.title == "Pellmora") << box.text;
        if (c.after == After::FolderStays)
            EXPECT_EQ(snapshot(app.fs()), before);
        else
            EXPECT_EQ(app.fs().contents(kIni), c.after == After::Unchanged ? c.bytes : defaultFile());
        EXPECT_EQ(static_cast<const OptionSet&>(app.f), c.expected);
        EXPECT_FALSE(app.fs().exists(kTemporary));
        EXPECT_EQ(app.fs().openCount(), 0u);
        EXPECT_EQ(touchedOutside(before, snapshot(app.fs()), [](const std::string& p) { return p == kIni; }), 0u);
    }
}

}  // namespace

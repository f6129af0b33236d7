// Malformed options files at start-up: binary data, missing or odd line
// ends, NULs, huge files and numbers, an unterminated quote, a folder in the
// file's place. Each either reads without a message and leaves the file
// alone, or says so once and leaves the default file (or, when even that
// cannot be written, what was there).
#include <gtest/gtest.h>

#include "tests/robust/Robust.h"

namespace {

using pellmora::OptionSet;
using namespace robust;

enum class After { Unchanged, DefaultFile };

struct Case {
    const char* name;
    std::string bytes;
    After after;
    OptionSet expected;  // the set as LoadOptions leaves it, starting empty
};

std::string lines(std::initializer_list<std::string_view> items) {
    std::string text;
    for (std::string_view item : items) (text += item) += "\r\n";
    return text;
}

std::string withNul(std::string_view before, std::string_view after) {
    std::string text(before);
    text += '\0';
    text += after;
    return text;
}

std::string allByteValues() {
    std::string text;
    for (int b = 0; b < 256; ++b) text += static_cast<char>(b);
    return text;
}

constexpr std::size_t kTenMegabytes = 10u << 20;

std::vector<Case> cases() {
    const std::string marker = "\"[GENERAL]\"";
    return {
        // Items end at 0x0A, 0x0D and ',': the path is 0x0B 0x0C, two options
        // read as 0 (not numbers), and nothing is left for the third.
        {"every byte value once", allByteValues(), After::DefaultFile, {.strJunoPath = "\x0b\x0c"}},
        {"one line, no line end", "\"[GENERAL]\",\"C:\\Juno\",1,0,1,1", After::Unchanged,
         {"C:\\Juno", 1, 0, 1, 1}},
        {"lone CR line ends", "\"[GENERAL]\"\r\"C:\\Juno\"\r1\r2\r3\r4\r", After::Unchanged, {"C:\\Juno", 1, 2, 3, 4}},
        {"lone LF line ends", "\"[GENERAL]\"\n\"C:\\Juno\"\n4\n3\n2\n1", After::Unchanged, {"C:\\Juno", 4, 3, 2, 1}},
        {"a NUL inside the path", lines({marker, withNul("\"C:\\Ju", "no\""), "1", "1", "1", "1"}), After::Unchanged,
         {withNul("C:\\Ju", "no"), 1, 1, 1, 1}},
        {"a NUL as an option", lines({marker, "\"C:\\Juno\"", std::string(1, '\0'), "1", "1", "1"}), After::Unchanged,
         {"C:\\Juno", 0, 1, 1, 1}},
        {"nothing but a NUL", std::string(1, '\0'), After::DefaultFile, {}},
        {"empty", "", After::DefaultFile, {}},
        {"blanks only", "   \t  ", After::DefaultFile, {}},
        {"10 MB of commas", std::string(kTenMegabytes, ','), After::Unchanged, {}},
        {"10 MB in one item", std::string(kTenMegabytes, 'x'), After::DefaultFile, {}},
        {"10 MB of digits as an option", marker + ",\"C:\\J\"," + std::string(kTenMegabytes, '9'), After::DefaultFile,
         {.strJunoPath = "C:\\J"}},
        {"unterminated quote", lines({marker, "\"C:\\Juno", "1", "1", "1", "1"}), After::DefaultFile,
         {.strJunoPath = "C:\\Juno\r\n1\r\n1\r\n1\r\n1\r\n"}},
        {"2^32 does not wrap to 0", lines({marker, "\"p\"", "0", "4294967296", "1", "1"}), After::DefaultFile,
         {.strJunoPath = "p"}},
        {"2^64 + 1 does not wrap to 1", lines({marker, "\"p\"", "1", "1", "18446744073709551617", "1"}),
         After::DefaultFile, {"p", 1, 1, 0, 0}},
        {"400 digits, past any double", lines({marker, "\"p\"", std::string(400, '9'), "1", "1", "1"}),
         After::DefaultFile, {.strJunoPath = "p"}},
        {"an exponent past the double range", lines({marker, "\"p\"", "1", "1", "1", "1e999"}), After::DefaultFile,
         {"p", 1, 1, 1, 0}},
        {"a negative exponent past the range is 0", lines({marker, "\"p\"", "1e-999", "1", "1", "1"}), After::Unchanged,
         {"p", 0, 1, 1, 1}},
        {"-1 after 255 is out of range", lines({marker, "\"p\"", "255", "-1", "1", "1"}), After::DefaultFile,
         {"p", 255, 0, 0, 0}},
    };
}

TEST(MalformedOptionsFile, EachClassGetsItsOutcomeOnce) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        App app;
        app.fs().addFile(kIni, c.bytes);
        app.fs().addFile("C:\\Juno\\BIN\\Juno.exe", "client");
        const Snapshot before = snapshot(app.fs());

        app.f.LoadOptions();

        const std::size_t expectedMessages = c.after == After::Unchanged ? 0 : 1;
        ASSERT_EQ(app.h.messageBoxes.size(), expectedMessages);
        for (const auto& box : app.h.messageBoxes) {
            EXPECT_EQ(box.text, kOptionsMessage);
            EXPECT_EQ(box.style, 48);
            EXPECT_EQ(box.title, "Pellmora");
        }
        EXPECT_EQ(app.fs().contents(kIni), c.after == After::Unchanged ? c.bytes : defaultFile());
        EXPECT_EQ(static_cast<const OptionSet&>(app.f), c.expected);
        EXPECT_FALSE(app.fs().exists(kTemporary));
        EXPECT_EQ(app.fs().openCount(), 0u);
        EXPECT_EQ(touchedOutside(before, snapshot(app.fs()), [](const std::string& p) { return p == kIni; }),
                  std::vector<std::string>{});
    }
}

// A folder where the file should be cannot be read or replaced: the message
// once, the folder and what it holds stay, and the program goes on.
TEST(MalformedOptionsFile, FolderInPlaceOfTheFileStaysUntouched) {
    App app;
    app.fs().addFile(kIni + "\\inside.txt", "keep");
    const Snapshot before = snapshot(app.fs());

    app.h.load([&] { app.f.Form_Load(); });
    ASSERT_EQ(app.h.messageBoxes.size(), 1u);
    EXPECT_EQ(app.h.messageBoxes[0].text, kOptionsMessage);
    EXPECT_TRUE(app.h.form().visible());
    EXPECT_EQ(static_cast<const OptionSet&>(app.f), OptionSet{});

    app.h.click(platform::ControlId::btnApply);
    app.h.idle();
    EXPECT_EQ(app.h.messageBoxes.size(), 2u);  // the save says so once too
    EXPECT_FALSE(app.h.ended());
    EXPECT_EQ(snapshot(app.fs()), before);
}

}  // namespace

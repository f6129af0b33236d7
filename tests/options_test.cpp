// Pellmora.ini: reading, writing and the atomic save.
#include <gtest/gtest.h>

#include <optional>

#include "platform/headless/Headless.h"
#include "window/frmMain.h"

namespace {

using headless::FsOp;
using pellmora::OptionSet;

constexpr const char* kIni = "C:\\Pellmora\\Pellmora.ini";
constexpr const char* kTmp = "C:\\Pellmora\\Pellmora.ini.tmp";
const std::string kDefault = "\"[GENERAL]\"\r\n\"C:\\Program Files\\Juno\\\"\r\n0\r\n1\r\n1\r\n1\r\n";
constexpr const char* kMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

struct App {
    headless::Headless h;
    headless::MemoryFileSystem& fs = h.files();
    pellmora::frmMain f{h.form(), h, h.files(), h};
    OptionSet set() const { return f; }
};

// The options message, shown exactly `times` times with its text, style and title.
void expectMessages(const headless::Headless& h, std::size_t times) {
    ASSERT_EQ(h.messageBoxes.size(), times);
    for (const auto& box : h.messageBoxes)
        EXPECT_EQ(box.text + "|" + std::to_string(box.style) + "|" + box.title, kMessage + std::string("|48|Pellmora"));
}

TEST(OptionsLoad, FollowsTheFailureTableRowByRow) {
    struct Row {
        const char* what;
        std::optional<std::string> file;  // none: no file at all
        bool message, rebuilt;
        OptionSet set;
    };
    const Row rows[] = {
        {"missing file: silent rebuild", std::nullopt, false, true, {}},
        {"empty file", "", true, true, {}},
        {"five items", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\n2\r\n3\r\n", true, true, {"D:\\J", 1, 2, 3, 0}},
        {"not a number", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\nabc\r\n3\r\n4\r\n", false, false, {"D:\\J", 1, 0, 3, 4}},
        {"256", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\n256\r\n3\r\n4\r\n", true, true, {"D:\\J", 1, 0, 0, 0}},
        {"-1", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n-1\r\n2\r\n3\r\n4\r\n", true, true, {"D:\\J", 0, 0, 0, 0}},
        {"unquoted marker and path", "[GENERAL]\r\nD:\\Mail Client\\\r\n1\r\n2\r\n3\r\n4\r\n", false, false,
         {"D:\\Mail Client\\", 1, 2, 3, 4}},
        {"unquoted path with a comma", "\"[GENERAL]\"\r\nC:\\a,b\r\n7\r\n8\r\n9\r\n10\r\n", false, false,
         {"C:\\a", 0, 7, 8, 9}},
        {"one line, blanks, extra items, no line end", "\"[GENERAL]\",  \"D:\\a, b \",  1,0,  255,2,9", false,
         false, {"D:\\a, b ", 1, 0, 255, 2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        App a;
        if (row.file) a.fs.addFile(kIni, *row.file);
        a.f.LoadOptions();
        expectMessages(a.h, row.message ? 1 : 0);
        EXPECT_EQ(a.fs.contents(kIni), row.rebuilt ? kDefault : *row.file);
        EXPECT_EQ(a.set(), row.set);
        EXPECT_FALSE(a.fs.exists(kTmp));
        EXPECT_EQ(a.fs.openCount(), 0u);
    }
    EXPECT_EQ(kDefault.size(), 51u);
}

TEST(OptionsSave, WritesByteForByteAndReadsBackUnchanged) {
    App a;
    static_cast<OptionSet&>(a.f) = {"C:\\a b,c\\", 2, 0, 255, 1};
    a.f.SaveOptions();
    EXPECT_EQ(a.fs.contents(kIni), "\"[GENERAL]\"\r\n\"C:\\a b,c\\\"\r\n2\r\n0\r\n255\r\n1\r\n");
    const std::string paths[] = {"", "  blanks around  ", "a,b,,c", "\tD:\\x, y\\"};
    for (int v = 0; v < 256; v += 5) {
        const OptionSet set{paths[v % 4], static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v),
                            static_cast<std::uint8_t>(v * 7), static_cast<std::uint8_t>(v + 128)};
        static_cast<OptionSet&>(a.f) = set;
        a.f.SaveOptions();
        App reader;
        reader.fs.addFile(kIni, *a.fs.contents(kIni));
        reader.f.LoadOptions();
        ASSERT_EQ(reader.set(), set) << "value " << v;
        ASSERT_TRUE(reader.h.messageBoxes.empty());
    }
    expectMessages(a.h, 0);
}

// A save that fails anywhere keeps the previous file byte for byte, says so
// once and leaves no temporary file; with no previous file the defaults are written.
TEST(OptionsSave, FailureAtAnyStepKeepsThePreviousFile) {
    const std::pair<const char*, void (*)(App&)> steps[] = {
        {"open", [](App& a) { a.fs.failNth(FsOp::OpenOutput, 1); }},
        {"first write", [](App& a) { a.fs.failNth(FsOp::WriteLine, 1, platform::FileError::DiskFull); }},
        {"last write", [](App& a) { a.fs.failNth(FsOp::WriteLine, 6, platform::FileError::DiskFull); }},
        {"close", [](App& a) { a.fs.failNth(FsOp::Close, 1); }},
        {"replace", [](App& a) { a.fs.failNth(FsOp::ReplaceFile, 1, platform::FileError::PermissionDenied); }},
        {"a path with a quote", [](App& a) { a.f.strJunoPath = "C:\\\"odd\""; }},
    };
    const std::string previous = "\"[GENERAL]\"\r\n\"D:\\Old\\\"\r\n1\r\n0\r\n1\r\n0\r\n";
    for (const auto& [what, inject] : steps) {
        for (bool hadFile : {true, false}) {
            SCOPED_TRACE(std::string(what) + (hadFile ? ", previous file" : ", no previous file"));
            App a;
            if (hadFile) a.fs.addFile(kIni, previous);
            static_cast<OptionSet&>(a.f) = {"E:\\New", 0, 1, 0, 1};
            inject(a);
            const OptionSet before = a.set();
            a.f.SaveOptions();
            expectMessages(a.h, 1);
            EXPECT_EQ(a.fs.contents(kIni), hadFile ? previous : kDefault);
            EXPECT_FALSE(a.fs.exists(kTmp));
            EXPECT_EQ(a.fs.openCount(), 0u);
            EXPECT_EQ(a.set(), before);
        }
    }
}

TEST(OptionsSave, FailingRebuildKeepsTheProgramRunning) {
    App bad;  // out of range and the rebuild fails: one message, and the controls are still filled
    const std::string file = "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\n300\r\n";
    bad.fs.addFile(kIni, file);
    bad.fs.failAll(FsOp::OpenOutput);
    bad.h.load([&] { bad.f.Form_Load(); });
    expectMessages(bad.h, 1);
    EXPECT_EQ(bad.f.txtJunoPath.text(), "D:\\J");
    EXPECT_EQ(bad.fs.contents(kIni), file);
    App a;  // missing file whose silent rebuild fails: silent, and Apply later reports once
    a.fs.failAll(FsOp::OpenOutput, platform::FileError::PermissionDenied);
    a.h.load([&] { a.f.Form_Load(); });
    expectMessages(a.h, 0);
    a.h.type(platform::ControlId::txtJunoPath, "E:\\Mine");
    a.h.click(platform::ControlId::chkAutoRun);
    a.h.click(platform::ControlId::btnApply);
    a.h.idle();
    expectMessages(a.h, 1);
    EXPECT_FALSE(a.h.ended());
    EXPECT_EQ(a.set(), (OptionSet{"E:\\Mine", 1, 0, 0, 0}));
    EXPECT_FALSE(a.fs.exists(kIni));
    EXPECT_FALSE(a.fs.exists(kTmp));
}

}  // namespace

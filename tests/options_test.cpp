// Pellmora.ini: the reader, the writer, the load and save handlers and the
// atomic save.
#include <gtest/gtest.h>

#include "platform/headless/Headless.h"
#include "window/frmMain.h"

namespace {

using headless::FsOp;
using pellmora::OptionSet;

constexpr const char* kIni = "C:\\Pellmora\\Pellmora.ini";
constexpr const char* kTmp = "C:\\Pellmora\\Pellmora.ini.tmp";
constexpr const char* kDefault = "\"[GENERAL]\"\r\n\"C:\\Program Files\\Juno\\\"\r\n0\r\n1\r\n1\r\n1\r\n";
constexpr const char* kMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

struct App {
    headless::Headless h;
    headless::MemoryFileSystem& fs = h.files();
    pellmora::frmMain f{h.form(), h, h.files(), h};
    OptionSet set() const { return f; }
};

std::string ini(std::string_view path, int a, int b, int c, int d) {
    return "\"[GENERAL]\"\r\n\"" + std::string(path) + "\"\r\n" + std::to_string(a) + "\r\n" + std::to_string(b) +
           "\r\n" + std::to_string(c) + "\r\n" + std::to_string(d) + "\r\n";
}

// The options message, shown exactly `times` times, each with its exact text, style and title.
void expectMessages(const headless::Headless& h, std::size_t times) {
    ASSERT_EQ(h.messageBoxes.size(), times);
    for (const auto& box : h.messageBoxes) {
        EXPECT_EQ(box.text, kMessage);
        EXPECT_EQ(box.style, 48);
        EXPECT_EQ(box.title, "Pellmora");
    }
}

TEST(OptionsLoad, AbsentFileIsRebuiltSilentlyAndTheSetStaysEmpty) {
    App a;
    a.f.LoadOptions();
    expectMessages(a.h, 0);
    EXPECT_EQ(a.fs.contents(kIni), kDefault);
    EXPECT_EQ(std::string(kDefault).size(), 51u);
    EXPECT_EQ(a.set(), OptionSet{});
    EXPECT_FALSE(a.fs.exists(kTmp));
}

TEST(OptionsLoad, FollowsTheFailureTableRowByRow) {
    enum After { Unchanged, Defaults };
    struct Row {
        const char* what;
        std::string file;
        bool message;
        After after;
        OptionSet set;
    };
    const std::string sixLines = ini("D:\\J", 1, 2, 3, 4);
    const Row rows[] = {
        {"empty file", "", true, Defaults, {}},
        {"section marker only", "\"[GENERAL]\"\r\n", true, Defaults, {}},
        {"five items", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\n2\r\n3\r\n", true, Defaults, {"D:\\J", 1, 2, 3, 0}},
        {"not a number", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\nabc\r\n3\r\n4\r\n", false, Unchanged,
         {"D:\\J", 1, 0, 3, 4}},
        {"256", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\n256\r\n3\r\n4\r\n", true, Defaults, {"D:\\J", 1, 0, 0, 0}},
        {"-1", "\"[GENERAL]\"\r\n\"D:\\J\"\r\n-1\r\n2\r\n3\r\n4\r\n", true, Defaults, {"D:\\J", 0, 0, 0, 0}},
        {"unquoted marker and path", "[GENERAL]\r\nD:\\Mail Client\\Juno\\\r\n1\r\n2\r\n3\r\n4\r\n", false, Unchanged,
         {"D:\\Mail Client\\Juno\\", 1, 2, 3, 4}},
        {"unquoted path with a comma", "\"[GENERAL]\"\r\nC:\\a,b\r\n7\r\n8\r\n9\r\n10\r\n", false, Unchanged,
         {"C:\\a", 0, 7, 8, 9}},
        {"more than six items", sixLines + "5\r\n\"extra\"\r\n", false, Unchanged, {"D:\\J", 1, 2, 3, 4}},
        {"items on one line, blanks, no final line end", "\"[GENERAL]\",  \"D:\\a, b \",  1,0,  255,2", false,
         Unchanged, {"D:\\a, b ", 1, 0, 255, 2}},
        {"empty items", "\"[GENERAL]\"\r\n\r\n3\r\n\r\n255\r\n,9\r\n", false, Unchanged, {"", 3, 0, 255, 0}},
        {"bare line feeds", "\"[GENERAL]\"\n\"D:\\J\"\n1\n2\n3\n4", false, Unchanged, {"D:\\J", 1, 2, 3, 4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        App a;
        a.fs.addFile(kIni, row.file);
        a.f.LoadOptions();
        expectMessages(a.h, row.message ? 1 : 0);
        EXPECT_EQ(a.fs.contents(kIni), row.after == Defaults ? kDefault : row.file);
        EXPECT_EQ(a.set(), row.set);
        EXPECT_FALSE(a.fs.exists(kTmp));
        EXPECT_EQ(a.fs.openCount(), 0u);
    }
}

TEST(OptionsLoad, FileThatCannotBeOpenedIsReportedOnceAndTheProgramRunsOn) {
    {
        SCOPED_TRACE("in use by another program: the rebuild cannot replace it");
        App a;
        a.fs.addFile(kIni, ini("D:\\J", 1, 1, 1, 1), {.inUse = true});
        a.h.load([&] { a.f.Form_Load(); });
        expectMessages(a.h, 1);
        EXPECT_EQ(a.fs.contents(kIni), ini("D:\\J", 1, 1, 1, 1));
        EXPECT_EQ(a.set(), OptionSet{});
        EXPECT_FALSE(a.fs.exists(kTmp));
        EXPECT_FALSE(a.h.ended());
    }
    {
        SCOPED_TRACE("a folder in its place");
        App a;
        a.fs.addFolder(kIni);
        a.h.load([&] { a.f.Form_Load(); });
        expectMessages(a.h, 1);
        EXPECT_TRUE(a.fs.isFolder(kIni));
        EXPECT_FALSE(a.fs.exists(kTmp));
        EXPECT_TRUE(a.h.form().visible());
    }
    {
        SCOPED_TRACE("out of range and the rebuild fails too: start-up still fills the controls");
        App a;
        a.fs.addFile(kIni, "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\n300\r\n");
        a.fs.failAll(FsOp::OpenOutput);
        a.h.load([&] { a.f.Form_Load(); });
        expectMessages(a.h, 1);
        EXPECT_EQ(a.f.txtJunoPath.text(), "D:\\J");
        EXPECT_EQ(a.f.chkAutoRun.value(), 1);
        EXPECT_EQ(a.fs.contents(kIni), "\"[GENERAL]\"\r\n\"D:\\J\"\r\n1\r\n300\r\n");
        EXPECT_FALSE(a.h.ended());
    }
}

TEST(OptionsFileName, IsTheProgramFolderPlusBackslashEvenAtADriveRoot) {
    App a;
    a.fs.setProgramFolder("C:\\");
    EXPECT_EQ(a.f.optionsFileName(), "C:\\\\Pellmora.ini");
    a.f.LoadOptions();
    EXPECT_EQ(a.fs.callLog().front(), "OpenInput C:\\\\Pellmora.ini");
    EXPECT_EQ(a.fs.contents("C:\\Pellmora.ini"), kDefault);

    App b;
    b.fs.setProgramFolder("D:\\Tools\\Pell mora");
    EXPECT_EQ(b.f.optionsFileName(), "D:\\Tools\\Pell mora\\Pellmora.ini");
}

TEST(OptionsSave, WritesTheSixLinesByteForByte) {
    App a;
    static_cast<OptionSet&>(a.f) = {"C:\\a b,c\\", 2, 0, 255, 1};
    a.f.SaveOptions();
    EXPECT_EQ(a.fs.contents(kIni), "\"[GENERAL]\"\r\n\"C:\\a b,c\\\"\r\n2\r\n0\r\n255\r\n1\r\n");
    static_cast<OptionSet&>(a.f) = {"", 0, 0, 0, 0};
    a.f.SaveOptions();
    EXPECT_EQ(a.fs.contents(kIni), "\"[GENERAL]\"\r\n\"\"\r\n0\r\n0\r\n0\r\n0\r\n");
    expectMessages(a.h, 0);
}

TEST(OptionsSave, EveryWrittenFileReadsBackUnchanged) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        if (c != '"' && c != '\r' && c != '\n') everyByte += static_cast<char>(c);
    const std::string paths[] = {"", "C:\\Program Files\\Juno\\", "  blanks around  ", "a,b,,c", ",", "\tD:\\x, y\\",
                                 everyByte};
    App writer;
    for (int v = 0; v < 256; ++v) {
        const OptionSet set{paths[v % std::size(paths)], static_cast<std::uint8_t>(v),
                            static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v * 7),
                            static_cast<std::uint8_t>(v + 128)};
        static_cast<OptionSet&>(writer.f) = set;
        writer.f.SaveOptions();
        App reader;
        reader.fs.addFile(kIni, *writer.fs.contents(kIni));
        reader.f.LoadOptions();
        ASSERT_EQ(reader.set(), set) << "value " << v;
        ASSERT_TRUE(reader.h.messageBoxes.empty());
    }
    expectMessages(writer.h, 0);
}

// A save that fails anywhere keeps the previous file byte for byte, says so
// once and leaves no temporary file; with no previous file the defaults are
// written, since they replace nothing the user had.
TEST(OptionsSave, FailureAtAnyStepKeepsThePreviousFile) {
    struct Step {
        const char* what;
        void (*inject)(App&);
    };
    const Step steps[] = {
        {"open", [](App& a) { a.fs.failNth(FsOp::OpenOutput, 1); }},
        {"first write", [](App& a) { a.fs.failNth(FsOp::WriteLine, 1, platform::FileError::DiskFull); }},
        {"last write", [](App& a) { a.fs.failNth(FsOp::WriteLine, 6, platform::FileError::DiskFull); }},
        {"close", [](App& a) { a.fs.failNth(FsOp::Close, 1); }},
        {"replace", [](App& a) { a.fs.failNth(FsOp::ReplaceFile, 1, platform::FileError::PermissionDenied); }},
        {"a path with a quote, which could not read back", [](App& a) { a.f.strJunoPath = "C:\\\"odd\""; }},
    };
    const std::string previous = ini("D:\\Old\\", 1, 0, 1, 0);
    for (const Step& step : steps) {
        for (bool hadFile : {true, false}) {
            SCOPED_TRACE(std::string(step.what) + (hadFile ? ", previous file" : ", no previous file"));
            App a;
            if (hadFile) a.fs.addFile(kIni, previous);
            static_cast<OptionSet&>(a.f) = {"E:\\New", 0, 1, 0, 1};
            step.inject(a);
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

TEST(OptionsSave, FailingRebuildKeepsTheProgramRunningWithItsOptions) {
    App a;
    a.fs.failAll(FsOp::OpenOutput, platform::FileError::PermissionDenied);
    a.h.load([&] { a.f.Form_Load(); });
    expectMessages(a.h, 0);  // the silent rebuild of a missing file failed silently
    EXPECT_FALSE(a.fs.exists(kIni));
    a.h.type(platform::ControlId::txtJunoPath, "E:\\Mine");
    a.h.click(platform::ControlId::chkAutoRun);
    a.h.click(platform::ControlId::btnApply);
    a.h.idle();
    expectMessages(a.h, 1);
    EXPECT_FALSE(a.h.ended());
    EXPECT_EQ(a.set(), (OptionSet{"E:\\Mine", 1, 0, 0, 0}));
    EXPECT_FALSE(a.fs.exists(kIni));
    EXPECT_FALSE(a.fs.exists(kTmp));

    a.fs.clearFaults();
    a.h.click(platform::ControlId::btnApply);
    a.h.idle();
    EXPECT_EQ(a.fs.contents(kIni), ini("E:\\Mine", 1, 0, 0, 0));
    expectMessages(a.h, 1);
}

}  // namespace

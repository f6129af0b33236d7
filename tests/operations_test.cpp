// Emptying the ads folder and starting the mail client.
#include <algorithm>
#include <memory>

#include "operations/FullPath.h"
#include "tests/Fixture.h"

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kAds = "C:\\Juno\\ads\\";

struct App : fixture::App {
    App() { f.strJunoPath = "C:\\Juno\\"; }
    Lines shown() const { return h.logOf({"labStatus", "pbStatus", "form refresh"}); }
};

std::string ads(std::string_view rest) { return kAds + std::string(rest); }

TEST(DeleteAds, CountsDownEachEntryWithTheProgressBar) {
    App a;
    a.h.msPerFileCall = 20;  // slow enough that every step is painted
    for (const char* file : {"A\\1.gif", "A\\2.gif", "B\\1.gif"}) a.fs.addFile(ads(file), "x");
    a.f.DeleteAds();
    EXPECT_EQ(a.shown(), (Lines{"labStatus=2 folders left.", "labStatus refresh", "pbStatus max=2 value=0",
                                "pbStatus max=2 value=1", "labStatus=1 folders left.", "form refresh",
                                "pbStatus max=2 value=2", "labStatus=0 folders left.", "form refresh",
                                "labStatus=Delete Ads Successful.", "labStatus refresh", "pbStatus max=2 value=0"}));
    EXPECT_TRUE(!a.fs.exists(ads("A")) && !a.fs.exists(ads("B")) && a.fs.isFolder(kAds));
    for (bool exists : {true, false}) {  // an empty ads folder is a success; a missing one is said so
        App b;
        if (exists) b.fs.addFolder(kAds);
        b.f.DeleteAds();
        const std::string end = exists ? "Delete Ads Successful." : "The ads folder was not found at C:\\Juno\\ads";
        EXPECT_EQ(b.shown(), (Lines{"labStatus=" + end, "labStatus refresh", "pbStatus max=100 value=0"}));
    }
}

// A long run shows every count but is heard at its start, at most once every
// 5 s while it runs, and at its end; an error is heard too.
TEST(DeleteAds, IsHeardAtTheStartAtMostEveryFiveSecondsAndAtTheEnd) {
    App a, missing;
    a.h.msPerFileCall = 20;
    for (int i = 0; i < 200; ++i) a.fs.addFile(ads("ad" + std::to_string(i) + "\\1.gif"));
    a.f.DeleteAds();
    missing.f.DeleteAds();
    const auto& heard = a.h.announced;
    ASSERT_GT(heard.size(), 3u);
    EXPECT_EQ(heard.front().second, "200 folders left.");
    EXPECT_EQ(heard.back().second, "Delete Ads Successful.");
    for (std::size_t i = 1; i + 1 < heard.size(); ++i) {
        // Not the last count, which the end follows at once; an entry takes 100 ms.
        EXPECT_TRUE(heard[i].second.ends_with(" folders left.") && heard[i].second[0] != '0') << heard[i].second;
        EXPECT_GE(heard[i].first - heard[i - 1].first, 5000u);
        EXPECT_LT(heard[i].first - heard[i - 1].first, 5100u) << "heard later than the first count it may be";
    }
    EXPECT_EQ(a.h.logOf({"labStatus="}).size(), 202u);
    EXPECT_EQ(missing.h.announced.size(), 1u);
}

// Only a name really gone counts as gone. One refused ("a:b"), one listed
// under a name that does not open back and one another program removed first
// all say "not found": the ads folder listed afresh tells them apart.
TEST(DeleteAds, CountsEveryNameStillThereAsNotDeleted) {
    App a;
    for (const char* entry : {"A\\1.gif", "a:b\\1.gif", "q?x\\1.gif", "V"}) a.fs.addFile(ads(entry));
    a.fs.addFolder(ads("q?x"), {.unopenable = true});
    a.fs.afterCall = [&] { if (a.fs.callLog().back() == "OpenFolder " + ads("V")) a.fs.deleteFile(ads("V")); };
    a.f.DeleteAds();
    EXPECT_EQ(a.f.labStatus.caption(), "2 folders could not be deleted.");
}

// Only a path that names one place whatever folder is current is acted on:
// with any other, neither operation touches a file nor starts a program.
TEST(FullPath, IsADriveWithItsRootOrAShare) {
    // Over exactly the path's bytes on the heap: a look past its end is an overflow the sanitizer sees.
    const auto full = [](std::string_view p) {
        const auto bytes = std::make_unique<char[]>(p.size());
        std::copy(p.begin(), p.end(), bytes.get());
        return pellmora::isFullPath({bytes.get(), p.size()});
    };
    for (const char* p : {"A:\\", "C:\\a", "z:/x", "Z:\\", "\\\\s\\sh\\", "//s/sh/"}) EXPECT_TRUE(full(p)) << p;
    for (const char* p : {"", "\\", "\\a", "a", "C:", "C:a", "1:\\x", "\\\\s\\sh", "\\\\\\sh\\", "\\\\s\\\\x"})
        EXPECT_FALSE(full(p)) << p;
    // The extended-length forms of both, where only "\" separates; device and namespace paths are neither.
    for (const char* p : {"\\\\?\\C:\\a", "\\\\?\\unc\\s\\sh\\"}) EXPECT_TRUE(full(p)) << p;
    for (const char* p : {"\\\\.\\PhysicalDrive0\\", "//./C:/", "\\\\?/C:\\", "\\\\?\\C:/a", "\\\\?\\UNC\\s\\sh",
                          "\\\\?\\UNC", "\\\\?\\uxx\\s\\sh\\", "\\\\?\\XNC\\s\\sh\\", "\\\\?\\UNX\\s\\sh\\",
                          "\\\\?\\GLOBALROOT\\Device\\x\\", "\\\\?\\Volume{1b3b1146-4076-11e1-84aa-806e6f6e6963}\\"})
        EXPECT_FALSE(full(p)) << p;
    for (const char* p : {"", ".."}) {
        App a;
        a.h.canStart = [](const std::string&) { return true; };
        a.f.strJunoPath = p;
        a.f.DeleteAds(), a.f.RunJuno();
        EXPECT_TRUE(a.fs.callLog().empty() && a.h.started.empty()) << p;
    }
}

// Each operation cuts one trailing backslash from the path; the text box keeps it.
TEST(TrailingBackslash, OneIsCutPerRunAndTheTextBoxKeepsIt) {
    const struct {
        std::string path, after, base;
    } rows[] = {
        {"C:\\Program Files\\Juno\\", "C:\\Program Files\\Juno", "C:\\Program Files\\Juno\\"},
        {"C:\\", "C:", "C:\\"},
        {"C:\\J\\\\", "C:\\J\\", "C:\\J\\\\"},
        {"C:\\J/", "C:\\J/", "C:\\J/\\"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("path \"" + row.path + "\"");
        App del, run;
        run.h.canStart = [](const std::string&) { return true; };
        for (App* a : {&del, &run}) {
            a->f.txtJunoPath.setText(row.path);
            a->f.strJunoPath = row.path;
        }
        del.f.btnDeleteAds.click();
        run.f.btnRunJuno.click();
        EXPECT_EQ(del.fs.callLog().at(0), "OpenFolder " + row.base + "ads\\");
        EXPECT_EQ(run.h.started, Lines{row.base + "BIN\\Juno.exe"});
        EXPECT_EQ(run.h.logOf({"labStatus", "message"}), (Lines{"labStatus=Run Juno Successful.", "labStatus refresh"}));
        for (App* a : {&del, &run}) {
            EXPECT_EQ(a->f.strJunoPath, row.after);
            EXPECT_EQ(a->f.txtJunoPath.text(), row.path);
        }
    }
}

// A start that fails (a start that succeeds is above) shows the path as cut,
// the tail in lower case, and leaves the status as it was.
TEST(RunJuno, AFailedStartShowsTheExactMessage) {
    App a;
    a.f.strJunoPath = "D:\\x\\\\";
    a.f.labStatus.setCaption("Delete Ads Successful.");
    a.f.RunJuno();
    EXPECT_EQ(a.messages(), Lines{"Juno.exe was not found at D:\\x\\\\bin\\juno.exe or Juno is already open.|48|Pellmora"});
    EXPECT_EQ(a.f.labStatus.caption(), "Delete Ads Successful.");
    EXPECT_TRUE(a.h.started.empty());
}

}  // namespace

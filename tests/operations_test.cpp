// Emptying the ads folder and starting the mail client.
#include <gtest/gtest.h>

#include "platform/headless/Headless.h"
#include "window/frmMain.h"

namespace {

using headless::FsOp;

constexpr const char* kAds = "C:\\Juno\\ads\\";

struct App {
    App() { f.strJunoPath = "C:\\Juno\\"; }
    headless::Headless h;
    headless::MemoryFileSystem& fs = h.files();
    pellmora::frmMain f{h.form(), h, h.files(), h};
    std::vector<std::string> shown() const { return h.logOf({"labStatus", "pbStatus", "form refresh"}); }
    std::vector<std::string> under(std::string_view prefix) const {
        std::vector<std::string> paths;
        for (const std::string& p : fs.allPaths())
            if (p.starts_with(prefix)) paths.push_back(p);
        return paths;
    }
    std::vector<std::string> outsideAds() const {
        std::vector<std::string> paths;
        for (const std::string& p : fs.allPaths())
            if (!p.starts_with("C:\\Juno\\ads\\")) paths.push_back(p);
        return paths;
    }
};

std::string ads(std::string_view rest) { return kAds + std::string(rest); }

TEST(DeleteAds, CountsDownEachEntryWithTheProgressBar) {
    App a;
    a.h.msPerFileCall = 20;  // slow enough that every step is painted
    a.fs.addFile(ads("A\\1.gif"), "x");
    a.fs.addFile(ads("A\\2.gif"), "x");
    a.fs.addFile(ads("B\\1.gif"), "x");
    a.f.DeleteAds();
    const std::vector<std::string> expected = {
        "labStatus=2 folders left.", "labStatus refresh",          "pbStatus max=2 value=0",
        "pbStatus max=2 value=1",    "labStatus=1 folders left.",   "form refresh",
        "pbStatus max=2 value=2",    "labStatus=0 folders left.",   "form refresh",
        "labStatus=Delete Ads Successful.", "labStatus refresh",    "pbStatus max=2 value=0",
    };
    EXPECT_EQ(a.shown(), expected);
    EXPECT_EQ(a.under(kAds), std::vector<std::string>{});
    EXPECT_TRUE(a.fs.isFolder(kAds));

    a.h.log.clear();  // nothing left: only the end, and the maximum of the last run stays
    a.f.DeleteAds();
    EXPECT_EQ(a.shown(), (std::vector<std::string>{"labStatus=Delete Ads Successful.", "labStatus refresh",
                                                   "pbStatus max=2 value=0"}));
}

TEST(DeleteAds, EmptyOrMissingFolderShowsOnlyTheEnd) {
    for (bool exists : {true, false}) {
        SCOPED_TRACE(exists ? "only . and .." : "no ads folder");
        App a;
        if (exists) a.fs.addFolder(kAds);
        a.f.DeleteAds();
        EXPECT_EQ(a.shown(), (std::vector<std::string>{"labStatus=Delete Ads Successful.", "labStatus refresh",
                                                       "pbStatus max=100 value=0"}));
        EXPECT_EQ(a.fs.isFolder(kAds), exists);
    }
}

// Repaints are paced by the clock, but the first and last states always show
// and every painted caption matches its painted position.
TEST(DeleteAds, PacedRepaintsStillShowTheFirstAndLastStates) {
    App fast;
    for (int i = 0; i < 200; ++i) fast.fs.addFolder(ads("f" + std::to_string(i)));
    fast.f.DeleteAds();
    EXPECT_EQ(fast.shown(), (std::vector<std::string>{
                                "labStatus=200 folders left.", "labStatus refresh", "pbStatus max=200 value=0",
                                "pbStatus max=200 value=200", "labStatus=0 folders left.", "form refresh",
                                "labStatus=Delete Ads Successful.", "labStatus refresh", "pbStatus max=200 value=0"}));

    App paced;
    paced.h.msPerFileCall = 1;
    for (int i = 0; i < 200; ++i) paced.fs.addFile(ads("f" + std::to_string(i) + "\\x.gif"));
    const std::uint64_t start = paced.h.milliseconds();
    paced.f.DeleteAds();
    const std::uint64_t elapsed = paced.h.milliseconds() - start;
    const std::vector<std::string> lines = paced.shown();
    std::size_t paints = 0;
    for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
        const std::string prefix = "pbStatus max=200 value=";
        if (!lines[i].starts_with(prefix) || lines[i] == prefix + "0") continue;
        const int position = std::stoi(lines[i].substr(prefix.size()));
        EXPECT_EQ(lines[i + 1], "labStatus=" + std::to_string(200 - position) + " folders left.");
        EXPECT_EQ(lines[i + 2], "form refresh");
        ++paints;
    }
    EXPECT_GE(paints, elapsed / 30);  // progress shows while it works, not only at the end
    EXPECT_LE(paints, elapsed / 15 + 1);
    EXPECT_EQ(lines.end()[-6], "pbStatus max=200 value=200");
}

TEST(TrailingBackslash, OneIsCutPerRunAndTheTextBoxKeepsIt) {
    struct Row {
        std::string path, after, listed, started;
    };
    const Row rows[] = {
        {"C:\\Program Files\\Juno\\", "C:\\Program Files\\Juno", "C:\\Program Files\\Juno\\ads\\",
         "C:\\Program Files\\Juno\\BIN\\Juno.exe"},
        {"C:\\", "C:", "C:\\ads\\", "C:\\BIN\\Juno.exe"},
        {"", "", "\\ads\\", "\\BIN\\Juno.exe"},
        {"C:\\J\\\\", "C:\\J\\", "C:\\J\\\\ads\\", "C:\\J\\\\BIN\\Juno.exe"},
        {"C:\\J/", "C:\\J/", "C:\\J/\\ads\\", "C:\\J/\\BIN\\Juno.exe"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("path \"" + row.path + "\"");
        App del;
        del.f.txtJunoPath.setText(row.path);
        del.f.strJunoPath = row.path;  // the text box may already show it
        del.f.DeleteAds();
        EXPECT_EQ(del.f.strJunoPath, row.after);
        EXPECT_EQ(del.fs.callLog().front(), "FindFirst " + row.listed);
        EXPECT_EQ(del.f.txtJunoPath.text(), row.path);

        App run;
        run.h.canStart = [](const std::string&) { return true; };
        run.f.txtJunoPath.setText(row.path);
        run.f.strJunoPath = row.path;
        run.f.RunJuno();
        EXPECT_EQ(run.f.strJunoPath, row.after);
        EXPECT_EQ(run.h.started, std::vector<std::string>{row.started});
        EXPECT_EQ(run.f.txtJunoPath.text(), row.path);
    }
    App twice;  // a doubled backslash loses one per run, whichever operation runs
    twice.h.canStart = [](const std::string&) { return true; };
    twice.f.strJunoPath = "C:\\J\\\\";
    twice.f.DeleteAds();
    twice.f.RunJuno();
    EXPECT_EQ(twice.f.strJunoPath, "C:\\J");
    EXPECT_EQ(twice.h.started, std::vector<std::string>{"C:\\J\\BIN\\Juno.exe"});
}

// What cannot be deleted stays, the run goes on with the next entry, and the
// end says how many entries are left.
TEST(DeleteAds, EntriesThatCannotGoStayAndAreCounted) {
    App a;
    a.fs.addFile(ads("A\\locked.gif"), "x", {.readOnly = true});
    a.fs.addFile(ads("A\\plain.gif"), "x");
    a.fs.addFile(ads("B\\open.gif"), "x", {.inUse = true});
    a.fs.addFile(ads("C\\sub\\deep.gif"), "x");
    a.fs.addFile(ads("C\\top.gif"), "x");
    a.fs.addFile(ads("D\\hidden.gif"), "x", {.hidden = true});
    a.fs.addFile(ads("D\\shown.gif"), "x");
    a.fs.addFile(ads("E\\1.gif"), "x");
    a.fs.addFile(ads("loose.gif"), "x");
    a.fs.addFile(ads("readonly.gif"), "x", {.readOnly = true});
    a.fs.addFile(ads("system.gif"), "x", {.system = true});
    a.f.DeleteAds();
    EXPECT_EQ(a.under(kAds), (std::vector<std::string>{ads("A"), ads("A\\locked.gif"), ads("B"), ads("B\\open.gif"),
                                                       ads("C"), ads("C\\sub"), ads("C\\sub\\deep.gif"), ads("D"),
                                                       ads("D\\hidden.gif"), ads("readonly.gif"), ads("system.gif")}));
    EXPECT_EQ(a.f.labStatus.caption(), "5 folders could not be deleted.");
    EXPECT_EQ(a.f.pbStatus.value(), 0);
    EXPECT_EQ(a.f.pbStatus.max(), 7);  // the system file is never listed
}

TEST(DeleteAds, AFailingActionIsPassedOver) {
    struct Row {
        const char* what;
        void (*inject)(headless::MemoryFileSystem&);
        std::vector<std::string> left;
        std::string status;
    };
    const Row rows[] = {
        {"listing the ads folder", [](auto& fs) { fs.failNth(FsOp::FindFirst, 1); },
         {ads("A"), ads("A\\1.gif"), ads("A\\2.gif"), ads("B"), ads("B\\1.gif"), ads("z.gif")},
         "Delete Ads Successful."},
        {"continuing it: an exhausted listing", [](auto& fs) { fs.failNth(FsOp::FindNext, 3); },
         {ads("B"), ads("B\\1.gif"), ads("z.gif")}, "Delete Ads Successful."},
        {"listing entry A", [](auto& fs) { fs.failNth(FsOp::FindFirst, 2); },
         {ads("A"), ads("A\\1.gif"), ads("A\\2.gif")}, "1 folders could not be deleted."},
        {"deleting a file in A", [](auto& fs) { fs.failNth(FsOp::DeleteFile, 1); }, {ads("A"), ads("A\\1.gif")},
         "1 folders could not be deleted."},
        {"removing A", [](auto& fs) { fs.failNth(FsOp::RemoveFolder, 1); }, {ads("A")},
         "1 folders could not be deleted."},
        {"deleting the loose file", [](auto& fs) { fs.failNth(FsOp::DeleteFile, 6); }, {ads("z.gif")},
         "1 folders could not be deleted."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        App a;
        a.fs.addFile(ads("A\\1.gif"), "x");
        a.fs.addFile(ads("A\\2.gif"), "x");
        a.fs.addFile(ads("B\\1.gif"), "x");
        a.fs.addFile(ads("z.gif"), "x");
        row.inject(a.fs);
        a.f.DeleteAds();
        EXPECT_EQ(a.under(kAds), row.left);
        EXPECT_EQ(a.f.labStatus.caption(), row.status);
        EXPECT_EQ(a.f.pbStatus.value(), 0);
    }
}

TEST(DeleteAds, CleansEveryEntryPastTheOldLimits) {
    for (int count : {1001, 32800}) {
        SCOPED_TRACE(count);
        App a;
        for (int i = 0; i < count; ++i) {
            if (count < 2000)
                a.fs.addFile(ads("e" + std::to_string(i) + "\\ad.gif"), "x");
            else
                a.fs.addFolder(ads("e" + std::to_string(i)));
        }
        a.f.DeleteAds();
        EXPECT_EQ(a.under(kAds), std::vector<std::string>{});
        const std::vector<std::string> lines = a.shown();
        ASSERT_GE(lines.size(), 6u);
        EXPECT_EQ(lines[0], "labStatus=" + std::to_string(count) + " folders left.");
        EXPECT_EQ(lines.end()[-6], "pbStatus max=" + std::to_string(count) + " value=" + std::to_string(count));
        EXPECT_EQ(a.f.labStatus.caption(), "Delete Ads Successful.");
        EXPECT_EQ(a.f.pbStatus.max(), static_cast<float>(count));
    }
}

TEST(DeleteAds, NeverGoesThroughALink) {
    App a;
    a.fs.addFile("C:\\Keep\\k.txt", "mine");
    a.fs.addFile("C:\\Keep\\sub\\k2.txt", "mine");
    a.fs.addFile("C:\\Other\\o.txt", "mine");
    a.fs.addLink(ads("L"), "C:\\Keep");        // an entry that is a link to a folder
    a.fs.addLink(ads("F"), "C:\\Other\\o.txt");  // an entry that is a link to a file
    a.fs.addFile(ads("A\\1.gif"), "x");
    a.fs.addLink(ads("A\\in"), "C:\\Keep");          // links inside an entry folder
    a.fs.addLink(ads("A\\file"), "C:\\Other\\o.txt");
    const std::vector<std::string> outside = a.outsideAds();
    a.f.DeleteAds();
    EXPECT_EQ(a.outsideAds(), outside);
    EXPECT_EQ(a.fs.contents("C:\\Keep\\k.txt"), "mine");
    EXPECT_EQ(a.fs.contents("C:\\Other\\o.txt"), "mine");
    std::vector<std::string> listed;
    for (const std::string& call : a.fs.callLog())
        if (call.starts_with("FindFirst ")) listed.push_back(call.substr(10));
    EXPECT_EQ(listed, (std::vector<std::string>{kAds, ads("A\\")}));
    // The entry links go as links; the folder link inside A cannot be deleted
    // as a file, so it and A stay.
    EXPECT_FALSE(a.fs.exists(ads("L")));
    EXPECT_FALSE(a.fs.exists(ads("F")));
    EXPECT_EQ(a.under(kAds), (std::vector<std::string>{ads("A"), ads("A\\in")}));
    EXPECT_EQ(a.f.labStatus.caption(), "1 folders could not be deleted.");
}

TEST(RunJuno, StartsTheClientAndSaysSo) {
    App a;
    a.f.strJunoPath = "C:\\Program Files\\Juno\\";
    a.fs.addFile("C:\\Program Files\\Juno\\BIN\\Juno.exe", "MZ");
    a.f.RunJuno();
    EXPECT_EQ(a.h.started, std::vector<std::string>{"C:\\Program Files\\Juno\\BIN\\Juno.exe"});
    EXPECT_EQ(a.shown(), (std::vector<std::string>{"labStatus=Run Juno Successful.", "labStatus refresh"}));
    EXPECT_TRUE(a.h.messageBoxes.empty());
}

TEST(RunJuno, FailureShowsTheMessageAndLeavesTheStatus) {
    const std::pair<std::string, std::string> rows[] = {
        {"C:\\Program Files\\Juno\\",
         "Juno.exe was not found at C:\\Program Files\\Juno\\bin\\juno.exe or Juno is already open."},
        {"", "Juno.exe was not found at \\bin\\juno.exe or Juno is already open."},
        {"D:\\x\\\\", "Juno.exe was not found at D:\\x\\\\bin\\juno.exe or Juno is already open."},
    };
    for (const auto& [path, text] : rows) {
        SCOPED_TRACE(path);
        App a;
        a.f.strJunoPath = path;
        a.f.labStatus.setCaption("Delete Ads Successful.");
        a.h.log.clear();
        a.f.RunJuno();
        ASSERT_EQ(a.h.messageBoxes.size(), 1u);
        EXPECT_EQ(a.h.messageBoxes[0].text, text);
        EXPECT_EQ(a.h.messageBoxes[0].style, 48);
        EXPECT_EQ(a.h.messageBoxes[0].title, "Pellmora");
        EXPECT_EQ(a.f.labStatus.caption(), "Delete Ads Successful.");
        EXPECT_EQ(a.shown(), std::vector<std::string>{});
        EXPECT_TRUE(a.h.started.empty());
    }
}

}  // namespace

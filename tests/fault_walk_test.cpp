// Every file-system call of a DeleteAds and a SaveOptions run is made to fail
// in turn, with each kind of error, and so is every call of one operation and
// every call of all. Whatever fails: DeleteAds ends with its status text
// counting the entries still there (or naming the ads folder it could not
// open or list whole) and the progress at 0, and deletes nothing a clean run keeps;
// SaveOptions leaves the previous file or the new one, never a mixed one;
// nothing but the ads folder, Pellmora.ini and its temporary file changes.
#include "tests/Fixture.h"

namespace {

using headless::FsOp;
using platform::FileError;
using pellmora::OptionSet;
using namespace fixture;

const std::string kAds = "C:\\Juno\\ads\\";

// A single failing call (`nth`, past the end for none), or with `nth` 0,
// every call of `op`, or of all.
struct Fault {
    std::size_t nth = 0;
    FileError error = FileError::IoError;
    std::optional<FsOp> op;
    bool clean() const { return nth == SIZE_MAX; }
};

struct Tally {
    std::uint64_t faults = 0, violations = 0, outside = 0;
    std::size_t calls = 0;  // of the last run
};

// Runs `run(setup, fault, tally)` clean and then under every fault of the
// calls the clean run made; `run` returns the problems it saw.
template <class Setup, class Run>
void walk(std::initializer_list<Setup> setups, Run run) {
    Tally tally;
    for (Setup setup : setups) {
        std::vector<Fault> all{{SIZE_MAX}};
        for (std::size_t i = 0; i < all.size(); ++i) {
            std::string text;
            for (const std::string& p : run(setup, all[i], tally)) text += "\n  " + p;
            if (!text.empty() && ++tally.violations <= 10)
                ADD_FAILURE() << "setup " << int(setup) << ", call " << all[i].nth << " error " << int(all[i].error)
                              << " op " << (all[i].op ? int(*all[i].op) : -1) << ":" << text;
            if (i > 0) continue;
            all.push_back({});  // every call
            for (FileError error : {FileError::IoError, FileError::PermissionDenied, FileError::FileNotFound,
                                    FileError::PathNotFound, FileError::DiskFull})
                for (std::size_t n = 1; n <= tally.calls + 1; ++n) all.push_back({n, error});  // one past: none
            for (std::size_t op = 0; op < headless::kFsOpCount; ++op) all.push_back({0, {}, FsOp(op)});
        }
        tally.faults += all.size() - 1;
    }
    report("faults_walked", tally.faults);
    report("fault_violations", tally.violations);
    report("outside_touched", tally.outside);
    EXPECT_EQ(tally.outside, 0u);
}

App& start(App& app, const Fault& fault) {
    if (fault.nth > 0) app.fs.failNthCall(fault.nth, fault.error);
    else if (fault.op) app.fs.failAll(*fault.op);
    else app.fs.failEverything();
    return app;
}

std::vector<std::string> finish(App& app, Tally& tally, std::vector<std::string> problems) {
    if (app.fs.openCount() != 0) problems.push_back("a file was left open");
    tally.calls = app.fs.totalCalls();
    return problems;
}

bool isOptionsFile(const std::string& path) { return path == kIni || path == kTemporary; }

TEST(FaultWalk, DeleteAdsUnderEveryFault) {
    Snapshot afterClean;
    walk({0}, [&](int, const Fault& fault, Tally& tally) {
        // Folders to empty, a sub-folder, read-only, hidden and in-use files, a
        // loose file, links to a folder and a file outside and inside an entry,
        // an empty folder, a link to nowhere.
        App app;
        for (const char* file : {"A\\1.gif", "A\\2.gif", "B\\Sub\\deep.gif", "loose.txt", "RO\\ok.gif", "C\\vis.gif"})
            app.fs.addFile(kAds + file, "ad");
        app.fs.addFile(kAds + "RO\\ro.gif", "ro", {.readOnly = true});
        app.fs.addFolder(kAds + "Hidden", {.hidden = true});
        app.fs.addFile(kAds + "Hidden\\h.gif", "h");
        app.fs.addFile(kAds + "C\\hid.gif", "hid", {.hidden = true});
        app.fs.addFile(kAds + "Busy\\busy.gif", "busy", {.inUse = true});
        for (const char* file : {"Dir\\keep.txt", "Dir2\\keep.txt", "file.txt", "f2.txt"})
            app.fs.addFile(std::string("C:\\Outside\\") + file, "keep");
        for (const auto& [link, target] : {std::pair{"LinkDir", "Dir"}, {"LinkFile", "file.txt"}, {"D\\inner", "Dir2"},
                                           {"D\\innerfile", "f2.txt"}, {"Dangling", "..\\Nowhere"}})
            app.fs.addLink(kAds + link, std::string("C:\\Outside\\") + target);
        app.fs.addFolder(kAds + "Empty");
        const Snapshot before = snapshot(app.fs);
        start(app, fault).f.strJunoPath = "C:\\Juno\\";
        app.f.DeleteAds();
        const Snapshot after = snapshot(app.fs);
        tally.outside += touchedOutside(before, after, [](const std::string& p) { return p.starts_with(kAds); });
        std::size_t found = 0, left = 0;  // entries it tried to remove, and of those still there
        for (const std::string& call : app.fs.callLog())
            if (call.starts_with("RemoveFolder " + kAds)) ++found, left += app.fs.exists(call.substr(13));
        std::vector<std::string> problems;
        if (fault.clean()) {
            std::vector<std::string> kept;
            for (const auto& [path, node] : after)
                if (path.starts_with(kAds)) kept.push_back(path.substr(kAds.size()));
            EXPECT_EQ(kept, (std::vector<std::string>{
                                "B", "B\\Sub", "B\\Sub\\deep.gif", "Busy", "Busy\\busy.gif", "C", "C\\hid.gif", "D",
                                "D\\inner", "D\\innerfile", "Dangling", "Hidden", "Hidden\\h.gif", "LinkDir", "LinkFile",
                                "RO", "RO\\ro.gif"}));
            EXPECT_EQ(found, 11u);
            afterClean = after;
        }
        // The ads folder is the first call: when it cannot be opened, the end names it.
        const bool unopened = fault.nth == 1 || (fault.nth == 0 && (!fault.op || *fault.op == FsOp::OpenFolder));
        // Calls 2 to `listed` list its entries; a fault among them leaves the listing short.
        const auto& log = app.fs.callLog();
        const auto listed = std::find_if(log.begin() + 1, log.end(), [](auto& c) { return c != "NextEntry " + kAds; });
        const bool unread = fault.nth == 0 ? fault.op == FsOp::NextEntry
                                           : fault.nth >= 2 && fault.nth <= std::size_t(listed - log.begin());
        const bool gone = fault.error == FileError::FileNotFound || fault.error == FileError::PathNotFound;
        const std::string folder = kAds.substr(0, kAds.size() - 1);
        const std::string end =
            unopened    ? (gone ? "The ads folder was not found at " : "The ads folder could not be opened at ") + folder
            : unread    ? "The ads folder could not be read whole at " + folder
            : left == 0 ? "Delete Ads Successful."
                        : std::to_string(left) + " folders could not be deleted.";
        if (app.f.labStatus.caption() != end) problems.push_back("status [" + app.f.labStatus.caption() + "]");
        // Call 1 opened the ads folder, calls 2 to nth - 1 each listed an entry.
        if (unread && fault.nth > 0 && found != fault.nth - 2) problems.push_back("an entry listed was not cleaned");
        if (app.f.pbStatus.value() != 0 || app.f.pbStatus.max() != (found == 0 ? 100.0f : float(found)))
            problems.push_back("progress left at " + std::to_string(app.f.pbStatus.value()));
        if (app.f.strJunoPath != "C:\\Juno") problems.push_back("path became [" + app.f.strJunoPath + "]");
        const auto removedByCleanRun = [&](const std::string& p) {
            return !after.contains(p) && !afterClean.contains(p);
        };
        if (touchedOutside(before, after, removedByCleanRun))
            problems.push_back("deleted what a clean run keeps, or created or changed something");
        return finish(app, tally, problems);
    });
}

TEST(FaultWalk, SaveOptionsLeavesThePreviousFileOrTheNewOne) {
    enum Previous { Good, None, ReadOnly, InUse };
    const std::string previousFile = fileOf({"C:\\Old Place\\Juno\\", 1, 0, 1, 0});
    const OptionSet next{"D:\\Mail, new\\Juno", 0, 1, 0, 7};
    walk({Good, None, ReadOnly, InUse}, [&](Previous previous, const Fault& fault,
                                                            Tally& tally) {
        App app;
        const bool blocked = previous == ReadOnly || previous == InUse;
        if (previous != None)
            app.fs.addFile(kIni, previousFile, {.readOnly = previous == ReadOnly, .inUse = previous == InUse});
        const Snapshot before = snapshot(app.fs);
        static_cast<OptionSet&>(start(app, fault).f) = next;
        app.f.SaveOptions();
        const std::optional<std::string> file = app.fs.contents(kIni);
        const std::size_t messages = app.h.messageBoxes.size();
        const bool saved = file == fileOf(next);
        std::vector<std::string> problems;
        if (messages != (saved ? 0 : 1) || (messages == 1 && app.h.messageBoxes[0].text != kOptionsMessage))
            problems.push_back(std::to_string(messages) + " messages, saved: " + std::to_string(saved));
        if (!saved && (previous == None ? file && file != kDefaultFile : file != previousFile))
            problems.push_back("neither the previous nor the new file: " + file.value_or("(none)"));
        if (blocked && saved) problems.push_back("replaced a read-only or locked file");
        // Only a failing delete of the temporary file itself can leave it.
        const auto& log = app.fs.callLog();
        const bool deleteFailed = fault.nth == 0 ? !fault.op || *fault.op == FsOp::DeleteFile
                                                 : fault.nth <= log.size() && log[fault.nth - 1].starts_with("DeleteF");
        if (app.fs.exists(kTemporary) && !deleteFailed) problems.push_back("temporary file left behind");
        tally.outside += touchedOutside(before, snapshot(app.fs), isOptionsFile);
        // Once the fault has passed, the next save goes through where it can.
        app.fs.clearFaults();
        app.f.SaveOptions();
        if (app.fs.contents(kIni) != (blocked ? previousFile : fileOf(next)) || app.fs.exists(kTemporary))
            problems.push_back("the next save went wrong");
        return finish(app, tally, problems);
    });
}

}  // namespace

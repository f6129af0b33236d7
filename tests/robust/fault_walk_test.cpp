// Every file-system call of a full DeleteAds, SaveOptions and LoadOptions run
// is made to fail in turn, with each kind of error, and so is every call of
// one operation and every call of all. Whatever fails:
// - DeleteAds ends with its status text, which counts exactly the entries it
//   found that are still there, and with the progress at 0; it deletes
//   nothing that a run without faults keeps, and nothing outside the ads
//   folder;
// - SaveOptions leaves the previous file or the new one, never a truncated
//   or mixed one, and never its temporary file;
// - LoadOptions says so at most once and leaves the user's file, or the
//   default file after saying so;
// - nothing but Pellmora.ini, its temporary file and the ads folder changes.
#include <gtest/gtest.h>

#include <functional>

#include "tests/robust/Robust.h"

namespace {

using headless::FsOp;
using headless::kFsOpCount;
using headless::MemoryFileSystem;
using platform::FileError;
using pellmora::OptionSet;
using namespace robust;

const std::string kAds = "C:\\Juno\\ads\\";
constexpr FileError kErrors[] = {FileError::IoError, FileError::PermissionDenied, FileError::FileNotFound,
                                 FileError::PathNotFound, FileError::DiskFull};

// One way of making calls fail, applied to a fresh file system.
struct Fault {
    std::string name;
    std::function<void(MemoryFileSystem&)> inject;
    std::size_t nthCall = 0;  // for a single failing call: which one
    FileError error = FileError::IoError;
    std::optional<FsOp> everyCallOf;  // for an operation that always fails

    // Whether the fault struck a call of `op` in the run recorded by `fs`.
    bool struck(FsOp op, const MemoryFileSystem& fs, std::string_view opName) const {
        if (everyCallOf) return *everyCallOf == op;
        if (nthCall == 0) return true;  // every call fails
        return nthCall <= fs.callLog().size() && fs.callLog()[nthCall - 1].starts_with(opName);
    }
};

std::vector<Fault> faultsFor(std::size_t callsOfCleanRun) {
    std::vector<Fault> faults;
    for (FileError error : kErrors) {
        // One past the last call as well: a fault that never comes changes nothing.
        for (std::size_t n = 1; n <= callsOfCleanRun + 1; ++n)
            faults.push_back({"call " + std::to_string(n) + " fails with " + std::to_string(int(error)),
                              [n, error](MemoryFileSystem& fs) { fs.failNthCall(n, error); }, n, error});
    }
    for (std::size_t op = 0; op < kFsOpCount; ++op)
        faults.push_back({"every call of op " + std::to_string(op) + " fails",
                          [op](MemoryFileSystem& fs) { fs.failAll(static_cast<FsOp>(op)); }, 0, FileError::IoError,
                          static_cast<FsOp>(op)});
    faults.push_back({"every call fails", [](MemoryFileSystem& fs) { fs.failEverything(); }});
    return faults;
}

// What the walks found, reported and checked at the end of each test.
struct Tally {
    std::uint64_t faults = 0, violations = 0, outsideTouched = 0;

    void check(const std::string& fault, const std::vector<std::string>& problems, std::size_t outside) {
        ++faults;
        outsideTouched += outside;
        if (problems.empty()) return;
        if (++violations <= 10) ADD_FAILURE() << fault << ":" << join(problems);
    }
    void reportAndExpectClean(const char* walk) {
        report(std::string("fault_walk_") + walk + "_faults", faults);
        report("faults_walked", faults);
        report("fault_violations", violations);
        report("outside_touched", outsideTouched);
        EXPECT_EQ(violations, 0u);
        EXPECT_EQ(outsideTouched, 0u);
    }
};

// --- DeleteAds ----------------------------------------------------------------

// An installation whose ads folder holds every kind of entry: folders that
// can be emptied, a sub-folder, read-only, hidden and in-use files, a loose
// file, links to folders and files outside, a link inside an entry, an empty
// folder, a link to nowhere.
void installAds(MemoryFileSystem& fs) {
    fs.addFile(kIni, fileOf({"C:\\Juno\\", 0, 1, 1, 1}));
    fs.addFile("C:\\Juno\\BIN\\Juno.exe", "client");
    fs.addFile("C:\\Juno\\readme.txt", "readme");
    fs.addFile(kAds + "A\\1.gif", "a1");
    fs.addFile(kAds + "A\\2.gif", "a2");
    fs.addFile(kAds + "B\\1.gif", "b1");
    fs.addFile(kAds + "B\\Sub\\deep.gif", "deep");
    fs.addFile(kAds + "loose.txt", "loose");
    fs.addFile(kAds + "RO\\ro.gif", "ro", {.readOnly = true});
    fs.addFile(kAds + "RO\\ok.gif", "ok");
    fs.addFolder(kAds + "Hidden", {.hidden = true});
    fs.addFile(kAds + "Hidden\\h.gif", "h");
    fs.addFile(kAds + "C\\hid.gif", "hid", {.hidden = true});
    fs.addFile(kAds + "C\\vis.gif", "vis");
    fs.addFile(kAds + "Busy\\busy.gif", "busy", {.inUse = true});
    fs.addFile("C:\\Outside\\Dir\\keep1.txt", "keep1");
    fs.addFile("C:\\Outside\\Dir\\keep2.txt", "keep2");
    fs.addLink(kAds + "LinkDir", "C:\\Outside\\Dir");
    fs.addFile("C:\\Outside\\file.txt", "file");
    fs.addLink(kAds + "LinkFile", "C:\\Outside\\file.txt");
    fs.addFile("C:\\Outside\\Dir2\\keep3.txt", "keep3");
    fs.addLink(kAds + "D\\inner", "C:\\Outside\\Dir2");
    fs.addFile("C:\\Outside\\f2.txt", "f2");
    fs.addLink(kAds + "D\\innerfile", "C:\\Outside\\f2.txt");
    fs.addFile(kAds + "D\\x.gif", "x");
    fs.addFolder(kAds + "Empty");
    fs.addLink(kAds + "Dangling", "C:\\Nowhere\\gone");
}

struct AdsRun {
    App app;
    Snapshot before;
    explicit AdsRun(const std::function<void(MemoryFileSystem&)>& inject = {}) {
        installAds(app.fs());
        before = snapshot(app.fs());
        app.f.strJunoPath = "C:\\Juno\\";
        if (inject) inject(app.fs());
        app.f.DeleteAds();
    }
};

// The entries the run found: it removes each of them as a folder once.
std::vector<std::string> entriesFound(const MemoryFileSystem& fs) {
    std::vector<std::string> names;
    const std::string prefix = "RemoveFolder " + kAds;
    for (const std::string& call : fs.callLog())
        if (call.starts_with(prefix)) names.push_back(call.substr(prefix.size()));
    return names;
}

std::vector<std::string> deleteAdsProblems(AdsRun& run, const Snapshot& afterCleanRun) {
    std::vector<std::string> problems;
    App& app = run.app;
    const Snapshot after = snapshot(app.fs());

    const std::vector<std::string> found = entriesFound(app.fs());
    std::size_t stillThere = 0;
    for (const std::string& name : found)
        if (app.fs().exists(kAds + name)) ++stillThere;
    const std::string expectedEnd =
        stillThere == 0 ? "Delete Ads Successful." : std::to_string(stillThere) + " folders could not be deleted.";
    if (app.f.labStatus.caption() != expectedEnd)
        problems.push_back("status [" + app.f.labStatus.caption() + "], expected [" + expectedEnd + "]");
    if (app.f.pbStatus.value() != 0) problems.push_back("progress left at " + std::to_string(app.f.pbStatus.value()));
    const float expectedMax = found.empty() ? 100.0f : static_cast<float>(found.size());
    if (app.f.pbStatus.max() != expectedMax) problems.push_back("progress maximum " + std::to_string(app.f.pbStatus.max()));
    if (!found.empty()) {
        const std::string first = "labStatus=" + std::to_string(found.size()) + " folders left.";
        const auto it = std::find_if(app.h.log.begin(), app.h.log.end(),
                                     [](const std::string& line) { return line.starts_with("labStatus="); });
        if (it == app.h.log.end() || *it != first) problems.push_back("first status is not [" + first + "]");
    }
    if (app.f.strJunoPath != "C:\\Juno") problems.push_back("path became [" + app.f.strJunoPath + "]");

    for (const auto& [path, node] : afterCleanRun) {
        const auto it = after.find(path);
        if (it == after.end() || !(it->second == node)) problems.push_back("deleted or changed what stays: " + path);
    }
    for (const auto& [path, node] : after) {
        const auto it = run.before.find(path);
        if (it == run.before.end() || !(it->second == node)) problems.push_back("created or changed: " + path);
    }
    if (app.fs().openCount() != 0) problems.push_back("a file was left open");
    return problems;
}

TEST(FaultWalk, DeleteAdsUnderEveryFault) {
    AdsRun clean;
    const Snapshot afterClean = snapshot(clean.app.fs());
    // The fixture itself: what a run without faults must leave.
    std::vector<std::string> left;
    for (const auto& [path, node] : afterClean)
        if (startsWith(path, kAds)) left.push_back(path.substr(kAds.size()));
    EXPECT_EQ(left, (std::vector<std::string>{"B", "B\\Sub", "B\\Sub\\deep.gif", "Busy", "Busy\\busy.gif", "C",
                                              "C\\hid.gif", "D", "D\\inner", "Hidden", "Hidden\\h.gif", "RO",
                                              "RO\\ro.gif"}));
    EXPECT_EQ(clean.app.f.labStatus.caption(), "5 folders could not be deleted.");
    EXPECT_EQ(entriesFound(clean.app.fs()).size(), 11u);

    const std::size_t calls = clean.app.fs().totalCalls();
    Tally tally;
    for (const Fault& fault : faultsFor(calls)) {
        AdsRun run(fault.inject);
        const Snapshot after = snapshot(run.app.fs());
        const std::size_t outside =
            touchedOutside(run.before, after, [](const std::string& p) { return startsWith(p, kAds); }).size();
        tally.check(fault.name, deleteAdsProblems(run, afterClean), outside);
    }
    tally.reportAndExpectClean("delete_ads");
}

// --- SaveOptions --------------------------------------------------------------

const OptionSet kPrevious{"C:\\Old Place\\Juno\\", 1, 0, 1, 0};
const OptionSet kNew{"D:\\Mail, new\\Juno", 0, 1, 0, 7};

enum class Previous { Good, None, ReadOnly, InUse };

struct SaveRun {
    App app;
    Snapshot before;
    SaveRun(Previous previous, const std::function<void(MemoryFileSystem&)>& inject) {
        app.fs().addFile("C:\\Pellmora\\Pellmora.exe", "program");
        app.fs().addFile("C:\\Juno\\ads\\A\\1.gif", "a1");
        if (previous != Previous::None)
            app.fs().addFile(kIni, fileOf(kPrevious),
                             {.readOnly = previous == Previous::ReadOnly, .inUse = previous == Previous::InUse});
        before = snapshot(app.fs());
        static_cast<OptionSet&>(app.f) = kNew;
        if (inject) inject(app.fs());
        app.f.SaveOptions();
    }
};

bool isOptionsFile(const std::string& path) { return path == kIni || path == kTemporary; }

std::vector<std::string> saveProblems(SaveRun& run, Previous previous, const Fault& fault) {
    std::vector<std::string> problems;
    App& app = run.app;
    const std::optional<std::string> file = app.fs().contents(kIni);
    const std::size_t messages = app.h.messageBoxes.size();
    for (const auto& box : app.h.messageBoxes)
        if (box.text != kOptionsMessage || box.style != 48 || box.title != "Pellmora")
            problems.push_back("message [" + box.text + "]");
    if (messages > 1) problems.push_back(std::to_string(messages) + " messages");
    const bool saved = file == fileOf(kNew);
    if (saved == (messages == 1)) problems.push_back(saved ? "saved, yet said it failed" : "not saved, yet silent");
    if (previous == Previous::None) {
        if (file && !saved && *file != defaultFile()) problems.push_back("file neither new nor default: " + *file);
    } else if (!saved && file != fileOf(kPrevious)) {
        problems.push_back("previous file lost: " + file.value_or("(none)"));
    }
    if ((previous == Previous::ReadOnly || previous == Previous::InUse) && saved)
        problems.push_back("replaced a read-only or locked file");
    // Only a failing delete of the temporary file itself can leave it, and
    // then the next save takes it away.
    if (app.fs().exists(kTemporary) && !fault.struck(FsOp::DeleteFile, app.fs(), "DeleteFile "))
        problems.push_back("temporary file left behind");
    if (app.fs().openCount() != 0) problems.push_back("a file was left open");
    if (static_cast<const OptionSet&>(app.f) != kNew) problems.push_back("the option set changed");

    // Once the fault has passed, the next save goes through where it can,
    // and leaves no temporary file in any case.
    app.fs().clearFaults();
    const std::size_t messagesBefore = app.h.messageBoxes.size();
    app.f.SaveOptions();
    const bool blocked = previous == Previous::ReadOnly || previous == Previous::InUse;
    if (app.fs().contents(kIni) != (blocked ? fileOf(kPrevious) : fileOf(kNew)))
        problems.push_back("the next save did not give the expected file");
    if (app.h.messageBoxes.size() != messagesBefore + (blocked ? 1 : 0)) problems.push_back("the next save's message");
    if (app.fs().exists(kTemporary)) problems.push_back("the next save left the temporary file");
    return problems;
}

TEST(FaultWalk, SaveOptionsLeavesThePreviousFileOrTheNewOne) {
    Tally tally;
    for (Previous previous : {Previous::Good, Previous::None, Previous::ReadOnly, Previous::InUse}) {
        SaveRun clean(previous, {});
        EXPECT_EQ(clean.app.h.messageBoxes.size(),
                  previous == Previous::ReadOnly || previous == Previous::InUse ? 1u : 0u);
        for (const Fault& fault : faultsFor(clean.app.fs().totalCalls())) {
            SaveRun run(previous, fault.inject);
            const std::size_t outside = touchedOutside(run.before, snapshot(run.app.fs()), isOptionsFile).size();
            tally.check("previous " + std::to_string(int(previous)) + ", " + fault.name,
                        saveProblems(run, previous, fault), outside);
        }
    }
    tally.reportAndExpectClean("save_options");
}

// --- LoadOptions --------------------------------------------------------------

const OptionSet kOnDisk{"C:\\Juno, here\\", 1, 0, 7, 255};
const std::string kFiveItems = "\"[GENERAL]\"\r\n\"C:\\Five\"\r\n1\r\n1\r\n1\r\n";

enum class OnDisk { Good, None, FiveItems };

struct LoadRun {
    App app;
    Snapshot before;
    LoadRun(OnDisk onDisk, const std::function<void(MemoryFileSystem&)>& inject) {
        app.fs().addFile("C:\\Pellmora\\Pellmora.exe", "program");
        if (onDisk == OnDisk::Good) app.fs().addFile(kIni, fileOf(kOnDisk));
        if (onDisk == OnDisk::FiveItems) app.fs().addFile(kIni, kFiveItems);
        before = snapshot(app.fs());
        if (inject) inject(app.fs());
        app.f.LoadOptions();
    }
};

std::vector<std::string> loadProblems(LoadRun& run, OnDisk onDisk, const Fault& fault) {
    std::vector<std::string> problems;
    App& app = run.app;
    const std::optional<std::string> file = app.fs().contents(kIni);
    const OptionSet& set = app.f;
    const std::size_t messages = app.h.messageBoxes.size();
    for (const auto& box : app.h.messageBoxes)
        if (box.text != kOptionsMessage) problems.push_back("message [" + box.text + "]");
    if (messages > 1) problems.push_back(std::to_string(messages) + " messages");
    // Error 53 is the one failure rebuilt without a word, whichever call gives it.
    const bool silentRebuild = fault.error == FileError::FileNotFound && fault.nthCall > 0;
    const bool rebuilt = file == defaultFile();
    switch (onDisk) {
    case OnDisk::Good: {
        const bool read = messages == 0 && set == kOnDisk && file == fileOf(kOnDisk);
        const bool reported = messages == 1 && set == OptionSet{} && (rebuilt || file == fileOf(kOnDisk));
        const bool silent = silentRebuild && messages == 0 && set == OptionSet{} && rebuilt;
        if (!read && !reported && !silent) problems.push_back("neither read nor reported and rebuilt");
        break;
    }
    case OnDisk::None:
        if (set != OptionSet{}) problems.push_back("the option set changed");
        if (file && !rebuilt) problems.push_back("file is not the default file");
        break;
    case OnDisk::FiveItems: {
        const OptionSet partial{"C:\\Five", 1, 1, 1, 0};
        if (set != partial && set != OptionSet{}) problems.push_back("option set neither partly read nor unchanged");
        if (file != kFiveItems && !rebuilt) problems.push_back("file neither kept nor the default file");
        if (messages == 0 && !silentRebuild) problems.push_back("a short file went unreported");
        break;
    }
    }
    if (app.fs().exists(kTemporary)) problems.push_back("temporary file left behind");
    if (app.fs().openCount() != 0) problems.push_back("a file was left open");
    return problems;
}

TEST(FaultWalk, LoadOptionsReportsAtMostOnceAndKeepsOrRebuilds) {
    Tally tally;
    for (OnDisk onDisk : {OnDisk::Good, OnDisk::None, OnDisk::FiveItems}) {
        LoadRun clean(onDisk, {});
        EXPECT_EQ(clean.app.h.messageBoxes.size(), onDisk == OnDisk::FiveItems ? 1u : 0u);
        for (const Fault& fault : faultsFor(clean.app.fs().totalCalls())) {
            LoadRun run(onDisk, fault.inject);
            const std::size_t outside = touchedOutside(run.before, snapshot(run.app.fs()), isOptionsFile).size();
            tally.check("on disk " + std::to_string(int(onDisk)) + ", " + fault.name, loadProblems(run, onDisk, fault),
                        outside);
        }
    }
    tally.reportAndExpectClean("load_options");
}

}  // namespace

// Empties the mail client's ads folder one level deep. Every failing step is
// passed over and the run goes on; what the run could not delete is counted
// and said at the end, and so is a listing of the ads folder that failed
// part-way: the entries it never gave were never cleaned. Each entry is
// reached through the ads folder held open, by its name alone, so that an
// entry swapped for a link while the run goes on is refused rather than
// followed out of the ads folder.
#include <algorithm>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "operations/FullPath.h"
#include "window/frmMain.h"

namespace pellmora {

using platform::FileError;
using platform::Folder;

namespace {

constexpr std::uint64_t kFrameMs = 15;     // repaint at most about once per screen frame
constexpr std::uint64_t kLongestMs = 250;  // and at least four times a second
// A screen reader hears the count at the start, the end, and in between at
// most one count in this long: each takes it a second or two to speak.
constexpr std::uint64_t kHeardEveryMs = 5000;

bool isGone(FileError error) { return error == FileError::FileNotFound || error == FileError::PathNotFound; }

std::string foldersLeft(std::size_t n) { return std::to_string(n) + " folders left."; }

// Of the names whose removal failed, those the ads folder still holds. A
// name refused, reached elsewhere or not opened back under the name listed
// fails as "not found" too, so only the folder listed afresh tells what is
// really gone; when that listing fails, none of them is taken for gone.
std::size_t stillThere(Folder& ads, const std::vector<const std::string*>& failed) {
    if (failed.empty()) return 0;
    ads.rewind();
    std::unordered_set<std::string> listed;
    for (std::string name; ads.next(name);) listed.insert(std::move(name));
    if (ads.failed()) return failed.size();
    return static_cast<std::size_t>(
        std::ranges::count_if(failed, [&](const std::string* name) { return listed.contains(*name); }));
}

}  // namespace

void frmMain::DeleteAds() {
    cutTrailingBackslash();
    const std::string adsFolder = strJunoPath + "\\ads\\";
    // Without its final "\", a path too long for the label is shortened in
    // its middle and keeps the ads folder's own name at its end.
    const std::string named = adsFolder.substr(0, adsFolder.size() - 1);

    std::unique_ptr<Folder> ads;
    // A folder found through the current folder is none of the user's: not looked at.
    const FileError error = isFullPath(adsFolder) ? files_.openFolder(adsFolder, ads) : FileError::PathNotFound;
    if (error != FileError::None) {
        // Nothing was looked at: say where we looked rather than claim success.
        labStatus.setCaption(
            (isGone(error) ? "The ads folder was not found at " : "The ads folder could not be opened at ") + named);
        labStatus.refresh();
        pbStatus.setValue(0);
        return;
    }

    // Collect first: each cleaning step lists an entry of its own.
    std::vector<std::string> entries;
    for (std::string name; ads->next(name);) entries.push_back(std::move(name));
    const bool unread = ads->failed();  // what was listed is still cleaned

    const std::size_t count = entries.size();
    std::vector<const std::string*> failed;
    if (count > 0) {
        labStatus.setCaption(foldersLeft(count));
        labStatus.refresh();
        pbStatus.setMax(static_cast<float>(count));
        std::uint64_t lastPaint = windows_.milliseconds(), lastHeard = lastPaint;
        std::uint64_t gap = kFrameMs;

        for (std::size_t step = 1; step <= count; ++step) {
            const std::string& name = entries[step - 1];
            std::unique_ptr<Folder> entry;
            if (ads->openFolder(name, entry) == FileError::None)
                for (std::string inner; entry->next(inner);) entry->deleteFile(inner);
            // An entry held open as a folder is no file: deleting it as one could only fail.
            const FileError asFile = entry ? FileError::Failed : ads->deleteFile(name);
            // The folder just emptied is the one removed, through what held it.
            const FileError asFolder = entry ? entry->remove() : ads->removeFolder(name);
            if (asFile != FileError::None && asFolder != FileError::None) failed.push_back(&name);

            const std::uint64_t now = windows_.milliseconds();
            if (step == count || now - lastPaint >= gap) {
                pbStatus.setValue(static_cast<float>(step));
                // The last count is not heard: the end follows at once.
                const bool heard = step < count && now - lastHeard >= kHeardEveryMs;
                if (heard) lastHeard = now;
                labStatus.setCaption(foldersLeft(count - step), heard);
                form_.refresh();
                lastPaint = windows_.milliseconds();
                // Painting gets at most a fiftieth of the run while it is quick
                // (a repaint takes about 2 ms under Wine). A slow one on a busy
                // machine still comes four times a second: the window answers
                // what other programs send it only as it repaints.
                gap = std::clamp<std::uint64_t>(49 * (lastPaint - now), kFrameMs, kLongestMs);
            }
        }
    }

    if (unread)
        labStatus.setCaption("The ads folder could not be read whole at " + named);
    else if (const std::size_t notDeleted = stillThere(*ads, failed); notDeleted > 0)
        labStatus.setCaption(std::to_string(notDeleted) + " folders could not be deleted.");
    else
        labStatus.setCaption("Delete Ads Successful.");
    labStatus.refresh();
    pbStatus.setValue(0);
}

}  // namespace pellmora

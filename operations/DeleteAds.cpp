// Empties the mail client's ads folder one level deep. Every failing step is
// passed over and the run goes on; what the run could not delete is counted
// and said at the end.
#include <algorithm>
#include <string>
#include <vector>

#include "window/frmMain.h"

namespace pellmora {

using platform::DirEntry;
using platform::FileError;

namespace {

constexpr std::uint64_t kFrameMs = 15;  // repaint at most about once per screen frame

bool isDotEntry(const std::string& name) { return name == "." || name == ".."; }

bool isGone(FileError error) { return error == FileError::FileNotFound || error == FileError::PathNotFound; }

std::string foldersLeft(std::size_t n) { return std::to_string(n) + " folders left."; }

}  // namespace

void frmMain::DeleteAds() {
    cutTrailingBackslash();
    const std::string adsFolder = strJunoPath + "\\ads\\";

    // Collect first: each cleaning step starts a listing of its own.
    std::vector<DirEntry> entries;
    DirEntry entry;
    for (bool more = files_.findFirst(adsFolder, entry); more; more = files_.findNext(entry))
        if (!isDotEntry(entry.name)) entries.push_back(std::move(entry));

    const std::size_t count = entries.size();
    std::size_t notDeleted = 0;
    if (count > 0) {
        labStatus.setCaption(foldersLeft(count));
        labStatus.refresh();
        pbStatus.setMax(static_cast<float>(count));
        std::uint64_t lastPaint = windows_.milliseconds();
        std::uint64_t gap = kFrameMs;

        for (std::size_t step = 1; step <= count; ++step) {
            const DirEntry& current = entries[step - 1];
            const std::string path = adsFolder + current.name;
            // Never list into a link: its target lies outside the ads folder.
            if (!current.isLink) {
                const std::string folder = path + "\\";
                DirEntry inner;
                for (bool more = files_.findFirst(folder, inner); more; more = files_.findNext(inner))
                    if (!isDotEntry(inner.name)) files_.deleteFile(folder + inner.name);
            }
            const FileError asFile = files_.deleteFile(path);
            const FileError asFolder = files_.removeFolder(path);
            const bool gone = asFile == FileError::None || asFolder == FileError::None || (isGone(asFile) && isGone(asFolder));
            if (!gone) ++notDeleted;

            const std::uint64_t now = windows_.milliseconds();
            if (step == count || now - lastPaint >= gap) {
                pbStatus.setValue(static_cast<float>(step));
                labStatus.setCaption(foldersLeft(count - step));
                form_.refresh();
                lastPaint = windows_.milliseconds();
                // Painting gets at most a twentieth of the run, however slow it is.
                gap = std::max<std::uint64_t>(kFrameMs, 19 * (lastPaint - now));
            }
        }
    }

    labStatus.setCaption(notDeleted == 0 ? std::string("Delete Ads Successful.")
                                         : std::to_string(notDeleted) + " folders could not be deleted.");
    labStatus.refresh();
    pbStatus.setValue(0);
}

}  // namespace pellmora

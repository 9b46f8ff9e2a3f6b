#include "secure_delete_app/DroppedPaths.h"

#include "app_common/FolderTrail.h"
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/Paths.h"
#include "platform/Volume.h"
#include "wipe/NameScrub.h"

namespace pelorin::secure_delete {
namespace {

constexpr char kSeparator = platform::kHostSeparator;
constexpr const char* kNotAFileText = "is not a regular file (a device, pipe or socket); left alone";
constexpr const char* kElsewhereText = "has a file system (or a bound file or folder) mounted there; left alone";

std::string WithSeparator(const std::string& path) {
    return !path.empty() && path.back() == kSeparator ? path : path + kSeparator;
}

// Every folder is walked through an open Folder, and every name in it is
// taken relative to that: no folder on the way down can be swapped for a
// link while the walk is below it. `shown` is the long form of a folder's
// path, for the list of what stayed.
class Walk {
public:
    explicit Walk(DeleteRun& run) : run_(run) {}

    bool Dropped(const std::string& path) {
        const auto status = platform::StatusOf(path);
        if (!status) {
            run_.missing.push_back(path);
            return false;
        }
        if (!platform::IsFullyQualified(path)) return Leave(path, wipe::kNotFromDriveRootText);
        if (status->kind == platform::FileKind::Folder && platform::IsVolumeRoot(path)) {
            return Leave(path, "is the top of a drive, which is never deleted as a whole; not deleted");
        }
        // The folder the user named it in, however they reached it.
        const std::size_t cut = path.find_last_of(kSeparator);
        auto parent = platform::Folder::Open(path.substr(0, cut + 1), true);
        if (!parent) return Leave(path, "is in a folder that could not be opened (" + platform::LastFailureText() + ")");
        FolderTrail trail(std::move(*parent));
        return Entry(trail, path.substr(0, cut + 1), path.substr(cut + 1), std::nullopt);
    }

private:
    // The tally of the job on the file's volume, which is found the first
    // time the walk reaches it; a file its overwrite does not reach is noted.
    wipe::WipeTally* Recorded(const std::string& path, const platform::FileStatus& status) {
        if (run_.record == nullptr) return nullptr;
        wipe::ErasureRecord& record = *run_.record;
        wipe::ErasureJob& job = record.Job(wipe::kFilesJob, path, run_.passes, wipe::PatternCycle::ThreeWay,
                                           run_.verify, status.identity.volume);
        if (const std::string note = wipe::StorageNote(status); !note.empty()) {
            record.NotReached(path, note, record.verdicts.Of(path, status.identity.volume));
        }
        return &job.tally;
    }

    bool Leave(const std::string& shown, std::string why) {
        run_.left.push_back({shown, std::move(why)});
        return false;
    }

    // A Cancel pressed since the last look is asked about here, between
    // files, so that no file is left overwritten but not deleted.
    bool Stopping() {
        if (!run_.cancelled && run_.progress.CancelConfirmed()) run_.cancelled = true;
        return run_.cancelled;
    }

    // One name in the trail's current folder (whose long form is `shown`);
    // `volume` is the walk's own, unknown for a dropped name. True when it
    // is gone.
    bool Entry(FolderTrail& trail, const std::string& shown, const std::string& name,
               std::optional<std::uint64_t> volume) {
        const std::string path = shown + name;
        const platform::Folder* folder = trail.Current();
        if (folder == nullptr) return Leave(path, "is in a folder that " + trail.Failure());
        const auto status = folder->StatusOf(name);
        if (!status) return true;  // gone meanwhile
        const bool elsewhere = status->mountPoint || (volume && status->identity.volume != *volume);
        switch (status->kind) {
            case platform::FileKind::Link:
                if (folder->RemoveLink(name)) return true;
                return Leave(path, "is a link that could not be removed (" + platform::LastFailureText() + ")");
            case platform::FileKind::Other: return Leave(path, kNotAFileText);
            case platform::FileKind::Regular: {
                if (elsewhere) return Leave(path, kElsewhereText);
                if (Stopping()) return false;
                std::string why;
                wipe::WipeTally* tally = Recorded(path, *status);
                if (wipe::WipeDroppedFile(*folder, name, run_.progress, run_.ui, run_.passes, &why, run_.verify,
                                          tally)) {
                    return true;
                }
                // Gone all the same (another job took it meanwhile).
                if (!folder->StatusOf(name)) return true;
                return Leave(path, why);
            }
            case platform::FileKind::Folder:
                // Inside a dropped folder, a '.'-named one stays, and so its parent.
                if (volume && name[0] == '.') return Leave(path, "begins with '.', so it is left alone");
                if (elsewhere) return Leave(path, kElsewhereText);
                return Folder(trail, shown, name, status->identity.volume);
        }
        return false;
    }

    // Empties the folder `name` of the trail's current folder and removes
    // it; true when it is gone. Only a bounded number of folders are held
    // open however deep the tree goes.
    bool Folder(FolderTrail& trail, const std::string& parentShown, const std::string& name, std::uint64_t volume) {
        const std::string path = parentShown + name;
        if (!trail.Enter(name)) return Leave(path, "could not be opened (" + platform::LastFailureText() + ")");
        const std::optional<bool> emptied = Empty(trail, path, volume);
        trail.Leave();  // on Windows an open folder cannot be renamed or removed
        if (run_.cancelled || !emptied) return false;
        if (!*emptied) return Leave(path, "still holds items that were not deleted");
        const platform::Folder* parent = trail.Current();
        if (parent == nullptr) return Leave(path, "is in a folder that " + trail.Failure());
        // Its own name goes first; a folder that then stays gets it back.
        const std::string scrubbed = wipe::ScrubName(*parent, name);
        if (parent->RemoveFolder(scrubbed)) return true;
        const std::string why = "could not be removed (" + platform::LastFailureText() + ")";
        if (scrubbed != name) parent->Rename(scrubbed, name);
        return Leave(path, why);
    }

    // Everything in the trail's current folder; true when all of it went,
    // nothing when the folder itself could not be gone through (said).
    std::optional<bool> Empty(FolderTrail& trail, const std::string& path, std::uint64_t volume) {
        const platform::Folder* folder = trail.Current();
        if (folder == nullptr) {
            Leave(path, trail.Failure());
            return std::nullopt;
        }
        const platform::FolderListing listing = folder->List();
        if (!listing.readable) {
            Leave(path, "could not be listed (" + platform::LastFailureText() + ")");
            return std::nullopt;
        }
        const std::string shown = WithSeparator(path);
        bool emptied = true;
        std::uint64_t dead = 0;  // what the names that went took in the directory
        for (const auto& entry : listing.names) {
            if (run_.cancelled) return false;
            const bool gone = Entry(trail, shown, entry, volume);
            if (gone) dead += wipe::DeadEntryBytes(entry.size());
            emptied = gone && emptied;
        }
        if (run_.cancelled) return false;
        // The directory keeps no names of what went from it, whether it
        // goes now or stays.
        if (const platform::Folder* again = trail.Current()) wipe::ScrubFolderEntries(*again, dead);
        return emptied;
    }

    DeleteRun& run_;
};

}  // namespace

bool WipeDroppedPath(const std::string& path, DeleteRun& run) {
    if (run.cancelled) return false;
    // A trailing separator would make the system follow a link to a folder;
    // a drive root ("/", "x:\\") keeps its own.
    std::string name = path;
    while (name.size() > 1 && name.back() == kSeparator && name[name.size() - 2] != ':') name.pop_back();
    return Walk(run).Dropped(name);
}

}  // namespace pelorin::secure_delete

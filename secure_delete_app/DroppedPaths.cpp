#include "secure_delete_app/DroppedPaths.h"

#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/Volume.h"
#include "wipe/NameScrub.h"

namespace pelorin::secure_delete {
namespace {

constexpr char kSeparator = platform::kHostSeparator;

std::string WithSeparator(const std::string& path) {
    return !path.empty() && path.back() == kSeparator ? path : path + kSeparator;
}

// A name as the walk holds it: the form it works with (on Windows with its
// folders in their short forms) and the long form that the user is shown.
struct Item {
    std::string path;
    std::string shown;
};

class Walk {
public:
    explicit Walk(DeleteRun& run) : run_(run) {}

    bool Dropped(const Item& item) {
        const auto status = platform::StatusOf(item.path);
        if (!status) {
            run_.missing.push_back(item.shown);
            return false;
        }
        if (!platform::IsFullyQualified(item.path)) return Leave(item, wipe::kNotFromDriveRootText);
        switch (status->kind) {
            case platform::FileKind::Link: return Link(item);
            case platform::FileKind::Regular: return File(item);
            case platform::FileKind::Other: return Leave(item, kNotAFileText);
            case platform::FileKind::Folder:
                if (platform::IsVolumeRoot(item.path)) {
                    return Leave(item, "is the top of a drive, which is never deleted as a whole; not deleted");
                }
                return Folder(item, status->identity.volume);
        }
        return false;
    }

private:
    static constexpr const char* kNotAFileText = "is not a regular file (a device, pipe or socket); left alone";

    bool Leave(const Item& item, std::string why) {
        run_.left.push_back({item.shown, std::move(why)});
        return false;
    }

    // A Cancel pressed since the last look is asked about here, between
    // files, so that no file is left overwritten but not deleted.
    bool Stopping() {
        if (!run_.cancelled && run_.progress.CancelConfirmed()) run_.cancelled = true;
        return run_.cancelled;
    }

    bool Link(const Item& item) {
        if (platform::RemoveLink(item.path)) return true;
        return Leave(item, "is a link that could not be removed (" + platform::LastFailureText() + ")");
    }

    bool File(const Item& item) {
        if (Stopping()) return false;
        std::string why;
        if (wipe::WipeDroppedFile(item.path, run_.progress, run_.ui, run_.passes, &why)) return true;
        if (platform::StatusOf(item.path)) Leave(item, why);
        return false;
    }

    // Empties the folder and removes it; true when it is gone.
    bool Folder(const Item& item, std::uint64_t volume) {
        const std::string shown = WithSeparator(item.shown);
        // The short form keeps deep paths short; where there is none (no
        // short names on the volume, or too long a path) the long one serves.
        const std::string folder = platform::ShortFormOf(WithSeparator(item.path)).value_or(WithSeparator(item.path));
        const platform::FolderListing listing = platform::ListFolder(WithSeparator(folder));
        if (!listing.readable) return Leave(item, "could not be listed (" + platform::LastFailureText() + ")");
        bool emptied = true;
        std::uint64_t dead = 0;  // what the names that went took in the directory
        for (const auto& name : listing.unreachable) {
            emptied = Leave({folder + name, shown + name}, "has a name the program cannot reach; left alone");
        }
        for (const auto& name : listing.names) {
            if (run_.cancelled) return false;
            const Item entry{WithSeparator(folder) + name, shown + name};
            const auto status = platform::StatusOf(entry.path);
            if (!status) continue;  // gone meanwhile
            const bool elsewhere = status->identity.volume != volume;
            bool gone = false;
            switch (status->kind) {
                case platform::FileKind::Link: gone = Link(entry); break;
                case platform::FileKind::Other: gone = Leave(entry, kNotAFileText); break;
                case platform::FileKind::Regular: gone = elsewhere ? Leave(entry, kElsewhereText) : File(entry); break;
                case platform::FileKind::Folder:
                    if (name[0] == '.') {
                        gone = Leave(entry, "begins with '.', so it is left alone");
                    } else {
                        gone = elsewhere ? Leave(entry, kElsewhereText) : Folder(entry, volume);
                    }
                    break;
            }
            if (gone) dead += wipe::DeadEntryBytes(name.size());
            emptied = gone && emptied;
        }
        if (run_.cancelled) return false;
        // The directory keeps no names of what went from it, whether it goes
        // now or stays.
        wipe::ScrubFolderEntries(WithSeparator(folder), dead);
        if (!emptied) return Leave(item, "still holds items that were not deleted");
        return RemoveEmptied(item);
    }

    static constexpr const char* kElsewhereText = "is on another file system mounted there; left alone";

    // Its own name goes first; a folder that then stays gets it back.
    bool RemoveEmptied(const Item& item) {
        std::string path = item.path;
        while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
        const std::string scrubbed = wipe::ScrubName(path);
        if (platform::RemoveFolder(scrubbed)) return true;
        const std::string why = "could not be removed (" + platform::LastFailureText() + ")";
        if (scrubbed != path) platform::RenameFile(scrubbed, path);
        return Leave(item, why);
    }

    DeleteRun& run_;
};

}  // namespace

bool WipeDroppedPath(const std::string& path, DeleteRun& run) {
    if (run.cancelled) return false;
    // A trailing separator would make the system follow a link to a folder;
    // a drive root ("/", "x:\") keeps its own.
    std::string name = path;
    while (name.size() > 1 && name.back() == kSeparator && name[name.size() - 2] != ':') name.pop_back();
    return Walk(run).Dropped({name, name});
}

}  // namespace pelorin::secure_delete

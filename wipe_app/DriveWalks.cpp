#include "wipe_app/DriveWalks.h"

#include "app_common/FolderTrail.h"
#include "platform/File.h"
#include "platform/Folder.h"
#include "platform/Paths.h"
#include "platform/Volume.h"
#include "wipe/InPlaceOverwrite.h"
#include "wipe/sdk/PeloSDK.h"
#include "wipe_app/BarPosition.h"
#include "wipe_app/WipeTexts.h"

namespace pelorin::wipe_app {
namespace {

constexpr const char* kMountedThereText = "another volume (or a bound file or folder) is mounted there; it is left alone";

std::string WithSeparator(const std::string& path) {
    return !path.empty() && path.back() == platform::kHostSeparator ? path : path + platform::kHostSeparator;
}

// What a walk meets at a name.
enum class Found { File, Folder, Link, Other, OtherVolume };

Found Classify(const std::string& path, std::uint64_t rootVolume) {
    const auto status = platform::StatusOf(path);
    // A name whose attributes cannot be read is taken for a folder: listing
    // it then fails, which the walk reports.
    if (!status) return Found::Folder;
    if (status->mountPoint) return Found::OtherVolume;
    switch (status->kind) {
        case platform::FileKind::Regular: return Found::File;
        case platform::FileKind::Link: return Found::Link;
        case platform::FileKind::Folder:
            return status->identity.volume == rootVolume ? Found::Folder : Found::OtherVolume;
        case platform::FileKind::Other: return Found::Other;
    }
    return Found::Other;
}

std::uint64_t VolumeOf(const std::string& root) {
    const auto status = platform::StatusOf(root);
    return status ? status->identity.volume : 0;
}

// The folder's entries, without names beginning with '.'; nothing when it
// cannot be listed.
std::optional<std::vector<std::string>> Entries(const std::string& folder) {
    const platform::FolderListing listing = platform::ListFolder(folder);
    if (!listing.readable) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& name : listing.names) {
        if (!name.empty() && name[0] != '.') names.push_back(name);
    }
    return names;
}

std::uint32_t Count(const std::string& path, std::uint64_t volume) {
    const std::string folder = WithSeparator(path);
    const auto names = Entries(folder);
    if (!names) return 0;
    std::uint32_t count = 0;
    for (const auto& name : *names) {
        switch (Classify(folder + name, volume)) {
            case Found::File: ++count; break;
            case Found::Folder: count += Count(folder + name, volume); break;
            default: break;
        }
    }
    return count;
}

class Slack {
public:
    Slack(const DriveWalk& walk, const std::function<int(const std::string&)>& wipeSlack)
        : walk_(walk), wipeSlack_(wipeSlack), volume_(VolumeOf(walk.root)) {}

    // True unless something failed; a cancel stops the walk.
    bool Folder(const std::string& path) {
        const std::string folder = WithSeparator(path);
        const auto names = Entries(folder);
        if (!names) {
            walk_.view.NotProcessed(path, platform::LastFailureText());
            return false;
        }
        bool ok = true;
        for (const auto& name : *names) {
            const std::string full = folder + name;
            switch (Classify(full, volume_)) {
                case Found::File: ok = File(full) && ok; break;
                case Found::Folder: ok = Folder(full) && ok; break;
                case Found::Other: walk_.view.NotProcessed(full, "not a regular file"); break;
                default: break;  // links and other volumes are not this drive's files
            }
            if (walk_.state.cancel) return true;
        }
        return ok;
    }

private:
    bool File(const std::string& path) {
        const std::uint32_t k = walk_.state.fileIndex++;
        walk_.view.Report(Scaled(kThoroughFreeSpaceSpan, kBarFull - kThoroughFreeSpaceSpan, k, walk_.state.fileCount),
                          SlackStatus(path));
        const int code = wipeSlack_(path);
        if (code == 0 || code == 13) return true;
        walk_.view.NotProcessed(path, code == SdkErrorVerifyFailed
                                          ? "its slack was overwritten, but did not read back as written"
                                          : "its slack could not be wiped (error " + std::to_string(code) + ")");
        return false;
    }

    const DriveWalk& walk_;
    const std::function<int(const std::string&)>& wipeSlack_;
    std::uint64_t volume_;
};

// Deletes through open folders: no folder on the way down can be swapped
// for a link to elsewhere while the walk is below it, and however deep the
// tree goes only a bounded number of them are held open.
class Deletion {
public:
    explicit Deletion(const DriveWalk& walk) : walk_(walk) {}

    bool Root() {
        auto root = platform::Folder::Open(walk_.root);
        if (!root) {
            walk_.view.NotProcessed(walk_.root, platform::LastFailureText());
            return false;
        }
        const auto status = root->Status();
        volume_ = status ? status->identity.volume : 0;
        FolderTrail trail(std::move(*root));
        return Empty(trail, WithSeparator(walk_.root), true);
    }

private:
    // True unless something remains; a cancel stops the walk and leaves the
    // folder it was in.
    bool Empty(FolderTrail& trail, const std::string& shown, bool atRoot = false) {
        const platform::Folder* folder = trail.Current();
        if (folder == nullptr) {
            walk_.view.NotProcessed(shown, trail.Failure());
            return false;
        }
        const platform::FolderListing listing = folder->List();
        if (!listing.readable) {
            walk_.view.NotProcessed(shown, platform::LastFailureText());
            return false;
        }
        bool ok = true;
        for (const auto& name : listing.names) {
            // Names beginning with '.' stay, and with them their folder.
            if (name.empty() || name[0] == '.') continue;
            const bool checkerFolder =
                atRoot && platform::kCheckerFolderName != nullptr && name == platform::kCheckerFolderName;
            ok = Entry(trail, shown, name, checkerFolder) && ok;
            if (walk_.state.cancel) return true;
        }
        return ok;
    }

    // `keepFolder`: a folder there is emptied but stays.
    bool Entry(FolderTrail& trail, const std::string& shown, const std::string& name, bool keepFolder) {
        const std::string path = shown + name;
        const platform::Folder* folder = trail.Current();
        if (folder == nullptr) {
            walk_.view.NotProcessed(path, "it is in a folder that " + trail.Failure());
            return false;
        }
        const auto status = folder->StatusOf(name);
        if (!status) return true;  // gone meanwhile
        if (status->mountPoint) {
            walk_.view.NotProcessed(path, kMountedThereText);
            return false;
        }
        switch (status->kind) {
            case platform::FileKind::Regular: return File(*folder, path, name);
            case platform::FileKind::Link:
                // The link goes, never what it leads to.
                if (walk_.state.cancel || folder->RemoveLink(name)) return true;
                walk_.view.NotProcessed(path, "the link could not be removed");
                return false;
            case platform::FileKind::Other:
                walk_.view.NotProcessed(path, "not a regular file; left alone");
                return false;
            case platform::FileKind::Folder: break;
        }
        if (status->identity.volume != volume_) {
            walk_.view.NotProcessed(path, kMountedThereText);
            return false;
        }
        if (!trail.Enter(name)) {
            walk_.view.NotProcessed(path, platform::LastFailureText());
            return false;
        }
        const bool ok = Empty(trail, WithSeparator(path));
        trail.Leave();  // on Windows an open folder cannot be removed
        if (walk_.state.cancel) return true;
        if (keepFolder) return ok;
        const platform::Folder* parent = trail.Current();
        if (parent == nullptr || !parent->RemoveFolder(name)) {
            if (ok) walk_.view.NotProcessed(path, parent ? "the folder could not be removed" : trail.Failure());
            return false;
        }
        return ok;
    }

    bool File(const platform::Folder& folder, const std::string& path, const std::string& name) {
        const std::uint32_t k = walk_.state.fileIndex++;
        walk_.view.Report(Scaled(0, kCompleteDeleteSpan, k, walk_.state.fileCount), DeleteStatus(path));
        if (walk_.state.cancel) return true;
        const wipe::InPlaceOutcome overwrite =
            wipe::OverwriteInPlace(folder, name, walk_.diskPasses, [this] { return !walk_.state.cancel; }, walk_.verify,
                                   walk_.job ? &walk_.job->tally : nullptr);
        if (overwrite.result == wipe::InPlaceResult::Gone) return true;
        if (!overwrite.note.empty() && walk_.record != nullptr) {
            walk_.record->NotReached(path, overwrite.note, walk_.record->verdicts.Of(walk_.root));
        }
        if (overwrite.result == wipe::InPlaceResult::Refused || overwrite.result == wipe::InPlaceResult::Failed ||
            overwrite.result == wipe::InPlaceResult::NotAsWritten) {
            walk_.view.NotProcessed(path, "it " + overwrite.why);
            return false;
        }
        if (folder.Delete(name)) return true;
        walk_.view.NotProcessed(path, "it could not be deleted: " + platform::LastFailureText());
        return false;
    }

    const DriveWalk& walk_;
    std::uint64_t volume_ = 0;
};

}  // namespace

std::uint32_t CountFiles(const DriveWalk& walk) { return Count(walk.root, VolumeOf(walk.root)); }

bool SlackWalk(const DriveWalk& walk, const std::function<int(const std::string&)>& wipeSlack) {
    return Slack(walk, wipeSlack).Folder(walk.root);
}

bool DeleteWalk(const DriveWalk& walk) { return Deletion(walk).Root(); }

}  // namespace pelorin::wipe_app

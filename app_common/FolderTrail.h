#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "platform/FileStatus.h"
#include "platform/Folder.h"

namespace pelorin {

// The folders a walk is in, from where it started down to where it is now,
// each taken relative to the one above it (no folder on the way down can
// be swapped for a link). Only the top and the deepest few are held open,
// so that how deep a tree may go no longer depends on how many files a
// process may have open: a folder further up is closed and, when the walk
// comes back to it, opened again (from the folder below through "..", else
// by name from the nearest open one above, never through a link), and taken
// only when it is still the very folder the walk went into: the same volume
// and index. Anything else counts as moved or replaced while the walk was
// below it.
class FolderTrail {
public:
    // At most 16 below the top, and a quarter of what the process may have
    // open, at least two: the walk's files, listings and the rest of the
    // program need descriptors too.
    static std::size_t DefaultMostOpen();

    // `top` is where the walk starts.
    explicit FolderTrail(platform::Folder top, std::size_t mostOpen = DefaultMostOpen());

    // Goes into the folder `name` of the current one. False when it cannot
    // be opened (LastFailureText says why).
    bool Enter(const std::string& name);
    // Back to the folder above the current one (never above the top).
    void Leave();
    // The folder the walk is in, opened again when it had been closed.
    // Nothing when that is not possible or it is no longer the folder the
    // walk went into: then `Failure()` says why. Valid until the next Enter,
    // Leave or Current.
    const platform::Folder* Current();
    std::string Failure() const { return failure_; }

    std::size_t Depth() const { return frames_.size() - 1; }
    // How many folders are held open now (for tests).
    std::size_t OpenCount() const;

private:
    struct Frame {
        std::string name;
        platform::FileIdentity identity;
        std::optional<platform::Folder> open;
    };
    bool Reopen(std::size_t index);
    bool Matches(std::size_t index) const;
    void CloseFarthest();

    std::deque<Frame> frames_;
    std::size_t mostOpen_;
    std::string failure_;
};

inline constexpr const char* kFolderChangedText =
    "was moved or replaced while the walk was below it; what it holds now is left alone";

}  // namespace pelorin

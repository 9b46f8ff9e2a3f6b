#include "app_common/FolderTrail.h"

#include <algorithm>

#include "platform/File.h"
#include "platform/Process.h"

namespace pelorin {

std::size_t FolderTrail::DefaultMostOpen() { return std::clamp<std::size_t>(platform::OpenFileLimit() / 4, 2, 16); }

FolderTrail::FolderTrail(platform::Folder top, std::size_t mostOpen) : mostOpen_(std::max<std::size_t>(mostOpen, 1)) {
    const auto status = top.Status();
    frames_.push_back({"", status ? status->identity : platform::FileIdentity{}, std::move(top)});
}

std::size_t FolderTrail::OpenCount() const {
    return static_cast<std::size_t>(std::count_if(frames_.begin(), frames_.end(), [](const Frame& f) { return f.open.has_value(); }));
}

bool FolderTrail::Matches(std::size_t index) const {
    const auto status = frames_[index].open->Status();
    return status && status->kind == platform::FileKind::Folder && status->identity == frames_[index].identity;
}

// Closes the open folder nearest the top, the top itself excepted, while
// more than the bound (and the deepest one) are open.
void FolderTrail::CloseFarthest() {
    while (OpenCount() > mostOpen_ + 1) {
        for (std::size_t i = 1; i + 1 < frames_.size(); ++i) {
            if (frames_[i].open) {
                frames_[i].open.reset();
                break;
            }
        }
    }
}

bool FolderTrail::Enter(const std::string& name) {
    const platform::Folder* here = Current();
    if (here == nullptr) return false;
    auto child = here->OpenChild(name);
    if (!child) return false;
    const auto status = child->Status();
    if (!status) return false;
    frames_.push_back({name, status->identity, std::move(child)});
    CloseFarthest();
    return true;
}

void FolderTrail::Leave() {
    if (frames_.size() <= 1) return;
    Frame left = std::move(frames_.back());
    frames_.pop_back();
    Frame& parent = frames_.back();
    if (parent.open || !left.open) return;
    // The folder just left leads back up in one step; it is taken only when
    // it is the parent the walk came through.
    const std::string shown = left.open->path().substr(0, left.open->path().find_last_of("\\/"));
    parent.open = left.open->OpenParent(shown);
    if (parent.open && !Matches(frames_.size() - 1)) parent.open.reset();
}

bool FolderTrail::Reopen(std::size_t index) {
    std::size_t from = index;
    while (!frames_[from].open) --from;  // the top is always open
    for (std::size_t i = from + 1; i <= index; ++i) {
        frames_[i].open = frames_[i - 1].open->OpenChild(frames_[i].name);
        if (!frames_[i].open) {
            failure_ = std::string(kFolderChangedText) + " (" + platform::LastFailureText() + ")";
            return false;
        }
        if (!Matches(i)) {
            frames_[i].open.reset();
            failure_ = kFolderChangedText;
            return false;
        }
        // Only the folder below is needed to go on.
        if (i - 1 != 0 && OpenCount() > mostOpen_ + 1) frames_[i - 1].open.reset();
    }
    return true;
}

const platform::Folder* FolderTrail::Current() {
    failure_.clear();
    if (!frames_.back().open && !Reopen(frames_.size() - 1)) return nullptr;
    return &*frames_.back().open;
}

}  // namespace pelorin

#include "wipe/NameScrub.h"

#include <string_view>
#include <vector>

#include "platform/File.h"
#include "platform/OsRandom.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::wipe {
namespace {

constexpr std::string_view kNameCharacters = "abcdefghijklmnopqrstuvwxyz0123456789";
// Attempts per rename when a random name is taken (a short name may find
// most of its few forms in use).
constexpr int kAttempts = 8;
constexpr int kRenames = 2;
constexpr std::uint64_t kSmallestDirectoryBlock = 1024;
// The longest name most file systems take, then lengths whose entries fill
// smaller and smaller ends of a block.
constexpr std::size_t kFillNameLengths[] = {255, 127, 63, 31, 15, 7, 3, 1};

// The new name, or the old one when no rename was possible.
std::string RenameOnce(const platform::Folder& folder, const std::string& name) {
    // As long as the name is where the file system keeps it (on Windows in
    // UTF-16 units, not in the bytes of its UTF-8), so that the new name
    // covers the old one and is as valid.
    const std::size_t length = platform::NameLengthOnDisk(name);
    for (int attempt = 0; attempt < kAttempts && !name.empty(); ++attempt) {
        const auto candidate = RandomName(length);
        if (!candidate) break;
        if (*candidate != name && folder.Rename(name, *candidate)) return *candidate;
    }
    return name;
}

}  // namespace

std::optional<std::string> RandomName(std::size_t length) {
    std::vector<std::uint8_t> bytes(length);
    if (!platform::OsRandomBytes(bytes)) return std::nullopt;
    std::string name(length, ' ');
    for (std::size_t at = 0; at < length; ++at) name[at] = kNameCharacters[bytes[at] % kNameCharacters.size()];
    return name;
}

std::uint64_t DeadEntryBytes(std::size_t nameLength) {
    // An entry takes its name and about a dozen bytes; the name left two
    // (its own and the first random one).
    return 2 * (nameLength + 12);
}

bool ScrubFolderEntries(const platform::Folder& folder, std::uint64_t deadBytes) {
    const auto before = folder.Status();
    // Nothing made in an append-only folder could be removed again, and an
    // immutable one takes nothing.
    if (!before || before->appendOnly || before->immutable) return true;
    // Where the system tells a folder's size (Linux), its blocks are filled
    // until it grows; where it does not (Windows), as much as went from it.
    const std::uint64_t size = before->size;
    const std::uint64_t span = size != 0 ? size : deadBytes;
    if (span == 0) return true;
    // Directory blocks are 1 KiB or more: this many is at least one per block.
    const std::uint64_t blocks = span / kSmallestDirectoryBlock + 1;
    std::vector<std::string> made;
    bool grown = false;
    for (const std::size_t length : kFillNameLengths) {
        // Long names cover the dead space of the blocks; each shorter length
        // is needed at most once per block for what is left at its end.
        const std::uint64_t most = length == kFillNameLengths[0] ? span / (length + 9) + blocks : blocks;
        for (std::uint64_t n = 0; n < most && !grown; ++n) {
            const auto name = RandomName(length);
            if (!name) break;
            platform::OpenOptions create;
            create.write = true;
            create.create = true;
            create.exclusive = true;
            create.noFollow = true;
            if (!platform::File::OpenIn(folder, *name, create).IsOpen()) break;
            made.push_back(*name);
            // The first entry that needed a new block is the end: the old
            // blocks are full.
            const auto now = folder.Status();
            grown = size != 0 && (!now || now->size != size);
        }
        if (grown) break;
    }
    bool removed = true;
    for (const auto& name : made) removed = folder.Delete(name) && removed;
    // A folder's directory blocks that are still in memory when it is
    // removed are dropped, not written: the disk would keep the old names.
    // A journalling file system (ext4) has them written to its journal by
    // the folder's own flush, and where they lie only later, unless the
    // whole volume is flushed.
    folder.FlushVolume();
    return removed;
}

std::string ScrubName(const platform::Folder& folder, const std::string& name) {
    std::string current = name;
    for (int rename = 0; rename < kRenames; ++rename) current = RenameOnce(folder, current);
    return current;
}

bool DeleteWithScrubbedName(const platform::Folder& folder, const std::string& name) {
    const std::string scrubbed = ScrubName(folder, name);
    if (folder.Delete(scrubbed)) return true;
    if (scrubbed != name) folder.Rename(scrubbed, name);
    return false;
}

bool RemoveFolderWithScrubbedName(const platform::Folder& folder, const std::string& name) {
    const std::string scrubbed = ScrubName(folder, name);
    if (folder.RemoveFolder(scrubbed)) return true;
    if (scrubbed != name) folder.Rename(scrubbed, name);
    return false;
}

bool DeleteWithScrubbedName(const std::string& path) {
    // On Linux a backslash is part of a name.
    const std::size_t cut = path.find_last_of(platform::kHostSeparator == '\\' ? "\\/" : "/");
    const auto folder = cut == std::string::npos ? std::nullopt : platform::Folder::Open(path.substr(0, cut + 1), true);
    if (!folder) return platform::DeleteFileNamed(path);
    return DeleteWithScrubbedName(*folder, path.substr(cut + 1));
}

}  // namespace pelorin::wipe

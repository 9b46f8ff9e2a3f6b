#include "app_common/TemporaryFiles.h"

#include <array>
#include <cstdio>

#include "platform/Folder.h"
#include "platform/OsRandom.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin {
namespace {

constexpr const char* kEntrySuffix = ".journal";
constexpr const char* kFillKind = "fill";
constexpr const char* kJobKind = "job";
constexpr const char* kTemporaryPrefix = "pelorin-";
constexpr const char* kTemporarySuffix = ".tmp";

platform::OpenOptions Holding() {
    platform::OpenOptions options;
    options.read = true;
    options.write = true;
    options.noFollow = true;
    options.lock = platform::FileLock::Exclusive;
    return options;
}

std::string RandomHex(std::size_t bytes) {
    std::array<std::uint8_t, 16> random{};
    platform::OsRandomBytes(std::span(random).first(bytes));
    std::string text;
    for (std::size_t i = 0; i < bytes; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", random[i]);
        text += pair;
    }
    return text;
}

void CreateFolders(const std::string& folder) {
    for (std::size_t at = 1; at < folder.size(); ++at) {
        if (folder[at] == platform::kHostSeparator) platform::CreateFolder(folder.substr(0, at));
    }
}

// A new entry file, held; its fields are separated by zero bytes, since a
// path may hold any other character.
std::optional<std::pair<std::string, platform::File>> NewEntry(const std::string& kind) {
    const std::string folder = TemporaryFilesJournalFolder();
    CreateFolders(folder);
    platform::OpenOptions options = Holding();
    options.create = true;
    options.exclusive = true;
    const std::string path = folder + kind + "-" + RandomHex(8) + kEntrySuffix;
    platform::File entry = platform::File::Open(path, options);
    if (!entry.IsOpen()) return std::nullopt;
    return std::make_pair(path, std::move(entry));
}

bool Append(platform::File& entry, const std::string& field, bool forceToDisk) {
    const std::string text = field + std::string(1, '\0');
    return entry.Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size()) &&
           (!forceToDisk || entry.Flush());
}

std::vector<std::string> Fields(platform::File& entry) {
    std::vector<std::string> fields;
    std::string text(1 << 16, '\0');
    const std::int64_t got = entry.Read(text.data(), text.size());
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
        fields.push_back(text.substr(start, end - start));
    }
    return fields;
}

// Overwrites a leftover once before it goes: it may hold plaintext.
void OverwriteAndDelete(const std::string& path) {
    platform::OpenOptions options;
    options.write = true;
    options.noFollow = true;
    platform::File file = platform::File::Open(path, options);
    if (file.IsOpen()) {
        const std::vector<char> zeros(1 << 16, '\0');
        for (std::int64_t left = file.Length(); left > 0;) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(zeros.size())));
            if (file.Write(zeros.data(), n) != static_cast<std::int64_t>(n)) break;
            left -= static_cast<std::int64_t>(n);
        }
        file.Flush();
        file.Close();
    }
    platform::DeleteFileNamed(path);
}

// A record fill's folder: the records it holds (named by numbers), then
// the folder itself. True when it is gone.
bool RemoveRecordFolder(const std::string& path) {
    {
        const auto folder = platform::Folder::Open(path);
        if (!folder) return false;
        for (const auto& name : folder->List().names) {
            const auto status = folder->StatusOf(name);
            if (status && status->kind == platform::FileKind::Regular &&
                name.find_first_not_of("0123456789") == std::string::npos) {
                folder->Delete(name);
            }
        }
    }  // closed: on Windows an open folder cannot be removed
    return platform::RemoveFolder(path);
}

// True when the entry is settled (its files are gone or removed now).
bool RemoveFill(const std::vector<std::string>& fields, std::vector<std::string>& removed) {
    if (fields.size() < 4) return true;
    platform::FileIdentity identity;
    try {
        identity = {std::stoull(fields[1]), std::stoull(fields[2])};
    } catch (const std::exception&) {
        return true;
    }
    const std::string& path = fields[3];
    const auto status = platform::StatusOf(path);
    // Gone, unless its folder cannot be found either (a volume not mounted
    // now): then it is tried again later.
    if (!status) return platform::IsFolder(path.substr(0, path.find_last_of("\\/") + 1));
    if (!(status->identity == identity)) return true;  // another file now: never touched
    if (status->kind == platform::FileKind::Folder && RemoveRecordFolder(path)) {
        removed.push_back(path);
        return true;
    }
    if (status->kind == platform::FileKind::Regular && platform::DeleteFileNamed(path)) {
        removed.push_back(path);
        return true;
    }
    return false;
}

bool RemoveJobFiles(const std::vector<std::string>& fields, std::vector<std::string>& removed) {
    if (fields.size() < 2) return true;
    const std::string prefix = kTemporaryPrefix + fields[1] + "-";
    bool settled = true;
    for (std::size_t i = 2; i < fields.size(); ++i) {
        const std::string& folder = fields[i];
        const platform::FolderListing listing = platform::ListFolder(folder);
        if (!listing.readable) {
            // Gone with its folder, unless the volume is not there now (its
            // parent cannot be found either): then it is tried again later.
            const std::string trimmed = folder.substr(0, folder.size() - 1);
            const std::string parent = trimmed.substr(0, trimmed.find_last_of("\\/") + 1);
            if (parent.empty() || !platform::IsFolder(parent)) settled = false;
            continue;
        }
        for (const auto& name : listing.names) {
            if (name.rfind(prefix, 0) != 0) continue;
            const auto status = platform::StatusOf(folder + name);
            if (!status || status->kind != platform::FileKind::Regular) continue;
            OverwriteAndDelete(folder + name);
            removed.push_back(folder + name);
        }
    }
    return settled;
}

}  // namespace

std::string TemporaryFilesJournalFolder() {
    const char separator = platform::kHostSeparator;
    return platform::UserStateFolder() + "Tarn6 Software" + separator + "Pelorin" + separator + "temporary files" +
           separator;
}

std::optional<FillJournalEntry> FillJournalEntry::Record(const std::string& fillPath,
                                                         const platform::FileIdentity& fill) {
    auto entry = NewEntry(kFillKind);
    if (!entry) return std::nullopt;
    const bool written = Append(entry->second, kFillKind, false) &&
                         Append(entry->second, std::to_string(fill.volume), false) &&
                         Append(entry->second, std::to_string(fill.index), false) &&
                         Append(entry->second, fillPath, true);
    if (!written) {
        entry->second.Close();
        platform::DeleteFileNamed(entry->first);
        return std::nullopt;
    }
    return FillJournalEntry(entry->first, std::move(entry->second));
}

FillJournalEntry::~FillJournalEntry() {
    if (!entry_.IsOpen()) return;  // moved from
    entry_.Close();
    if (!keep_) platform::DeleteFileNamed(entryPath_);
}

JobTemporaries::JobTemporaries() : job_(RandomHex(8)) {}

JobTemporaries::~JobTemporaries() {
    if (!entry_.IsOpen()) return;
    entry_.Close();
    platform::DeleteFileNamed(entryPath_);
}

std::string JobTemporaries::NameIn(const std::string& folder) {
    if (folders_.insert(folder).second) {
        if (!entry_.IsOpen()) {
            if (auto entry = NewEntry(kJobKind)) {
                entryPath_ = entry->first;
                entry_ = std::move(entry->second);
                Append(entry_, kJobKind, false);
                Append(entry_, job_, false);
            }
        }
        // Forced to the disk before a file is made there: a crash must not
        // leave a file the journal does not name.
        if (entry_.IsOpen()) Append(entry_, folder, true);
    }
    return folder + kTemporaryPrefix + job_ + "-" + std::to_string(next_++) + kTemporarySuffix;
}

std::vector<std::string> RemoveLeftoverTemporaries() {
    std::vector<std::string> removed;
    const std::string folder = TemporaryFilesJournalFolder();
    for (const auto& name : platform::ListFolder(folder).names) {
        if (name.size() <= std::string(kEntrySuffix).size() ||
            name.compare(name.size() - std::string(kEntrySuffix).size(), std::string::npos, kEntrySuffix) != 0) {
            continue;
        }
        const std::string entryPath = folder + name;
        // A living job holds its entry: it is not a leftover.
        platform::File entry = platform::File::Open(entryPath, Holding());
        if (!entry.IsOpen()) continue;
        const std::vector<std::string> fields = Fields(entry);
        bool settled = true;
        if (!fields.empty() && fields[0] == kFillKind) settled = RemoveFill(fields, removed);
        if (!fields.empty() && fields[0] == kJobKind) settled = RemoveJobFiles(fields, removed);
        entry.Close();
        if (settled) platform::DeleteFileNamed(entryPath);
    }
    return removed;
}

}  // namespace pelorin

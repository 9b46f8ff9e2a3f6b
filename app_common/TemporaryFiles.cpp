#include "app_common/TemporaryFiles.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

#include "platform/CodePage.h"
#include "platform/Folder.h"
#include "platform/OsRandom.h"
#include "platform/Ownership.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin {
namespace {

constexpr const char* kEntrySuffix = ".journal";
// Kinds of entry; those of earlier versions ("fill", "job") recorded no birth.
constexpr const char* kFillKind = "fill-file";
constexpr const char* kJobKind = "job-files";
constexpr const char* kOldFillKind = "fill";
constexpr const char* kOldJobKind = "job";
// Records in a job's entry: a folder before the first file is made there,
// each file once it is made.
constexpr const char* kFolderRecord = "folder";
constexpr const char* kMadeRecord = "made";
constexpr const char* kUnknown = "-";
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

// The journal's folder, when it is the user's alone: its entries name files
// to delete, so a folder another user could have written to (a state folder
// under a HOME inherited from another user, or under /tmp) is never used.
std::optional<platform::Folder> JournalFolder() {
    const std::string path = TemporaryFilesJournalFolder();
    if (path.empty()) return std::nullopt;
    auto folder = platform::Folder::Open(path, true);
    if (!folder || !platform::EnsurePrivateToUser(*folder)) return std::nullopt;
    return folder;
}

// A new entry file, held; its fields are separated by zero bytes, since a
// path may hold any other character.
std::optional<std::pair<std::string, platform::File>> NewEntry(const std::string& kind) {
    CreateFolders(TemporaryFilesJournalFolder());
    const auto folder = JournalFolder();
    if (!folder) return std::nullopt;
    platform::OpenOptions options = Holding();
    options.create = true;
    options.exclusive = true;
    options.privateFile = true;
    const std::string name = kind + "-" + RandomHex(8) + kEntrySuffix;
    platform::File entry = platform::File::OpenIn(*folder, name, options);
    if (!entry.IsOpen()) return std::nullopt;
    return std::make_pair(TemporaryFilesJournalFolder() + name, std::move(entry));
}

bool Append(platform::File& entry, const std::vector<std::string>& fields, bool forceToDisk) {
    std::string text;
    for (const auto& field : fields) text += field + std::string(1, '\0');
    return entry.Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size()) &&
           (!forceToDisk || entry.Flush());
}

// Every field of an entry, however long the job's list of files grew.
std::vector<std::string> Fields(platform::File& entry) {
    std::string text;
    std::vector<char> block(1 << 16);
    for (std::int64_t got; (got = entry.Read(block.data(), block.size())) > 0;) {
        text.append(block.data(), static_cast<std::size_t>(got));
    }
    std::vector<std::string> fields;
    std::size_t start = 0;
    // A journal of an earlier version holds names in the system's code page
    // (Windows); they are taken as such.
    for (std::size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
        fields.push_back(platform::NameFromCallerText(std::string_view(text).substr(start, end - start)));
    }
    return fields;
}

template <typename Number>
std::string Text(const std::optional<Number>& value) {
    return value ? std::to_string(*value) : std::string(kUnknown);
}

// A birth as four fields: volume, index, birth time, generation.
std::vector<std::string> BirthFields(const platform::FileBirth& birth) {
    return {std::to_string(birth.identity.volume), std::to_string(birth.identity.index), Text(birth.born),
            Text(birth.generation)};
}

std::optional<platform::FileBirth> BirthFrom(const std::vector<std::string>& fields, std::size_t at) {
    if (fields.size() < at + 4) return std::nullopt;
    platform::FileBirth birth;
    try {
        birth.identity = {std::stoull(fields[at]), std::stoull(fields[at + 1])};
        if (fields[at + 2] != kUnknown) birth.born = std::stoll(fields[at + 2]);
        if (fields[at + 3] != kUnknown) birth.generation = std::stoull(fields[at + 3]);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return birth;
}

// What a journalled name leads to now.
enum class Found {
    Recorded,     // the very file recorded
    Other,        // another file, or none: never touched
    CannotTell,   // maybe the file recorded; its file system cannot say
    Unreachable,  // its folder is not there (a volume not mounted): later
    Busy,         // it could not be opened now: later
};

std::string FolderPart(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

// Opens the name and compares it with the record: the identity, and every
// mark of birth the record holds must be the file's too. `recorded` is
// nothing when the job did not live to record it.
Found Look(const std::string& path, const std::optional<platform::FileBirth>& recorded, platform::File& file) {
    const auto status = platform::StatusOf(path);
    if (!status) return platform::IsFolder(FolderPart(path)) ? Found::Other : Found::Unreachable;
    if (status->kind != platform::FileKind::Regular) return Found::Other;
    if (recorded && !(status->identity == recorded->identity)) return Found::Other;
    platform::OpenOptions options;
    options.read = true;
    options.write = true;
    options.noFollow = true;
    options.allowRename = true;  // Windows: the name can go while it is open
    file = platform::File::Open(path, options);
    const auto birth = file.IsOpen() ? file.Birth() : std::nullopt;
    if (!birth) return Found::Busy;
    if (!recorded || (!recorded->born && !recorded->generation)) return Found::CannotTell;
    const bool same = birth->identity == recorded->identity &&
                      (!recorded->born || birth->born == recorded->born) &&
                      (!recorded->generation || birth->generation == recorded->generation);
    return same ? Found::Recorded : Found::Other;
}

// Removes the name when it still leads to the open file (the open file's
// inode cannot be given to another meanwhile), after overwriting it once
// when it may hold plaintext.
bool RemoveOpened(const std::string& path, platform::File& file, bool overwrite) {
    if (overwrite) {
        const std::vector<char> zeros(1 << 16, '\0');
        file.Seek(0, platform::SeekFrom::Start);
        for (std::int64_t left = file.Length(); left > 0;) {
            const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(zeros.size())));
            if (file.Write(zeros.data(), n) != static_cast<std::int64_t>(n)) break;
            left -= static_cast<std::int64_t>(n);
        }
        file.Flush();
    }
    const auto opened = file.Status();
    const auto named = platform::StatusOf(path);
    if (!opened || !named || !(opened->identity == named->identity)) return false;
    const bool deleted = platform::DeleteFileNamed(path);
    file.Close();
    return deleted;
}

// A record fill's folder: the records it holds (named by numbers), then
// the folder itself. True when it is gone.
bool RemoveRecordFolder(const std::string& path, std::optional<platform::Folder>& folder) {
    for (const auto& name : folder->List().names) {
        const auto status = folder->StatusOf(name);
        if (status && status->kind == platform::FileKind::Regular &&
            name.find_first_not_of("0123456789") == std::string::npos) {
            folder->Delete(name);
        }
    }
    folder.reset();  // closed: on Windows an open folder cannot be removed
    return platform::RemoveFolder(path);
}

// What a journalled record-fill folder's name leads to now, as Look tells
// it of a file.
Found LookAtFolder(const std::string& path, const platform::FileBirth& recorded, std::optional<platform::Folder>& opened) {
    opened = platform::Folder::Open(path);
    if (!opened) return platform::IsFolder(FolderPart(path)) ? Found::Other : Found::Unreachable;
    const auto birth = opened->Birth();
    if (!birth || !(birth->identity == recorded.identity)) return Found::Other;
    if (!recorded.born && !recorded.generation) return Found::CannotTell;
    const bool same = (!recorded.born || birth->born == recorded.born) &&
                      (!recorded.generation || birth->generation == recorded.generation);
    return same ? Found::Recorded : Found::Other;
}

struct Cleanup {
    std::vector<std::string> removed;
    std::vector<std::string> kept;

    // True when the name is settled (removed, another file's, or told of).
    bool Settle(const std::string& path, const std::optional<platform::FileBirth>& recorded, bool overwrite) {
        platform::File file;
        switch (Look(path, recorded, file)) {
            case Found::Recorded:
                if (!RemoveOpened(path, file, overwrite)) return false;
                removed.push_back(path);
                return true;
            case Found::CannotTell: kept.push_back(path); return true;
            case Found::Other: return true;
            case Found::Unreachable:
            case Found::Busy: return false;
        }
        return false;
    }

    bool Fill(const std::vector<std::string>& fields) {
        const auto birth = BirthFrom(fields, 1);
        if (!birth || fields.size() < 6) return true;
        const auto status = platform::StatusOf(fields[5]);
        if (status && status->kind == platform::FileKind::Folder) return SettleFolder(fields[5], *birth);
        return Settle(fields[5], birth, false);
    }

    // The folder of a killed record fill, with the records in it.
    bool SettleFolder(const std::string& path, const platform::FileBirth& recorded) {
        std::optional<platform::Folder> folder;
        switch (LookAtFolder(path, recorded, folder)) {
            case Found::Recorded:
                if (!RemoveRecordFolder(path, folder)) return false;
                removed.push_back(path);
                return true;
            case Found::CannotTell: kept.push_back(path); return true;
            case Found::Other: return true;
            case Found::Unreachable:
            case Found::Busy: return false;
        }
        return false;
    }

    // An entry of an earlier version: no birth was recorded.
    bool OldFill(const std::vector<std::string>& fields) {
        if (fields.size() < 4) return true;
        platform::FileBirth identity;
        try {
            identity.identity = {std::stoull(fields[1]), std::stoull(fields[2])};
        } catch (const std::exception&) {
            return true;
        }
        return Settle(fields[3], identity, false);
    }

    // The job's names in a folder: exactly "pelorin-<job>-<number>.tmp".
    static std::vector<std::string> JobNamesIn(const std::string& folder, const std::string& job) {
        std::vector<std::string> found;
        const std::string prefix = kTemporaryPrefix + job + "-";
        const std::string suffix = kTemporarySuffix;
        for (const auto& name : platform::ListFolder(folder).names) {
            if (name.size() <= prefix.size() + suffix.size() || name.rfind(prefix, 0) != 0 ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
                continue;
            }
            const std::string number = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
            if (number.find_first_not_of("0123456789") == std::string::npos) found.push_back(folder + name);
        }
        return found;
    }

    // A folder that cannot be listed is gone with its files, unless the
    // volume is not there now (its parent cannot be found either).
    static bool Reachable(const std::string& folder) {
        if (platform::IsFolder(folder)) return true;
        const std::string trimmed = folder.substr(0, folder.size() - 1);
        const std::string parent = FolderPart(trimmed);
        return !parent.empty() && platform::IsFolder(parent);
    }

    // An entry of an earlier version: its job number and folders, no file's
    // birth, so no file of it can be told from one that took its place.
    bool OldJob(const std::vector<std::string>& fields) {
        if (fields.size() < 2) return true;
        for (std::size_t i = 2; i < fields.size(); ++i) {
            for (auto& path : JobNamesIn(fields[i], fields[1])) kept.push_back(std::move(path));
        }
        return true;
    }

    // Every file of exactly the job's names in its folders: the one the job
    // recorded is removed when it is still that file; one it did not live
    // to record (a power cut before the record reached the disk) is kept
    // and named.
    bool Job(const std::vector<std::string>& fields) {
        if (fields.size() < 2) return true;
        std::vector<std::string> folders;
        std::map<std::string, platform::FileBirth> made;
        for (std::size_t at = 2; at < fields.size();) {
            if (fields[at] == kFolderRecord && at + 1 < fields.size()) {
                folders.push_back(fields[at + 1]);
                at += 2;
            } else if (fields[at] == kMadeRecord && at + 5 < fields.size()) {
                if (const auto birth = BirthFrom(fields, at + 2)) made[fields[at + 1]] = *birth;
                at += 6;
            } else {
                break;  // cut short by the kill
            }
        }
        bool settled = true;
        for (const auto& folder : folders) {
            if (!Reachable(folder)) {
                settled = false;
                continue;
            }
            for (const auto& path : JobNamesIn(folder, fields[1])) {
                const auto recorded = made.find(path);
                settled = Settle(path, recorded == made.end() ? std::nullopt : std::optional(recorded->second), true) &&
                          settled;
            }
        }
        return settled;
    }
};

}  // namespace

std::string TemporaryFilesJournalFolder() {
    const char separator = platform::kHostSeparator;
    const std::string state = platform::UserStateFolder();
    if (state.empty()) return {};
    return state + "Tarn6 Software" + separator + "Pelorin" + separator + "temporary files" +
           separator;
}

std::optional<FillJournalEntry> FillJournalEntry::Record(const std::string& fillPath,
                                                         const platform::FileBirth& fill) {
    auto entry = NewEntry(kFillKind);
    if (!entry) return std::nullopt;
    std::vector<std::string> fields{kFillKind};
    for (auto& field : BirthFields(fill)) fields.push_back(std::move(field));
    fields.push_back(fillPath);
    if (!Append(entry->second, fields, true)) {
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
                Append(entry_, {kJobKind, job_}, false);
            }
        }
        // Forced to the disk before a file is made there: a crash must not
        // leave a file the journal does not lead to.
        if (entry_.IsOpen()) Append(entry_, {kFolderRecord, folder}, true);
    }
    return folder + kTemporaryPrefix + job_ + "-" + std::to_string(next_++) + kTemporarySuffix;
}

void JobTemporaries::Made(const std::string& path, platform::File& file) {
    const auto birth = file.Birth();
    if (!entry_.IsOpen() || !birth) return;
    std::vector<std::string> fields{kMadeRecord, path};
    for (auto& field : BirthFields(*birth)) fields.push_back(std::move(field));
    // Not forced to the disk (one wait per restored file): a kill keeps it,
    // and after a power cut the file is kept and named rather than removed.
    Append(entry_, fields, false);
}

std::vector<std::string> RemoveLeftoverTemporaries(std::vector<std::string>* kept, std::string* untrusted) {
    Cleanup cleanup;
    const std::string folderPath = TemporaryFilesJournalFolder();
    const auto folder = JournalFolder();
    if (!folder) {
        if (untrusted && platform::IsFolder(folderPath)) *untrusted = folderPath;
        return {};
    }
    for (const auto& name : folder->List().names) {
        if (name.size() <= std::string(kEntrySuffix).size() ||
            name.compare(name.size() - std::string(kEntrySuffix).size(), std::string::npos, kEntrySuffix) != 0) {
            continue;
        }
        // An entry another user could have written names nothing of ours.
        if (!platform::IsPrivateToUser(*folder, name)) continue;
        const std::string entryPath = folderPath + name;
        // A living job holds its entry: it is not a leftover.
        platform::File entry = platform::File::OpenIn(*folder, name, Holding());
        if (!entry.IsOpen()) continue;
        const std::vector<std::string> fields = Fields(entry);
        const std::string kind = fields.empty() ? "" : fields[0];
        bool settled = true;
        if (kind == kFillKind) settled = cleanup.Fill(fields);
        if (kind == kOldFillKind) settled = cleanup.OldFill(fields);
        if (kind == kJobKind) settled = cleanup.Job(fields);
        if (kind == kOldJobKind) settled = cleanup.OldJob(fields);
        entry.Close();
        if (settled) folder->Delete(name);
    }
    if (kept) *kept = std::move(cleanup.kept);
    return cleanup.removed;
}

}  // namespace pelorin

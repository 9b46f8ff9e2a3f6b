#include "wipe/FillJournal.h"

#include <array>
#include <cstdio>

#include "platform/OsRandom.h"
#include "platform/Paths.h"
#include "platform/Volume.h"

namespace pelorin::wipe {
namespace {

constexpr const char* kEntryPrefix = "fill-";
constexpr const char* kEntrySuffix = ".journal";

platform::OpenOptions Holding() {
    platform::OpenOptions options;
    options.read = true;
    options.write = true;
    options.noFollow = true;
    options.lock = platform::FileLock::Exclusive;
    return options;
}

// An entry: the identity as two decimal lines, then the path to the end.
std::string EntryText(const std::string& fillPath, const platform::FileIdentity& fill) {
    return std::to_string(fill.volume) + "\n" + std::to_string(fill.index) + "\n" + fillPath;
}

struct ParsedEntry {
    platform::FileIdentity identity;
    std::string path;
};

std::optional<ParsedEntry> ParseEntry(const std::string& text) {
    const std::size_t first = text.find('\n');
    const std::size_t second = first == std::string::npos ? first : text.find('\n', first + 1);
    if (second == std::string::npos || second + 1 >= text.size()) return std::nullopt;
    ParsedEntry entry;
    try {
        entry.identity.volume = std::stoull(text.substr(0, first));
        entry.identity.index = std::stoull(text.substr(first + 1, second - first - 1));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    entry.path = text.substr(second + 1);
    return entry;
}

void CreateFolders(const std::string& folder) {
    for (std::size_t at = 1; at < folder.size(); ++at) {
        if (folder[at] == platform::kHostSeparator) platform::CreateFolder(folder.substr(0, at));
    }
}

}  // namespace

std::string FillJournalFolder() {
    const char separator = platform::kHostSeparator;
    return platform::UserStateFolder() + "Tarn6 Software" + separator + "PeloSDK" + separator + "fill files" +
           separator;
}

std::optional<FillJournalEntry> FillJournalEntry::Record(const std::string& fillPath,
                                                         const platform::FileIdentity& fill) {
    const std::string folder = FillJournalFolder();
    CreateFolders(folder);
    std::array<std::uint8_t, 8> random{};
    if (!platform::OsRandomBytes(random)) return std::nullopt;
    char name[40];
    std::snprintf(name, sizeof name, "%s%02x%02x%02x%02x%02x%02x%02x%02x%s", kEntryPrefix, random[0], random[1],
                  random[2], random[3], random[4], random[5], random[6], random[7], kEntrySuffix);
    platform::OpenOptions options = Holding();
    options.create = true;
    options.exclusive = true;
    const std::string entryPath = folder + name;
    platform::File entry = platform::File::Open(entryPath, options);
    if (!entry.IsOpen()) return std::nullopt;
    const std::string text = EntryText(fillPath, fill);
    if (entry.Write(text.data(), text.size()) != static_cast<std::int64_t>(text.size()) || !entry.Flush()) {
        entry.Close();
        platform::DeleteFileNamed(entryPath);
        return std::nullopt;
    }
    return FillJournalEntry(entryPath, std::move(entry));
}

FillJournalEntry::~FillJournalEntry() {
    if (!entry_.IsOpen()) return;  // moved from
    entry_.Close();
    if (!keep_) platform::DeleteFileNamed(entryPath_);
}

std::vector<std::string> RemoveLeftoverFills() {
    std::vector<std::string> removed;
    const std::string folder = FillJournalFolder();
    for (const auto& name : platform::ListFolder(folder).names) {
        if (name.rfind(kEntryPrefix, 0) != 0) continue;
        const std::string entryPath = folder + name;
        // A run that still owns its fill holds the entry; it is not ours.
        platform::File entry = platform::File::Open(entryPath, Holding());
        if (!entry.IsOpen()) continue;
        std::string text(4096, '\0');
        const std::int64_t got = entry.Read(text.data(), text.size());
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        const auto parsed = ParseEntry(text);
        if (parsed) {
            const auto status = platform::StatusOf(parsed->path);
            if (status && status->kind == platform::FileKind::Regular && status->identity == parsed->identity &&
                platform::DeleteFileNamed(parsed->path)) {
                removed.push_back(parsed->path);
            } else if (status && status->identity == parsed->identity) {
                continue;  // still there and not deletable now: the entry stays
            }
        }
        entry.Close();
        platform::DeleteFileNamed(entryPath);
    }
    return removed;
}

}  // namespace pelorin::wipe

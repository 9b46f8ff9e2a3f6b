#include "encrypt_app/JobList.h"

#include <algorithm>

#include "app_common/SharedRandom.h"
#include "platform/Paths.h"

namespace pelorin::encrypt {
namespace {

constexpr const char* kArchiveExtension = "pvb";

// Windows takes both separators; on Linux a backslash is part of a name.
bool IsSeparator(char c) { return c == '/' || c == platform::kHostSeparator; }

std::size_t LastSeparator(const std::string& path, std::size_t before) {
    for (std::size_t i = before; i-- > 0;) {
        if (IsSeparator(path[i])) return i;
    }
    return std::string::npos;
}

std::string WithExtension(std::string stem) {
    if (stem.empty() || stem.back() != '.') stem += '.';
    return stem + kArchiveExtension;
}

}  // namespace

std::vector<JobItem> BuildJobList(const std::vector<std::string>& givenNames) {
    std::vector<JobItem> items;
    for (const auto& given : givenNames) {
        // "D\" and "D//" name the folder D; a drive or file-system root keeps
        // its separator.
        std::string name = given;
        const std::size_t root = name.size() >= 3 && name[1] == ':' ? 3 : 1;
        while (name.size() > root && IsSeparator(name.back())) name.pop_back();
        JobItem item;
        item.given = given;
        if (const auto stored = platform::StoredName(name)) {
            const std::size_t cut = LastSeparator(name, name.size());
            // A trailing separator is never the one before the last name.
            const std::size_t folderEnd = name.size() > 1 ? LastSeparator(name, name.size() - 1) : cut;
            item.fullPath = (folderEnd == std::string::npos ? std::string() : name.substr(0, folderEnd + 1)) + *stored;
            const std::size_t last = item.fullPath.size() > 1 ? LastSeparator(item.fullPath, item.fullPath.size() - 1)
                                                              : std::string::npos;
            item.entryName = last == std::string::npos ? item.fullPath : item.fullPath.substr(last + 1);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::string ChooseArchiveName(const std::string& firstFullPath, bool overwrite,
                              const std::vector<std::string>& sources,
                              const std::function<bool(const std::string&)>& exists,
                              const std::function<bool(const std::string&, const std::string&)>& sameFile) {
    const std::size_t dot = firstFullPath.rfind('.');
    const std::string stem = dot == std::string::npos ? firstFullPath : firstFullPath.substr(0, dot + 1);
    const auto isSource = [&](const std::string& candidate) {
        return std::any_of(sources.begin(), sources.end(),
                           [&](const std::string& source) { return !source.empty() && sameFile(source, candidate); });
    };
    std::string candidate = WithExtension(stem);
    if (overwrite && !isSource(candidate)) return candidate;
    const std::string shortened = stem.empty() ? stem : stem.substr(0, stem.size() - 1);
    while (exists(candidate) || isSource(candidate)) {
        candidate = WithExtension(shortened + std::to_string(NextSharedRandom() % 10000));
    }
    return candidate;
}

}  // namespace pelorin::encrypt

#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pelorin::encrypt {

// One dropped name. `fullPath` keeps the folder part as given and ends with
// the name the file system stores (empty when the name cannot be found);
// `entryName` is its last component, the stored name of a dropped file and
// the root of the stored names inside a dropped folder.
struct JobItem {
    std::string given;
    std::string fullPath;
    std::string entryName;
};

std::vector<JobItem> BuildJobList(const std::vector<std::string>& names);

// The archive's name from the first item's full path: its text up to the
// last '.', then "pvb" (C:\Docs\report.txt -> C:\Docs\report.pvb,
// C:\my.dir\readme -> C:\my.pvb). Unless `overwrite` is set, a taken name is
// replaced by the stem without its last character plus a number 0..9999 from
// the shared random generator. A name that one of `sources` carries is never
// used, whatever `overwrite` says: the archive must not truncate a source.
std::string ChooseArchiveName(
    const std::string& firstFullPath, bool overwrite, const std::vector<std::string>& sources,
    const std::function<bool(const std::string&)>& exists,
    const std::function<bool(const std::string&, const std::string&)>& sameFile =
        [](const std::string& a, const std::string& b) { return a == b; });

}  // namespace pelorin::encrypt

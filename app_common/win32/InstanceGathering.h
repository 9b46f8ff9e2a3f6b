#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace pelorin::win32 {

// How long the instance that gathers waits for the others.
struct GatherTimes {
    // It takes names until no other instance has come for a while: half as
    // long again as it took itself to start (a machine slow to start one
    // instance is as slow to start the next), but no less than `quiet`
    // and no more than `mostQuiet`...
    std::chrono::milliseconds quiet{750};
    std::chrono::milliseconds mostQuiet{2500};
    // ...and for this long at most; instances after that gather anew.
    std::chrono::milliseconds longest{60000};
    // An instance that could hand its names to no one for this long works
    // on them itself.
    std::chrono::milliseconds handOver{15000};
};

// Explorer starts a program once for each selected item. The instances of
// one program, of one user in one session, that start together become one
// job: the first to start holds a named mutex and a named pipe (open to
// that user only) and takes the names of every instance that comes within
// the quiet time of the one before; each of those hands its names over, waits
// until they are taken, and ends. The one that gathers gets every name, its
// own first, then those of the others as they came; those that handed
// theirs over get nothing. Names are UTF-8 full paths (the instances may
// have different current folders). Whatever fails on the way, no name is
// lost: an instance whose names were not taken works on them itself.
std::optional<std::vector<std::string>> GatherInstanceNames(const std::wstring& program,
                                                            const std::vector<std::string>& names,
                                                            const GatherTimes& times = {});

}  // namespace pelorin::win32

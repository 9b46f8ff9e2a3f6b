#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

namespace pelorin::platform {

// The program's arguments after its name, as UTF-8: on Windows read from
// the wide command line (the 8-bit one holds only what the code page can),
// on Linux the bytes given.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Lowers the process to idle priority while a long entry is processed, so
// that the machine stays usable, and brings it back afterwards. Best effort:
// a refusal (an unprivileged Linux process may not raise its priority again)
// changes nothing else.
void SetIdlePriority();
void SetNormalPriority();

// How many files (and folders) the process may hold open at once: the soft
// limit on Linux; on Windows, where handles run into the millions, a
// figure far above what a walk needs.
std::size_t OpenFileLimit();

// Keeps the process's memory out of crash dumps from now on, for the rest
// of its life; the suite calls it before it holds its first secret. Linux:
// the process is no longer dumpable (no core file, and other processes of
// the user can neither attach to it nor read its memory) and its core file
// limit is 0. Windows: a crash ends the process at once, without the error
// report dialog and before Windows Error Reporting can take a dump, and a
// report that is still made carries no heap. A debugger, an administrator's
// dump of the running process and the system's own crash and hibernation
// files are beyond a program's reach.
void KeepOutOfCrashDumps();

// Holds idle priority for the life of the object, also when the work ends by
// an exception. Scopes nest: only the outermost changes the priority, so a
// job that holds one over all its entries changes it once, not twice per
// entry.
class IdlePriorityScope {
public:
    IdlePriorityScope() {
        if (depth_.fetch_add(1) == 0) SetIdlePriority();
    }
    ~IdlePriorityScope() {
        if (depth_.fetch_sub(1) == 1) SetNormalPriority();
    }
    IdlePriorityScope(const IdlePriorityScope&) = delete;
    IdlePriorityScope& operator=(const IdlePriorityScope&) = delete;

private:
    static inline std::atomic<int> depth_{0};
};

}  // namespace pelorin::platform

#include "platform/Process.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace pelorin::platform {
namespace {
// The niceness the process had before the first lowering.
int savedNiceness = 0;
bool lowered = false;
}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void SetIdlePriority() {
    if (!lowered) {
        savedNiceness = getpriority(PRIO_PROCESS, 0);
        lowered = true;
    }
    setpriority(PRIO_PROCESS, 0, 19);
}

std::size_t OpenFileLimit() {
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1 << 20;
    return static_cast<std::size_t>(limit.rlim_cur);
}

void SetNormalPriority() {
    if (!lowered) return;
    setpriority(PRIO_PROCESS, 0, savedNiceness);
}

void KeepOutOfCrashDumps() {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit none{0, 0};
    setrlimit(RLIMIT_CORE, &none);
}

}  // namespace pelorin::platform

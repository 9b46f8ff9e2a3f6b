#include "platform/Process.h"

#include <windows.h>

namespace pelorin::platform {

void SetIdlePriority() { SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS); }

std::size_t OpenFileLimit() { return 1 << 16; }

void SetNormalPriority() { SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS); }

}  // namespace pelorin::platform

#include "platform/Terminal.h"

#include <unistd.h>

namespace pelorin::platform {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace pelorin::platform

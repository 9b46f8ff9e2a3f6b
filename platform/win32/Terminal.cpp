#include "platform/Terminal.h"

#include <io.h>

namespace pelorin::platform {

bool StandardErrorIsTerminal() { return _isatty(2) != 0; }

}  // namespace pelorin::platform

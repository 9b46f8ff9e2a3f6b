#pragma once

namespace pelorin::platform {

// True when standard error is a terminal (a progress bar is then drawn).
bool StandardErrorIsTerminal();

}  // namespace pelorin::platform

#pragma once

// What the POSIX layer remembers of a failed call for LastFailureText().
namespace pelorin::platform {

void RememberErrno(int number);

}  // namespace pelorin::platform

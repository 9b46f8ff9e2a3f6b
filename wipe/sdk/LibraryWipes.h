#pragma once

namespace pelorin::sdk {

// The library's wipe operations; the exports call these. Each returns a
// library error code.
int WipeFileNamed(const char* fileName);
int WipeFreeSpaceOf(const char* driveRoot);
int WipeSlackOf(const char* fileName);

}  // namespace pelorin::sdk

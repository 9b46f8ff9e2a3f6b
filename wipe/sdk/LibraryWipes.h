#pragma once

namespace pelorin::sdk {

// The library's wipe operations; the exports call these. Each returns a
// library error code.
// Names are UTF-8; `shownName` is what the progress callback is told.
int WipeFileNamed(const char* fileName, const char* shownName);
int WipeFreeSpaceOf(const char* driveRoot);
int WipeSlackOf(const char* fileName);

}  // namespace pelorin::sdk

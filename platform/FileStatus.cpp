#include "platform/FileStatus.h"

namespace pelorin::platform {

bool IsLinkReparseTag(std::uint32_t tag) {
    // The tags of symbolic links and of junctions (mount points share it).
    constexpr std::uint32_t kSymbolicLinkTag = 0xA000000C;
    constexpr std::uint32_t kMountPointTag = 0xA0000003;
    return tag == kSymbolicLinkTag || tag == kMountPointTag;
}

}  // namespace pelorin::platform

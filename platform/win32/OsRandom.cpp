#include "platform/OsRandom.h"

#include <windows.h>
#include <bcrypt.h>

namespace pelorin::platform {

bool OsRandomBytes(std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ULONG chunk = static_cast<ULONG>(buffer.size() - done > 0x10000000 ? 0x10000000 : buffer.size() - done);
        if (BCryptGenRandom(nullptr, buffer.data() + done, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) {
            return false;
        }
        done += chunk;
    }
    return true;
}

}  // namespace pelorin::platform

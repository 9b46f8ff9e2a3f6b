#include "platform/OsRandom.h"

#include <errno.h>
#include <sys/random.h>

namespace pelorin::platform {

bool OsRandomBytes(std::span<std::uint8_t> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = getrandom(buffer.data() + done, buffer.size() - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace pelorin::platform

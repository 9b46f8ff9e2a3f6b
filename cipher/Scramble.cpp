#include "cipher/Scramble.h"

#include <cstdint>
#include <cstring>

#include "app_common/SharedRandom.h"

namespace pelorin {

void ScrambleBuffer(void* buffer, std::size_t length, int passes) {
    if (buffer == nullptr) return;
    SeedSharedRandomFromClock();
    // Volatile stores: the compiler must not drop writes to memory that is
    // about to be freed.
    volatile auto* bytes = static_cast<volatile std::uint8_t*>(buffer);
    for (int pass = 0; pass < passes; ++pass) {
        for (std::size_t i = 0; i < length; ++i) {
            bytes[i] = static_cast<std::uint8_t>(NextSharedRandom());
        }
    }
}

void ScrambleString(std::string& text) {
    ScrambleBuffer(text.data(), text.size(), kStringScrubPasses);
    text.resize(std::strlen(text.c_str()));
}

}  // namespace pelorin

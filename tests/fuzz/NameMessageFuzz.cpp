// Feeds arbitrary bytes to the reader of the names one program instance
// hands another; what it takes must write back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app_common/NameMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto names = pelorin::DecodeNameMessage(bytes);
    if (names && pelorin::EncodeNameMessage(*names) != bytes) std::abort();
    return 0;
}

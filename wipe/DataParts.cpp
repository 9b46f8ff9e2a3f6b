#include "wipe/DataParts.h"

#include <algorithm>

#include "wipe/Overwrite.h"

namespace pelorin::wipe {

std::optional<std::vector<platform::FileRange>> DataToOverwrite(platform::File& file, std::uint64_t length,
                                                                std::uint64_t cluster) {
    const auto data = file.DataRanges();
    if (!data) return std::nullopt;
    const std::uint64_t unit = std::max<std::uint64_t>(cluster, 1);
    const std::uint64_t end = WipeLength(length, unit);
    std::vector<platform::FileRange> parts;
    for (const auto& range : *data) {
        if (range.offset >= length || range.length == 0) continue;
        const std::uint64_t from = range.offset / unit * unit;
        const std::uint64_t to = std::min(WipeLength(range.offset + range.length, unit), end);
        if (!parts.empty() && parts.back().offset + parts.back().length >= from) {
            parts.back().length = std::max(parts.back().offset + parts.back().length, to) - parts.back().offset;
        } else {
            parts.push_back({from, to - from});
        }
    }
    return parts;
}

}  // namespace pelorin::wipe

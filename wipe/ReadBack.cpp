#include "wipe/ReadBack.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace pelorin::wipe {
namespace {

// Reads past the cache want whole units on such a boundary.
constexpr std::uint64_t kAlignment = 4096;
constexpr std::size_t kChunk = std::size_t{1} << 20;

struct AlignedDelete {
    void operator()(std::uint8_t* bytes) const { ::operator delete[](bytes, std::align_val_t(kAlignment)); }
};

// Whether `count` bytes that lie `relative` bytes into a part hold the
// pattern there.
bool HoldsPattern(const std::uint8_t* bytes, std::uint64_t relative, std::size_t count,
                  std::span<const std::uint8_t> pattern) {
    const std::size_t unit = pattern.size();
    for (std::size_t done = 0; done < count;) {
        const auto within = static_cast<std::size_t>((relative + done) % unit);
        const std::size_t run = std::min(unit - within, count - done);
        if (std::memcmp(bytes + done, pattern.data() + within, run) != 0) return false;
        done += run;
    }
    return true;
}

}  // namespace

ReadBackResult ReadBack(platform::File& file, const std::vector<platform::FileRange>& parts,
                        std::span<const std::uint8_t> pattern) {
    ReadBackResult result;
    if (pattern.empty()) return result;
    if (!file.StartReadBack()) return {false, 0};
    const std::unique_ptr<std::uint8_t[], AlignedDelete> buffer(new (std::align_val_t(kAlignment))
                                                                    std::uint8_t[kChunk]);
    bool corrupt = std::getenv(kCorruptReadBackVariable) != nullptr;
    for (const auto& part : parts) {
        const std::uint64_t end = part.offset + part.length;
        // Whole aligned units around the part; only the part's bytes count.
        for (std::uint64_t at = part.offset / kAlignment * kAlignment; at < end; at += kChunk) {
            const std::uint64_t rest = (end - at + kAlignment - 1) / kAlignment * kAlignment;
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, rest));
            const std::int64_t got = file.ReadAt(at, buffer.get(), want);
            const std::uint64_t first = std::max(at, part.offset);
            const std::uint64_t last = std::min<std::uint64_t>(at + want, end);
            if (got < 0 || at + static_cast<std::uint64_t>(got) < last) return {false, result.verified};
            std::uint8_t* bytes = buffer.get() + (first - at);
            if (corrupt) {
                bytes[0] = static_cast<std::uint8_t>(~bytes[0]);
                corrupt = false;
            }
            const auto count = static_cast<std::size_t>(last - first);
            if (!HoldsPattern(bytes, first - part.offset, count, pattern)) return {false, result.verified};
            result.verified += count;
        }
    }
    return result;
}

}  // namespace pelorin::wipe

#include "archive/SpreadCipher.h"

#include <algorithm>

namespace pelorin::archive {

void SpreadCipher::Encrypt(std::span<std::uint8_t> groups) { Spread<true>(groups); }
void SpreadCipher::Decrypt(std::span<std::uint8_t> groups) { Spread<false>(groups); }

template <bool kEncrypt>
void SpreadCipher::Spread(std::span<std::uint8_t> groups) {
    auto run = [this](std::span<std::uint8_t> part) {
        if constexpr (kEncrypt) {
            cipher_->Encrypt(part);
        } else {
            cipher_->Decrypt(part);
        }
    };
    const unsigned parts = pool_.threads();
    if (parts < 2 || groups.size() < kSmallestSpread || !cipher_->GroupsIndependent()) {
        run(groups);
        return;
    }
    const std::size_t groupCount = groups.size() / kGroupSize;
    const std::size_t perPart = (groupCount + parts - 1) / parts * kGroupSize;
    pool_.RunParts([&](unsigned index) {
        const std::size_t begin = std::min(groups.size(), index * perPart);
        const std::size_t end = std::min(groups.size(), begin + perPart);
        if (begin < end) run(groups.subspan(begin, end - begin));
    });
}

}  // namespace pelorin::archive

#include "cipher/Blowfish.h"

#include <algorithm>
#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

inline std::uint32_t Feistel(const BlowfishSchedule& k, std::uint32_t x) {
    return ((k.s[0][x >> 24] + k.s[1][(x >> 16) & 0xFF]) ^ k.s[2][(x >> 8) & 0xFF]) + k.s[3][x & 0xFF];
}

inline void EncryptHalves(const BlowfishSchedule& k, std::uint32_t& left, std::uint32_t& right) {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (int i = 0; i < 16; i += 2) {
        l ^= k.p[i];
        r ^= Feistel(k, l);
        r ^= k.p[i + 1];
        l ^= Feistel(k, r);
    }
    left = r ^ k.p[17];
    right = l ^ k.p[16];
}

inline void DecryptHalves(const BlowfishSchedule& k, std::uint32_t& left, std::uint32_t& right) {
    std::uint32_t l = left;
    std::uint32_t r = right;
    for (int i = 17; i > 1; i -= 2) {
        l ^= k.p[i];
        r ^= Feistel(k, l);
        r ^= k.p[i - 1];
        l ^= Feistel(k, r);
    }
    left = r ^ k.p[0];
    right = l ^ k.p[1];
}

// Two independent blocks per step keep both table-lookup chains in flight.
template <bool kEncrypt>
void TransformGroups(const BlowfishSchedule& k, std::uint8_t* data, std::size_t groupCount) {
    std::size_t g = 0;
    for (; g + 2 <= groupCount; g += 2) {
        std::uint8_t* a = data + g * 8;
        std::uint8_t* b = a + 8;
        std::uint32_t la = bytes::LoadLe32(a), ra = bytes::LoadLe32(a + 4);
        std::uint32_t lb = bytes::LoadLe32(b), rb = bytes::LoadLe32(b + 4);
        if constexpr (kEncrypt) {
            for (int i = 0; i < 16; i += 2) {
                la ^= k.p[i];
                lb ^= k.p[i];
                ra ^= Feistel(k, la);
                rb ^= Feistel(k, lb);
                ra ^= k.p[i + 1];
                rb ^= k.p[i + 1];
                la ^= Feistel(k, ra);
                lb ^= Feistel(k, rb);
            }
            bytes::StoreLe32(a, ra ^ k.p[17]);
            bytes::StoreLe32(a + 4, la ^ k.p[16]);
            bytes::StoreLe32(b, rb ^ k.p[17]);
            bytes::StoreLe32(b + 4, lb ^ k.p[16]);
        } else {
            for (int i = 17; i > 1; i -= 2) {
                la ^= k.p[i];
                lb ^= k.p[i];
                ra ^= Feistel(k, la);
                rb ^= Feistel(k, lb);
                ra ^= k.p[i - 1];
                rb ^= k.p[i - 1];
                la ^= Feistel(k, ra);
                lb ^= Feistel(k, rb);
            }
            bytes::StoreLe32(a, ra ^ k.p[0]);
            bytes::StoreLe32(a + 4, la ^ k.p[1]);
            bytes::StoreLe32(b, rb ^ k.p[0]);
            bytes::StoreLe32(b + 4, lb ^ k.p[1]);
        }
    }
    for (; g < groupCount; ++g) {
        std::uint8_t* a = data + g * 8;
        std::uint32_t l = bytes::LoadLe32(a), r = bytes::LoadLe32(a + 4);
        if constexpr (kEncrypt) {
            EncryptHalves(k, l, r);
        } else {
            DecryptHalves(k, l, r);
        }
        bytes::StoreLe32(a, l);
        bytes::StoreLe32(a + 4, r);
    }
}

}  // namespace

BlowfishKey::BlowfishKey(std::span<const std::uint8_t> key) : schedule_(kKeyScrubPasses) {
    if (key.empty()) throw std::invalid_argument("Blowfish needs at least one key byte");
    const std::size_t length = key.size();
    BlowfishSchedule& k = *schedule_;
    std::copy(std::begin(kBlowfishInitialP), std::end(kBlowfishInitialP), k.p);
    for (int box = 0; box < 4; ++box) {
        std::copy(std::begin(kBlowfishInitialS[box]), std::end(kBlowfishInitialS[box]), k.s[box]);
    }
    std::size_t c = 0;
    for (int i = 0; i < kBlowfishPWords; ++i) {
        std::uint32_t word = 0;
        for (int b = 0; b < 4; ++b) word = (word << 8) | key[(c + b) % length];
        k.p[i] ^= word;
        c = (c + 4) % length;
    }
    std::uint32_t l = 0, r = 0;
    for (int i = 0; i < kBlowfishPWords; i += 2) {
        EncryptHalves(k, l, r);
        k.p[i] = l;
        k.p[i + 1] = r;
    }
    for (auto& box : k.s) {
        for (int i = 0; i < 256; i += 2) {
            EncryptHalves(k, l, r);
            box[i] = l;
            box[i + 1] = r;
        }
    }
}

void BlowfishKey::EncryptBlock(std::uint8_t* block) const { EncryptGroups(block, 1); }
void BlowfishKey::DecryptBlock(std::uint8_t* block) const { DecryptGroups(block, 1); }

void BlowfishKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<true>(*schedule_, data, groupCount);
}

void BlowfishKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<false>(*schedule_, data, groupCount);
}

}  // namespace pelorin

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

// Several independent blocks go through the rounds side by side, so that
// the S-box loads of one overlap the others' (one block alone waits on each
// of its 64 loads in turn).
template <int kLanes>
inline void EncryptLanes(const BlowfishSchedule& k, const std::uint32_t* p, std::uint8_t* data) {
    std::uint32_t l[kLanes], r[kLanes];
    for (int j = 0; j < kLanes; ++j) {
        l[j] = bytes::LoadLe32(data + 8 * j);
        r[j] = bytes::LoadLe32(data + 8 * j + 4);
    }
#pragma GCC unroll 8
    for (int i = 0; i < 16; i += 2) {
        for (int j = 0; j < kLanes; ++j) l[j] ^= p[i];
        for (int j = 0; j < kLanes; ++j) r[j] ^= Feistel(k, l[j]) ^ p[i + 1];
        for (int j = 0; j < kLanes; ++j) l[j] ^= Feistel(k, r[j]);
    }
    for (int j = 0; j < kLanes; ++j) {
        bytes::StoreLe32(data + 8 * j, r[j] ^ p[17]);
        bytes::StoreLe32(data + 8 * j + 4, l[j] ^ p[16]);
    }
}

void TransformGroups(const BlowfishSchedule& k, const std::uint32_t* p, std::uint8_t* data, std::size_t groupCount) {
    constexpr int kLanes = 5;
    std::size_t g = 0;
    for (; g + kLanes <= groupCount; g += kLanes) EncryptLanes<kLanes>(k, p, data + g * 8);
    for (; g < groupCount; ++g) EncryptLanes<1>(k, p, data + g * 8);
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
    std::reverse_copy(std::begin(k.p), std::end(k.p), k.reversedP);
}

void BlowfishKey::EncryptBlock(std::uint8_t* block) const { EncryptGroups(block, 1); }
void BlowfishKey::DecryptBlock(std::uint8_t* block) const { DecryptGroups(block, 1); }

void BlowfishKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups(*schedule_, schedule_->p, data, groupCount);
}

void BlowfishKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups(*schedule_, schedule_->reversedP, data, groupCount);
}

}  // namespace pelorin

#include "cipher/Des.h"

#include <array>
#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/DesTables.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

using bytes::RotateLeft;
using bytes::RotateRight;

// sp[i][v]: the output of S-box i+1 for the 6-bit input v, placed at its four
// bit positions and then sent through the permutation P.
constexpr std::array<std::array<std::uint32_t, 64>, 8> MakeSpTables() {
    std::array<std::array<std::uint32_t, 64>, 8> sp{};
    for (int box = 0; box < 8; ++box) {
        for (int v = 0; v < 64; ++v) {
            const int row = ((v >> 4) & 2) | (v & 1);
            const int column = (v >> 1) & 15;
            const std::uint32_t s = std::uint32_t{des_tables::kSBoxes[box][row][column]} << (28 - 4 * box);
            std::uint32_t permuted = 0;
            for (int bit = 0; bit < 32; ++bit) {
                const int source = des_tables::kPermutation[bit] - 1;
                permuted |= ((s >> (31 - source)) & 1u) << (31 - bit);
            }
            sp[box][v] = permuted;
        }
    }
    return sp;
}

constexpr auto kSp = MakeSpTables();

// The initial permutation as five exchanges of bit groups between the two
// halves; each exchange is its own inverse, so the final permutation runs
// them in the opposite order.
inline void SwapMove(std::uint32_t& a, std::uint32_t& b, int shift, std::uint32_t mask) {
    const std::uint32_t t = ((a >> shift) ^ b) & mask;
    b ^= t;
    a ^= t << shift;
}

inline void InitialPermutation(std::uint32_t& l, std::uint32_t& r) {
    SwapMove(l, r, 4, 0x0F0F0F0Fu);
    SwapMove(l, r, 16, 0x0000FFFFu);
    SwapMove(r, l, 2, 0x33333333u);
    SwapMove(r, l, 8, 0x00FF00FFu);
    SwapMove(l, r, 1, 0x55555555u);
}

inline void FinalPermutation(std::uint32_t& l, std::uint32_t& r) {
    SwapMove(l, r, 1, 0x55555555u);
    SwapMove(r, l, 8, 0x00FF00FFu);
    SwapMove(r, l, 2, 0x33333333u);
    SwapMove(l, r, 16, 0x0000FFFFu);
    SwapMove(l, r, 4, 0x0F0F0F0Fu);
}

// The expansion E needs no table: rotating R right by 3 puts the 6-bit inputs
// of S-boxes 1, 3, 5, 7 in the low bits of bytes 3, 2, 1, 0, and rotating it
// left by 1 does the same for S-boxes 2, 4, 6, 8.
inline std::uint32_t RoundFunction(std::uint32_t r, std::uint32_t k0, std::uint32_t k1) {
    const std::uint32_t even = RotateRight(r, 3) ^ k0;
    const std::uint32_t odd = RotateLeft(r, 1) ^ k1;
    return kSp[0][(even >> 24) & 63] ^ kSp[2][(even >> 16) & 63] ^ kSp[4][(even >> 8) & 63] ^
           kSp[6][even & 63] ^ kSp[1][(odd >> 24) & 63] ^ kSp[3][(odd >> 16) & 63] ^
           kSp[5][(odd >> 8) & 63] ^ kSp[7][odd & 63];
}

template <bool kEncrypt>
inline void Rounds(const std::uint32_t* words, std::uint32_t& l, std::uint32_t& r) {
    for (int round = 0; round < 16; round += 2) {
        const int a = kEncrypt ? round : 15 - round;
        const int b = kEncrypt ? round + 1 : 14 - round;
        l ^= RoundFunction(r, words[2 * a], words[2 * a + 1]);
        r ^= RoundFunction(l, words[2 * b], words[2 * b + 1]);
    }
}

template <bool kEncrypt>
void TransformGroups(const DesSchedule& k, std::uint8_t* data, std::size_t groupCount) {
    std::size_t g = 0;
    // Two blocks at a time so that their table lookups overlap.
    for (; g + 2 <= groupCount; g += 2) {
        std::uint8_t* a = data + g * 8;
        std::uint8_t* b = a + 8;
        std::uint32_t la = bytes::LoadLe32(a), ra = bytes::LoadLe32(a + 4);
        std::uint32_t lb = bytes::LoadLe32(b), rb = bytes::LoadLe32(b + 4);
        InitialPermutation(la, ra);
        InitialPermutation(lb, rb);
        for (int round = 0; round < 16; ++round) {
            const int n = kEncrypt ? round : 15 - round;
            const std::uint32_t k0 = k.words[2 * n], k1 = k.words[2 * n + 1];
            const std::uint32_t fa = RoundFunction(ra, k0, k1);
            const std::uint32_t fb = RoundFunction(rb, k0, k1);
            const std::uint32_t ta = ra, tb = rb;
            ra = la ^ fa;
            rb = lb ^ fb;
            la = ta;
            lb = tb;
        }
        FinalPermutation(ra, la);
        FinalPermutation(rb, lb);
        bytes::StoreLe32(a, ra);
        bytes::StoreLe32(a + 4, la);
        bytes::StoreLe32(b, rb);
        bytes::StoreLe32(b + 4, lb);
    }
    for (; g < groupCount; ++g) {
        std::uint8_t* a = data + g * 8;
        std::uint32_t l = bytes::LoadLe32(a), r = bytes::LoadLe32(a + 4);
        InitialPermutation(l, r);
        Rounds<kEncrypt>(k.words, l, r);
        // The halves leave the rounds exchanged, as the standard's preoutput.
        FinalPermutation(r, l);
        bytes::StoreLe32(a, r);
        bytes::StoreLe32(a + 4, l);
    }
}

}  // namespace

DesKey::DesKey(std::span<const std::uint8_t> key) : schedule_(kKeyScrubPasses) {
    if (key.size() < 8) throw std::invalid_argument("DES needs 8 key bytes");
    std::uint64_t keyBits = 0;
    for (int i = 0; i < 8; ++i) keyBits = (keyBits << 8) | key[i];
    std::uint64_t permuted = 0;  // 56 bits, C in the upper 28, D in the lower 28
    for (int bit = 0; bit < 56; ++bit) {
        permuted = (permuted << 1) | ((keyBits >> (64 - des_tables::kPc1[bit])) & 1u);
    }
    std::uint32_t c = static_cast<std::uint32_t>(permuted >> 28) & 0x0FFFFFFFu;
    std::uint32_t d = static_cast<std::uint32_t>(permuted) & 0x0FFFFFFFu;
    for (int round = 0; round < 16; ++round) {
        const int shift = des_tables::kLeftShifts[round];
        c = ((c << shift) | (c >> (28 - shift))) & 0x0FFFFFFFu;
        d = ((d << shift) | (d >> (28 - shift))) & 0x0FFFFFFFu;
        const std::uint64_t cd = (std::uint64_t{c} << 28) | d;
        std::uint64_t subkey = 0;  // 48 bits
        for (int bit = 0; bit < 48; ++bit) {
            subkey = (subkey << 1) | ((cd >> (56 - des_tables::kPc2[bit])) & 1u);
        }
        std::uint32_t even = 0, odd = 0;
        for (int box = 0; box < 8; ++box) {
            const auto chunk = static_cast<std::uint32_t>((subkey >> (42 - 6 * box)) & 63u);
            const int byteShift = 24 - 8 * (box / 2);
            if (box % 2 == 0) {
                even |= chunk << byteShift;
            } else {
                odd |= chunk << byteShift;
            }
        }
        schedule_->words[2 * round] = even;
        schedule_->words[2 * round + 1] = odd;
    }
}

void DesKey::EncryptBlock(std::uint8_t* block) const { EncryptGroups(block, 1); }
void DesKey::DecryptBlock(std::uint8_t* block) const { DecryptGroups(block, 1); }

void DesKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<true>(*schedule_, data, groupCount);
}

void DesKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<false>(*schedule_, data, groupCount);
}

}  // namespace pelorin

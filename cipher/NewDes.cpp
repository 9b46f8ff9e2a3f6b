#include "cipher/NewDes.h"

#include <stdexcept>

#include "cipher/Scramble.h"

namespace pelorin {
namespace {

// The 256-byte substitution table f published with NewDES.
constexpr std::uint8_t kF[256] = {
    32,  137, 239, 188, 102, 125, 221, 72,  212, 68,  81,  37,  86,  237, 147, 149,
    70,  229, 17,  124, 115, 207, 33,  20,  122, 143, 25,  215, 51,  183, 138, 142,
    146, 211, 110, 173, 1,   228, 189, 14,  103, 78,  162, 36,  253, 167, 116, 255,
    158, 45,  185, 50,  98,  168, 250, 235, 54,  141, 195, 247, 240, 63,  148, 2,
    224, 169, 214, 180, 62,  22,  117, 108, 19,  172, 161, 159, 160, 47,  43,  171,
    194, 175, 178, 56,  196, 112, 23,  220, 89,  21,  164, 130, 157, 8,   85,  251,
    216, 44,  94,  179, 226, 38,  90,  119, 40,  202, 34,  206, 35,  69,  231, 246,
    29,  109, 74,  71,  176, 6,   60,  145, 65,  13,  77,  151, 12,  127, 95,  199,
    57,  101, 5,   232, 150, 210, 129, 24,  181, 10,  121, 187, 48,  193, 139, 252,
    219, 64,  88,  233, 96,  128, 80,  53,  191, 144, 218, 11,  106, 132, 155, 104,
    91,  136, 31,  42,  243, 66,  126, 135, 30,  26,  87,  186, 182, 154, 242, 123,
    82,  166, 208, 39,  152, 190, 113, 205, 114, 105, 225, 84,  73,  163, 99,  111,
    204, 61,  200, 217, 170, 15,  198, 28,  192, 254, 134, 234, 222, 7,   236, 248,
    201, 41,  177, 156, 92,  131, 67,  249, 245, 184, 203, 9,   241, 0,   27,  46,
    133, 174, 75,  18,  93,  209, 100, 120, 76,  213, 16,  83,  4,   107, 140, 52,
    58,  55,  3,   244, 97,  197, 238, 227, 118, 49,  79,  230, 223, 165, 153, 59};

struct Block {
    std::uint8_t b0, b1, b2, b3, b4, b5, b6, b7;
};

inline Block Load(const std::uint8_t* p) { return {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]}; }

inline void Store(const Block& x, std::uint8_t* p) {
    p[0] = x.b0; p[1] = x.b1; p[2] = x.b2; p[3] = x.b3;
    p[4] = x.b4; p[5] = x.b5; p[6] = x.b6; p[7] = x.b7;
}

// The half round that mixes B0..B3 into B4..B7; it is its own inverse.
inline void LeftIntoRight(Block& x, const std::uint8_t* k) {
    x.b4 ^= kF[x.b0 ^ k[0]];
    x.b5 ^= kF[x.b1 ^ k[1]];
    x.b6 ^= kF[x.b2 ^ k[2]];
    x.b7 ^= kF[x.b3 ^ k[3]];
}

// The half round that mixes B4..B7 back into B0..B3; also its own inverse.
inline void RightIntoLeft(Block& x, const std::uint8_t* k) {
    x.b1 ^= kF[x.b4 ^ k[0]];
    x.b2 ^= kF[x.b4 ^ x.b5];
    x.b3 ^= kF[x.b6 ^ k[1]];
    x.b0 ^= kF[x.b7 ^ k[2]];
}

inline void Encrypt(Block& x, const std::uint8_t* k) {
    for (int round = 0; round < 8; ++round, k += 7) {
        LeftIntoRight(x, k);
        RightIntoLeft(x, k + 4);
    }
    LeftIntoRight(x, k);
}

inline void Decrypt(Block& x, const std::uint8_t* k) {
    LeftIntoRight(x, k + 56);
    for (int round = 7; round >= 0; --round) {
        RightIntoLeft(x, k + 7 * round + 4);
        LeftIntoRight(x, k + 7 * round);
    }
}

template <bool kEncrypt>
void TransformGroups(const std::uint8_t* k, std::uint8_t* data, std::size_t groupCount) {
    std::size_t g = 0;
    // Two blocks per step so that their table lookups overlap.
    for (; g + 2 <= groupCount; g += 2) {
        Block a = Load(data + g * 8);
        Block b = Load(data + g * 8 + 8);
        if constexpr (kEncrypt) {
            Encrypt(a, k);
            Encrypt(b, k);
        } else {
            Decrypt(a, k);
            Decrypt(b, k);
        }
        Store(a, data + g * 8);
        Store(b, data + g * 8 + 8);
    }
    for (; g < groupCount; ++g) {
        Block a = Load(data + g * 8);
        if constexpr (kEncrypt) {
            Encrypt(a, k);
        } else {
            Decrypt(a, k);
        }
        Store(a, data + g * 8);
    }
}

}  // namespace

NewDesKey::NewDesKey(std::span<const std::uint8_t> key) : schedule_(kKeyScrubPasses) {
    if (key.size() < 15) throw std::invalid_argument("NewDES needs 15 key bytes");
    std::uint8_t* k = schedule_->k;
    for (int i = 0; i < 15; ++i) {
        k[4 * i] = key[i];
        k[4 * i + 1] = key[i] ^ key[7];
        k[4 * i + 2] = key[i] ^ key[8];
        k[4 * i + 3] = key[i] ^ key[9];
    }
}

void NewDesKey::EncryptBlock(std::uint8_t* block) const { EncryptGroups(block, 1); }
void NewDesKey::DecryptBlock(std::uint8_t* block) const { DecryptGroups(block, 1); }

void NewDesKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<true>(schedule_->k, data, groupCount);
}

void NewDesKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    TransformGroups<false>(schedule_->k, data, groupCount);
}

}  // namespace pelorin

#include "cipher/Blake2b.h"

#include <stdexcept>
#include <utility>

#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

constexpr std::uint64_t kIv[8] = {0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b, 0xa54ff53a5f1d36f1,
                                  0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};

// The message word order of each round (rounds 10 and 11 repeat 0 and 1).
// Indexed only by round numbers known when compiling.
constexpr std::uint8_t kSigma[10][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4}, {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13}, {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11}, {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5}, {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0}};

inline std::uint64_t RotateRight(std::uint64_t v, int n) { return (v >> n) | (v << (64 - n)); }

inline void Mix(std::uint64_t& a, std::uint64_t& b, std::uint64_t& c, std::uint64_t& d, std::uint64_t x,
                std::uint64_t y) {
    a = a + b + x;
    d = RotateRight(d ^ a, 32);
    c = c + d;
    b = RotateRight(b ^ c, 24);
    a = a + b + y;
    d = RotateRight(d ^ a, 16);
    c = c + d;
    b = RotateRight(b ^ c, 63);
}

template <int Round>
inline void DoRound(std::uint64_t v[16], const std::uint64_t m[16]) {
    constexpr const std::uint8_t* s = kSigma[Round % 10];
    Mix(v[0], v[4], v[8], v[12], m[s[0]], m[s[1]]);
    Mix(v[1], v[5], v[9], v[13], m[s[2]], m[s[3]]);
    Mix(v[2], v[6], v[10], v[14], m[s[4]], m[s[5]]);
    Mix(v[3], v[7], v[11], v[15], m[s[6]], m[s[7]]);
    Mix(v[0], v[5], v[10], v[15], m[s[8]], m[s[9]]);
    Mix(v[1], v[6], v[11], v[12], m[s[10]], m[s[11]]);
    Mix(v[2], v[7], v[8], v[13], m[s[12]], m[s[13]]);
    Mix(v[3], v[4], v[9], v[14], m[s[14]], m[s[15]]);
}

template <int... Rounds>
inline void AllRounds(std::uint64_t v[16], const std::uint64_t m[16], std::integer_sequence<int, Rounds...>) {
    (DoRound<Rounds>(v, m), ...);
}

}  // namespace

Blake2b::Blake2b(std::size_t digestSize, std::span<const std::uint8_t> key) : digestSize_(digestSize) {
    if (digestSize < 1 || digestSize > kMaxDigestSize) throw std::invalid_argument("BLAKE2b: digest size not 1..64");
    if (key.size() > kMaxKeySize) throw std::invalid_argument("BLAKE2b: key longer than 64 bytes");
    for (int i = 0; i < 8; ++i) h_[i] = kIv[i];
    h_[0] ^= 0x01010000 ^ (std::uint64_t{key.size()} << 8) ^ digestSize;
    if (!key.empty()) {
        // The key, padded with zeros, is the first block.
        for (std::size_t i = 0; i < key.size(); ++i) buffer_[i] = key[i];
        buffered_ = kBlockSize;
    }
}

Blake2b::~Blake2b() {
    ScrubWorkingState(h_, sizeof h_);
    ScrubWorkingState(buffer_, sizeof buffer_);
}

void Blake2b::Compress(const std::uint8_t* block, bool last) {
    std::uint64_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = bytes::LoadLe64(block + 8 * i);
    std::uint64_t v[16];
    for (int i = 0; i < 8; ++i) {
        v[i] = h_[i];
        v[i + 8] = kIv[i];
    }
    v[12] ^= counter_[0];
    v[13] ^= counter_[1];
    v[14] ^= 0 - static_cast<std::uint64_t>(last);
    AllRounds(v, m, std::make_integer_sequence<int, 12>{});
    for (int i = 0; i < 8; ++i) h_[i] ^= v[i] ^ v[i + 8];
}

Blake2b& Blake2b::Update(std::span<const std::uint8_t> data) {
    if (finished_) throw std::logic_error("BLAKE2b: updated after Final");
    std::size_t at = 0;
    // A full block is compressed only once more data follows it: the last
    // block of the message is compressed by Final, with the last-block flag.
    while (at < data.size()) {
        if (buffered_ == kBlockSize) {
            counter_[0] += kBlockSize;
            counter_[1] += counter_[0] < kBlockSize;
            Compress(buffer_, false);
            buffered_ = 0;
        }
        if (buffered_ == 0) {
            for (; data.size() - at > kBlockSize; at += kBlockSize) {
                counter_[0] += kBlockSize;
                counter_[1] += counter_[0] < kBlockSize;
                Compress(data.data() + at, false);
            }
        }
        while (buffered_ < kBlockSize && at < data.size()) buffer_[buffered_++] = data[at++];
    }
    ScrubCallStack();
    return *this;
}

void Blake2b::Final(std::span<std::uint8_t> digest) {
    if (finished_) throw std::logic_error("BLAKE2b: Final called twice");
    if (digest.size() != digestSize_) throw std::invalid_argument("BLAKE2b: digest buffer of the wrong size");
    counter_[0] += buffered_;
    counter_[1] += counter_[0] < buffered_;
    for (std::size_t i = buffered_; i < kBlockSize; ++i) buffer_[i] = 0;
    Compress(buffer_, true);
    std::uint8_t full[kMaxDigestSize];
    for (int i = 0; i < 8; ++i) bytes::StoreLe64(full + 8 * i, h_[i]);
    for (std::size_t i = 0; i < digestSize_; ++i) digest[i] = full[i];
    finished_ = true;
    ScrubWorkingState(full, sizeof full);
    ScrubWorkingState(h_, sizeof h_);
    ScrubWorkingState(buffer_, sizeof buffer_);
    ScrubCallStack();
}

void Blake2bDigest(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data, std::span<std::uint8_t> digest) {
    Blake2b hash(digest.size(), key);
    hash.Update(data);
    hash.Final(digest);
}

}  // namespace pelorin

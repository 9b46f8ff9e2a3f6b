#include "cipher/ChaCha20Poly1305.h"

#include <algorithm>
#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/ChaCha20Kernels.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

// Outside the fused loops, data is enciphered and authenticated this much at
// a time, so that the ciphertext is still in the first-level cache when the
// second of the two reads it.
constexpr std::size_t kStretch = 64 * kChaCha20BlockSize;

// The Poly1305 key (block 0's first 32 bytes) and the state for block 1.
class MessageState {
public:
    MessageState(ChaCha20Key key, ChaCha20Nonce nonce) {
        chacha20::SetUpState(state_, key, nonce, 0);
        std::uint32_t block[16];
        chacha20::BlockWords(state_, block);
        for (int i = 0; i < 8; ++i) bytes::StoreLe32(oneTimeKey_ + 4 * i, block[i]);
        ScrubWorkingState(block, sizeof block);
        state_[12] = 1;
    }
    ~MessageState() {
        ScrubWorkingState(state_, sizeof state_);
        ScrubWorkingState(oneTimeKey_, sizeof oneTimeKey_);
    }
    MessageState(const MessageState&) = delete;
    MessageState& operator=(const MessageState&) = delete;

    std::uint32_t* state() { return state_; }
    std::span<const std::uint8_t, Poly1305::kKeySize> oneTimeKey() const {
        return std::span<const std::uint8_t, Poly1305::kKeySize>(oneTimeKey_, Poly1305::kKeySize);
    }

private:
    std::uint32_t state_[16];
    std::uint8_t oneTimeKey_[Poly1305::kKeySize];
};

void AuthenticateLengths(Poly1305& mac, std::size_t associatedLength, std::size_t cipherLength) {
    std::uint8_t lengths[16];
    bytes::StoreLe64(lengths, associatedLength);
    bytes::StoreLe64(lengths + 8, cipherLength);
    mac.PadToBlock().Update(lengths);
}

void CheckBuffers(std::span<const std::uint8_t> plain, std::span<const std::uint8_t> sealed) {
    if (plain.size() > kChaCha20Poly1305MaxPlaintext) {
        throw std::length_error("ChaCha20-Poly1305: message longer than the block counter allows");
    }
    if (chacha20::OverlapsOutOfPlace(plain.data(), plain.size(), sealed.data(), sealed.size())) {
        throw std::invalid_argument("ChaCha20-Poly1305: buffers overlap");
    }
}

#ifdef PELORIN_VECTOR_VARIANTS
// The AVX2 variant enciphers and authenticates 512-byte groups in one loop.
constexpr std::size_t kFusedGroup = 8 * kChaCha20BlockSize;

bool Fused(ChaCha20Variant variant) { return variant == ChaCha20Variant::Avx2; }
#endif

void Seal(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce,
          std::span<const std::uint8_t> associatedData, std::span<const std::uint8_t> plaintext,
          std::span<std::uint8_t> sealed) {
    if (sealed.size() != plaintext.size() + kChaCha20Poly1305TagSize) {
        throw std::invalid_argument("ChaCha20-Poly1305: the sealed buffer must be 16 bytes longer");
    }
    CheckBuffers(plaintext, sealed);
    const chacha20::XorBlocksLoop loop = chacha20::LoopOf(variant);
    MessageState message(key, nonce);
    Poly1305 mac(message.oneTimeKey());
    mac.Update(associatedData).PadToBlock();
    std::size_t fused = 0;
#ifdef PELORIN_VECTOR_VARIANTS
    if (Fused(variant)) {
        const std::size_t groups = plaintext.size() / kFusedGroup;
        chacha20::SealGroupsAvx2(message.state(), mac.WholeBlockState(), plaintext.data(), sealed.data(), groups);
        fused = groups * kFusedGroup;
    }
#endif
    for (std::size_t done = fused; done < plaintext.size();) {
        const std::size_t length = std::min(kStretch, plaintext.size() - done);
        chacha20::XorStream(loop, message.state(), plaintext.data() + done, sealed.data() + done, length);
        mac.Update(sealed.subspan(done, length));
        done += length;
    }
    AuthenticateLengths(mac, associatedData.size(), plaintext.size());
    mac.Final(sealed.last<kChaCha20Poly1305TagSize>());
}

bool Open(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce,
          std::span<const std::uint8_t> associatedData, std::span<const std::uint8_t> sealed,
          std::span<std::uint8_t> plaintext) {
    if (sealed.size() < kChaCha20Poly1305TagSize) {
        if (!plaintext.empty()) throw std::invalid_argument("ChaCha20-Poly1305: no room for a plaintext");
        return false;
    }
    const std::size_t length = sealed.size() - kChaCha20Poly1305TagSize;
    if (plaintext.size() != length) {
        throw std::invalid_argument("ChaCha20-Poly1305: the plaintext buffer must be 16 bytes shorter");
    }
    CheckBuffers(plaintext, sealed);
    const chacha20::XorBlocksLoop loop = chacha20::LoopOf(variant);
    // Authenticated and deciphered stretch by stretch while the ciphertext
    // is in the cache; a plaintext whose tag fails is overwritten before
    // anything returns.
    MessageState message(key, nonce);
    std::uint8_t expected[kChaCha20Poly1305TagSize];
    {
        Poly1305 mac(message.oneTimeKey());
        mac.Update(associatedData).PadToBlock();
        std::size_t fused = 0;
#ifdef PELORIN_VECTOR_VARIANTS
        if (Fused(variant)) {
            const std::size_t groups = length / kFusedGroup;
            chacha20::OpenGroupsAvx2(message.state(), mac.WholeBlockState(), sealed.data(), plaintext.data(), groups);
            fused = groups * kFusedGroup;
        }
#endif
        for (std::size_t done = fused; done < length;) {
            const std::size_t stretch = std::min(kStretch, length - done);
            mac.Update(sealed.subspan(done, stretch));
            chacha20::XorStream(loop, message.state(), sealed.data() + done, plaintext.data() + done, stretch);
            done += stretch;
        }
        AuthenticateLengths(mac, associatedData.size(), length);
        mac.Final(expected);
    }
    const bool authentic = TagsEqual(expected, sealed.last<kChaCha20Poly1305TagSize>());
    ScrubWorkingState(expected, sizeof expected);
    if (!authentic) ScrubWorkingState(plaintext.data(), plaintext.size());
    return authentic;
}

}  // namespace

void ChaCha20Poly1305Seal(ChaCha20Key key, ChaCha20Nonce nonce, std::span<const std::uint8_t> associatedData,
                          std::span<const std::uint8_t> plaintext, std::span<std::uint8_t> sealed) {
    Seal(ChosenChaCha20Variant(), key, nonce, associatedData, plaintext, sealed);
    ScrubCallStack();
}

bool ChaCha20Poly1305Open(ChaCha20Key key, ChaCha20Nonce nonce, std::span<const std::uint8_t> associatedData,
                          std::span<const std::uint8_t> sealed, std::span<std::uint8_t> plaintext) {
    const bool authentic = Open(ChosenChaCha20Variant(), key, nonce, associatedData, sealed, plaintext);
    ScrubCallStack();
    return authentic;
}

void ChaCha20Poly1305Seal(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce,
                          std::span<const std::uint8_t> associatedData, std::span<const std::uint8_t> plaintext,
                          std::span<std::uint8_t> sealed) {
    Seal(variant, key, nonce, associatedData, plaintext, sealed);
    ScrubCallStack();
}

bool ChaCha20Poly1305Open(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce,
                          std::span<const std::uint8_t> associatedData, std::span<const std::uint8_t> sealed,
                          std::span<std::uint8_t> plaintext) {
    const bool authentic = Open(variant, key, nonce, associatedData, sealed, plaintext);
    ScrubCallStack();
    return authentic;
}

}  // namespace pelorin

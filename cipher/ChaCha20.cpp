#include "cipher/ChaCha20.h"

#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/ChaCha20Kernels.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

struct VariantTable {
    ChaCha20Variant list[3];
    std::size_t count;
};

VariantTable FindSupportedVariants() {
    VariantTable table{{ChaCha20Variant::Portable}, 1};
    if (VectorFeatures().sse2) table.list[table.count++] = ChaCha20Variant::Sse2;
    if (VectorFeatures().avx2) table.list[table.count++] = ChaCha20Variant::Avx2;
    return table;
}

// Decided once, while the program loads (or at the first call, when that
// comes from another static initialiser before this file's has run).
const VariantTable& Supported() {
    static const VariantTable table = FindSupportedVariants();
    return table;
}
[[maybe_unused]] const bool decidedAtLoad = (Supported(), true);

inline void QuarterRound(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d) {
    a += b;
    d = bytes::RotateLeft(d ^ a, 16);
    c += d;
    b = bytes::RotateLeft(b ^ c, 12);
    a += b;
    d = bytes::RotateLeft(d ^ a, 8);
    c += d;
    b = bytes::RotateLeft(b ^ c, 7);
}

void CheckCounter(std::uint32_t counter, std::size_t length) {
    const std::uint64_t blocks = (std::uint64_t{length} + kChaCha20BlockSize - 1) / kChaCha20BlockSize;
    if (blocks > (std::uint64_t{1} << 32) - counter) {
        throw std::length_error("ChaCha20: the data would take the block counter past its end");
    }
}

void XorWith(chacha20::XorBlocksLoop loop, ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter,
             std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    if (in.size() != out.size()) throw std::invalid_argument("ChaCha20: input and output sizes differ");
    if (chacha20::OverlapsOutOfPlace(in.data(), in.size(), out.data(), out.size())) {
        throw std::invalid_argument("ChaCha20: input and output overlap");
    }
    CheckCounter(counter, in.size());
    std::uint32_t state[16];
    chacha20::SetUpState(state, key, nonce, counter);
    chacha20::XorStream(loop, state, in.data(), out.data(), in.size());
    ScrubWorkingState(state, sizeof state);
    ScrubCallStack();
}

// Four blocks with the block number innermost: x[i][lane] is word i of
// block n + lane. Plain C++ for every processor; compilers for processors
// with vector registers (x86-64 among them, the Windows build too) turn the
// lane loops into vector instructions, about twice the speed of one block at
// a time.
constexpr std::size_t kLanes = 4;

inline void LaneQuarterRound(std::uint32_t x[16][kLanes], int a, int b, int c, int d) {
    for (std::size_t l = 0; l < kLanes; ++l) {
        x[a][l] += x[b][l];
        x[d][l] = bytes::RotateLeft(x[d][l] ^ x[a][l], 16);
    }
    for (std::size_t l = 0; l < kLanes; ++l) {
        x[c][l] += x[d][l];
        x[b][l] = bytes::RotateLeft(x[b][l] ^ x[c][l], 12);
    }
    for (std::size_t l = 0; l < kLanes; ++l) {
        x[a][l] += x[b][l];
        x[d][l] = bytes::RotateLeft(x[d][l] ^ x[a][l], 8);
    }
    for (std::size_t l = 0; l < kLanes; ++l) {
        x[c][l] += x[d][l];
        x[b][l] = bytes::RotateLeft(x[b][l] ^ x[c][l], 7);
    }
}

void XorFourBlocks(const std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out) {
    std::uint32_t start[16][kLanes];
    for (int i = 0; i < 16; ++i) {
        for (std::size_t l = 0; l < kLanes; ++l) start[i][l] = state[i] + (i == 12 ? static_cast<std::uint32_t>(l) : 0);
    }
    std::uint32_t x[16][kLanes];
    for (int i = 0; i < 16; ++i) {
        for (std::size_t l = 0; l < kLanes; ++l) x[i][l] = start[i][l];
    }
    for (int round = 0; round < 10; ++round) {
        LaneQuarterRound(x, 0, 4, 8, 12);
        LaneQuarterRound(x, 1, 5, 9, 13);
        LaneQuarterRound(x, 2, 6, 10, 14);
        LaneQuarterRound(x, 3, 7, 11, 15);
        LaneQuarterRound(x, 0, 5, 10, 15);
        LaneQuarterRound(x, 1, 6, 11, 12);
        LaneQuarterRound(x, 2, 7, 8, 13);
        LaneQuarterRound(x, 3, 4, 9, 14);
    }
    std::uint32_t keystream[kLanes][16];
    for (int i = 0; i < 16; ++i) {
        for (std::size_t l = 0; l < kLanes; ++l) keystream[l][i] = x[i][l] + start[i][l];
    }
    for (std::size_t l = 0; l < kLanes; ++l) {
        for (int i = 0; i < 16; i += 2) {
            const std::size_t at = l * kChaCha20BlockSize + 4 * i;
            const std::uint64_t words = std::uint64_t{keystream[l][i]} | std::uint64_t{keystream[l][i + 1]} << 32;
            bytes::StoreLe64(out + at, bytes::LoadLe64(in + at) ^ words);
        }
    }
}

}  // namespace

namespace chacha20 {

void BlockWords(const std::uint32_t state[16], std::uint32_t out[16]) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = state[i];
    for (int round = 0; round < 10; ++round) {
        QuarterRound(x[0], x[4], x[8], x[12]);
        QuarterRound(x[1], x[5], x[9], x[13]);
        QuarterRound(x[2], x[6], x[10], x[14]);
        QuarterRound(x[3], x[7], x[11], x[15]);
        QuarterRound(x[0], x[5], x[10], x[15]);
        QuarterRound(x[1], x[6], x[11], x[12]);
        QuarterRound(x[2], x[7], x[8], x[13]);
        QuarterRound(x[3], x[4], x[9], x[14]);
    }
    for (int i = 0; i < 16; ++i) out[i] = x[i] + state[i];
}

void XorBlocksPortable(std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    for (; blocks >= kLanes; blocks -= kLanes, in += kLanes * kChaCha20BlockSize, out += kLanes * kChaCha20BlockSize) {
        XorFourBlocks(state, in, out);
        state[12] += kLanes;
    }
    std::uint32_t keystream[16];
    for (std::size_t b = 0; b < blocks; ++b, in += kChaCha20BlockSize, out += kChaCha20BlockSize) {
        BlockWords(state, keystream);
        for (int i = 0; i < 16; ++i) bytes::StoreLe32(out + 4 * i, bytes::LoadLe32(in + 4 * i) ^ keystream[i]);
        ++state[12];
    }
}

XorBlocksLoop LoopOf(ChaCha20Variant variant) {
    bool supported = false;
    for (const ChaCha20Variant v : SupportedChaCha20Variants()) supported = supported || v == variant;
    if (!supported) throw std::invalid_argument("ChaCha20: variant not supported on this processor");
    switch (variant) {
#ifdef PELORIN_VECTOR_VARIANTS
        case ChaCha20Variant::Sse2: return XorBlocksSse2;
        case ChaCha20Variant::Avx2: return XorBlocksAvx2;
#endif
        default: return XorBlocksPortable;
    }
}

void SetUpState(std::uint32_t state[16], ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter) {
    for (int i = 0; i < 4; ++i) state[i] = kSigma[i];
    for (int i = 0; i < 8; ++i) state[4 + i] = bytes::LoadLe32(key.data() + 4 * i);
    state[12] = counter;
    for (int i = 0; i < 3; ++i) state[13 + i] = bytes::LoadLe32(nonce.data() + 4 * i);
}

void XorStream(XorBlocksLoop loop, std::uint32_t state[16], const std::uint8_t* in, std::uint8_t* out,
               std::size_t length) {
    const std::size_t whole = length / kChaCha20BlockSize;
    loop(state, in, out, whole);
    const std::size_t done = whole * kChaCha20BlockSize;
    if (done < length) {
        std::uint8_t block[kChaCha20BlockSize] = {};
        for (std::size_t i = done; i < length; ++i) block[i - done] = in[i];
        XorBlocksPortable(state, block, block, 1);
        for (std::size_t i = done; i < length; ++i) out[i] = block[i - done];
        ScrubWorkingState(block, sizeof block);
    }
}

}  // namespace chacha20

std::span<const ChaCha20Variant> SupportedChaCha20Variants() {
    return {Supported().list, Supported().count};
}

ChaCha20Variant ChosenChaCha20Variant() { return SupportedChaCha20Variants().back(); }

const char* ChaCha20VariantName(ChaCha20Variant variant) {
    switch (variant) {
        case ChaCha20Variant::Sse2: return "sse2";
        case ChaCha20Variant::Avx2: return "avx2";
        default: return "portable";
    }
}

void ChaCha20Xor(ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter, std::span<const std::uint8_t> in,
                 std::span<std::uint8_t> out) {
    XorWith(chacha20::LoopOf(ChosenChaCha20Variant()), key, nonce, counter, in, out);
}

void ChaCha20Xor(ChaCha20Variant variant, ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter,
                 std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
    XorWith(chacha20::LoopOf(variant), key, nonce, counter, in, out);
}

void ChaCha20Block(ChaCha20Key key, ChaCha20Nonce nonce, std::uint32_t counter,
                   std::span<std::uint8_t, kChaCha20BlockSize> block) {
    std::uint32_t state[16];
    std::uint32_t words[16];
    chacha20::SetUpState(state, key, nonce, counter);
    chacha20::BlockWords(state, words);
    for (int i = 0; i < 16; ++i) bytes::StoreLe32(block.data() + 4 * i, words[i]);
    ScrubWorkingState(state, sizeof state);
    ScrubWorkingState(words, sizeof words);
    ScrubCallStack();
}

}  // namespace pelorin

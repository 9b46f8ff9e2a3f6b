#include "cipher/Argon2id.h"

#include <initializer_list>
#include <limits>
#include <memory>
#include <stdexcept>

#include "cipher/Argon2Block.h"
#include "cipher/Blake2b.h"
#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

namespace pelorin {

Argon2MemoryError::Argon2MemoryError(std::uint64_t bytes)
    : bytes_(bytes), message_("Argon2id: cannot allocate " + std::to_string(bytes >> 20) + " MiB") {}

namespace {

using argon2::Block;
using argon2::kBlockSize;
using argon2::kBlockWords;

constexpr std::uint32_t kSlices = 4;
constexpr std::uint32_t kArgon2idType = 2;
constexpr std::uint64_t kMaxInput = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t kAddressesPerBlock = kBlockWords;

using Bytes = std::span<const std::uint8_t>;

struct Le32 {
    explicit Le32(std::uint64_t value) { bytes::StoreLe32(data, static_cast<std::uint32_t>(value)); }
    operator Bytes() const { return Bytes(data, 4); }
    std::uint8_t data[4];
};

// H' of RFC 9106 section 3.3: BLAKE2b stretched to any length.
void LongHash(std::span<std::uint8_t> out, std::initializer_list<Bytes> parts) {
    const std::size_t length = out.size();
    if (length <= Blake2b::kMaxDigestSize) {
        Blake2b hash(length);
        hash.Update(Le32(length));
        for (const Bytes part : parts) hash.Update(part);
        hash.Final(out);
        return;
    }
    // V1 from the input, V(i) = H(V(i-1)); the first 32 bytes of V1 .. Vr
    // and the whole of V(r+1), cut to what is left.
    const std::size_t r = (length + 31) / 32 - 2;
    std::uint8_t v[Blake2b::kMaxDigestSize];
    {
        Blake2b hash(Blake2b::kMaxDigestSize);
        hash.Update(Le32(length));
        for (const Bytes part : parts) hash.Update(part);
        hash.Final(v);
    }
    for (std::size_t i = 0; i < 32; ++i) out[i] = v[i];
    for (std::size_t n = 1; n < r; ++n) {
        Blake2bDigest({}, v, v);
        for (std::size_t i = 0; i < 32; ++i) out[32 * n + i] = v[i];
    }
    Blake2bDigest({}, v, out.subspan(32 * r));
    ScrubWorkingState(v, sizeof v);
}

struct Geometry {
    std::uint32_t lanes;
    std::uint32_t laneLength;     // q, blocks per lane
    std::uint32_t segmentLength;  // blocks per lane and slice
    std::uint32_t passes;
    std::uint32_t blockCount;  // m'
};

Geometry GeometryOf(const Argon2Cost& cost) {
    if (cost.passes < 1) throw std::invalid_argument("Argon2id: at least one pass");
    if (cost.lanes < 1 || cost.lanes > kArgon2MaxLanes) throw std::invalid_argument("Argon2id: lanes out of range");
    if (cost.memoryKiB < 8 * std::uint64_t{cost.lanes}) {
        throw std::invalid_argument("Argon2id: less than 8 KiB of memory per lane");
    }
    const std::uint32_t blockCount = cost.memoryKiB / (kSlices * cost.lanes) * (kSlices * cost.lanes);
    const std::uint32_t laneLength = blockCount / cost.lanes;
    return {cost.lanes, laneLength, laneLength / kSlices, cost.passes, blockCount};
}

// The block memory: allocated without being touched, and overwritten on
// release as far as the passes reached.
class BlockMemory {
public:
    explicit BlockMemory(const Geometry& geometry) : geometry_(geometry) {
        const std::uint64_t bytes = std::uint64_t{geometry.blockCount} * kBlockSize;
        if (bytes > std::numeric_limits<std::size_t>::max()) throw Argon2MemoryError(bytes);
        void* memory = ::operator new(static_cast<std::size_t>(bytes), std::align_val_t{alignof(Block)}, std::nothrow);
        if (memory == nullptr) throw Argon2MemoryError(bytes);
        blocks_ = static_cast<Block*>(memory);
    }
    ~BlockMemory() {
        for (std::uint32_t lane = 0; lane < geometry_.lanes; ++lane) {
            ScrubWorkingState(blocks_ + std::size_t{lane} * geometry_.laneLength, std::size_t{reached_} * kBlockSize);
        }
        ::operator delete(blocks_, std::align_val_t{alignof(Block)});
    }
    BlockMemory(const BlockMemory&) = delete;
    BlockMemory& operator=(const BlockMemory&) = delete;

    Block& at(std::uint32_t lane, std::uint32_t column) {
        return blocks_[std::size_t{lane} * geometry_.laneLength + column];
    }
    // Columns below `columns` of every lane may hold data from now on.
    void Reach(std::uint32_t columns) {
        if (columns > reached_) reached_ = columns;
    }

private:
    Geometry geometry_;
    Block* blocks_ = nullptr;
    std::uint32_t reached_ = 0;
};

// The position, within its lane, of the reference block for block `index`
// of the segment (RFC 9106 section 3.4.2): J1 picks, with a bias towards
// recent blocks, among the blocks the rules let this one see.
std::uint32_t ReferenceColumn(const Geometry& g, std::uint32_t pass, std::uint32_t slice, std::uint32_t index,
                              std::uint32_t j1, bool sameLane) {
    std::uint64_t area;
    if (pass == 0) {
        // First pass: only what has been made so far.
        area = sameLane ? std::uint64_t{slice} * g.segmentLength + index - 1
                        : std::uint64_t{slice} * g.segmentLength - (index == 0 ? 1 : 0);
    } else {
        // Later passes: the three other slices, plus this one so far in
        // the same lane; never the block just before this one.
        area = sameLane ? std::uint64_t{g.laneLength} - g.segmentLength + index - 1
                        : std::uint64_t{g.laneLength} - g.segmentLength - (index == 0 ? 1 : 0);
    }
    const std::uint64_t x = (std::uint64_t{j1} * j1) >> 32;
    const std::uint64_t y = (area * x) >> 32;
    const std::uint64_t relative = area - 1 - y;
    const std::uint64_t start = (pass == 0 || slice == kSlices - 1) ? 0 : std::uint64_t{slice + 1} * g.segmentLength;
    return static_cast<std::uint32_t>((start + relative) % g.laneLength);
}

// Asks for all sixteen cache lines of a block at once instead of letting
// the compression wait for them one after the other.
inline void Prefetch(const Block& block) {
#if defined(__GNUC__) || defined(__clang__)
    for (std::size_t line = 0; line < kBlockSize; line += 64) __builtin_prefetch(reinterpret_cast<const char*>(block.v) + line);
#else
    (void)block;
#endif
}

// What one lane's segment works with besides the block memory: the
// compression's scratch blocks and the data-independent address blocks. On
// the heap, so that the lane thread's stack holds only small frames, which
// ScrubCallStack covers; overwritten when released.
struct SegmentWork {
    argon2::Scratch scratch;
    Block zero{};
    Block addressInput{};
    Block addresses{};

    ~SegmentWork() { ScrubWorkingState(this, sizeof *this); }
};

// The first half of the first pass takes J1 and J2 from address blocks
// G(0, G(0, Z)), where Z holds the position and a counter of the address
// blocks made in this segment; one address block serves 128 blocks.
std::uint64_t Address(argon2::Compression compress, SegmentWork& work, std::uint32_t index) {
    if (index % kAddressesPerBlock == 0 || work.addressInput.v[6] == 0) {
        ++work.addressInput.v[6];
        compress(work.zero, work.addressInput, work.addresses, false, work.scratch);
        compress(work.zero, work.addresses, work.addresses, false, work.scratch);
    }
    return work.addresses.v[index % kAddressesPerBlock];
}

void FillSegment(argon2::Compression compress, BlockMemory& memory, const Geometry& g, std::uint32_t pass,
                 std::uint32_t slice, std::uint32_t lane) {
    const bool independent = pass == 0 && slice < 2;
    const std::uint32_t first = (pass == 0 && slice == 0) ? 2 : 0;  // blocks 0 and 1 come from the seeds
    auto work = std::make_unique<SegmentWork>();
    if (independent) {
        std::uint64_t* z = work->addressInput.v;
        z[0] = pass;
        z[1] = lane;
        z[2] = slice;
        z[3] = g.blockCount;
        z[4] = g.passes;
        z[5] = kArgon2idType;
    }
    for (std::uint32_t index = first; index < g.segmentLength; ++index) {
        const std::uint32_t column = slice * g.segmentLength + index;
        const Block& previous = memory.at(lane, column == 0 ? g.laneLength - 1 : column - 1);
        const std::uint64_t pseudoRandom = independent ? Address(compress, *work, index) : previous.v[0];
        const auto j1 = static_cast<std::uint32_t>(pseudoRandom);
        const auto j2 = static_cast<std::uint32_t>(pseudoRandom >> 32);
        const std::uint32_t referenceLane = (pass == 0 && slice == 0) ? lane : j2 % g.lanes;
        const std::uint32_t referenceColumn = ReferenceColumn(g, pass, slice, index, j1, referenceLane == lane);
        const Block& reference = memory.at(referenceLane, referenceColumn);
        Prefetch(reference);
        // The block after this one is read next (passes after the first) or
        // written next; the hardware's own fetching stops at page ends.
        if (column + 1 < g.laneLength) Prefetch(memory.at(lane, column + 1));
        compress(previous, reference, memory.at(lane, column), pass > 0, work->scratch);
    }
}

struct VariantTable {
    Argon2Variant list[2];
    std::size_t count;
};

const VariantTable& Supported() {
    static const VariantTable table = [] {
        VariantTable t{{Argon2Variant::Portable}, 1};
        if (VectorFeatures().avx2) t.list[t.count++] = Argon2Variant::Avx2;
        return t;
    }();
    return table;
}
[[maybe_unused]] const bool decidedAtLoad = (Supported(), true);

argon2::Compression CompressionOf(Argon2Variant variant) {
    bool supported = false;
    for (const Argon2Variant v : SupportedArgon2Variants()) supported = supported || v == variant;
    if (!supported) throw std::invalid_argument("Argon2id: variant not supported on this processor");
#ifdef PELORIN_VECTOR_VARIANTS
    if (variant == Argon2Variant::Avx2) return argon2::CompressAvx2;
#endif
    return argon2::CompressPortable;
}

void CheckLength(Bytes input, const char* what) {
    if (input.size() > kMaxInput) throw std::invalid_argument(std::string("Argon2id: ") + what + " too long");
}

}  // namespace

std::uint64_t Argon2MemoryBytes(const Argon2Cost& cost) { return std::uint64_t{GeometryOf(cost).blockCount} * kBlockSize; }

std::span<const Argon2Variant> SupportedArgon2Variants() { return {Supported().list, Supported().count}; }

const char* Argon2VariantName(Argon2Variant variant) { return variant == Argon2Variant::Avx2 ? "avx2" : "portable"; }

void Argon2id(const Argon2Inputs& inputs, const Argon2Cost& cost, std::span<std::uint8_t> tag, ParallelRunner& lanes,
              const Argon2Progress& progress) {
    Argon2id(SupportedArgon2Variants().back(), inputs, cost, tag, lanes, progress);
}

void Argon2id(Argon2Variant variant, const Argon2Inputs& inputs, const Argon2Cost& cost, std::span<std::uint8_t> tag,
              ParallelRunner& lanes, const Argon2Progress& progress) {
    const argon2::Compression compress = CompressionOf(variant);
    const Geometry g = GeometryOf(cost);
    if (inputs.salt.size() < kArgon2MinSaltSize) throw std::invalid_argument("Argon2id: salt shorter than 8 bytes");
    if (tag.size() < kArgon2MinTagSize || tag.size() > kMaxInput) {
        throw std::invalid_argument("Argon2id: tag length out of range");
    }
    CheckLength(inputs.password, "password");
    CheckLength(inputs.salt, "salt");
    CheckLength(inputs.secret, "secret");
    CheckLength(inputs.associatedData, "associated data");

    BlockMemory memory(g);
    {
        // H0 over the parameters and inputs; the first two blocks of each
        // lane are H'(H0 || column || lane).
        std::uint8_t h0[Blake2b::kMaxDigestSize];
        Blake2b hash(sizeof h0);
        hash.Update(Le32(cost.lanes)).Update(Le32(tag.size())).Update(Le32(cost.memoryKiB)).Update(Le32(cost.passes));
        hash.Update(Le32(kArgon2Version)).Update(Le32(kArgon2idType));
        hash.Update(Le32(inputs.password.size())).Update(inputs.password);
        hash.Update(Le32(inputs.salt.size())).Update(inputs.salt);
        hash.Update(Le32(inputs.secret.size())).Update(inputs.secret);
        hash.Update(Le32(inputs.associatedData.size())).Update(inputs.associatedData);
        hash.Final(h0);
        std::uint8_t seed[kBlockSize];
        memory.Reach(2);
        for (std::uint32_t lane = 0; lane < g.lanes; ++lane) {
            for (std::uint32_t column = 0; column < 2; ++column) {
                LongHash(seed, {Bytes(h0), Le32(column), Le32(lane)});
                Block& block = memory.at(lane, column);
                for (std::size_t i = 0; i < kBlockWords; ++i) block.v[i] = bytes::LoadLe64(seed + 8 * i);
            }
        }
        ScrubWorkingState(seed, sizeof seed);
        ScrubWorkingState(h0, sizeof h0);
    }

    const std::uint32_t slicesTotal = g.passes * kSlices;
    for (std::uint32_t pass = 0; pass < g.passes; ++pass) {
        for (std::uint32_t slice = 0; slice < kSlices; ++slice) {
            memory.Reach((slice + 1) * g.segmentLength);
            lanes.Run(g.lanes, [&](unsigned lane) {
                FillSegment(compress, memory, g, pass, slice, lane);
                ScrubCallStack();
            });
            if (progress) progress(pass * kSlices + slice + 1, slicesTotal);
        }
    }

    // The tag is H' of the last column's blocks XORed together.
    Block last = memory.at(0, g.laneLength - 1);
    for (std::uint32_t lane = 1; lane < g.lanes; ++lane) {
        const Block& block = memory.at(lane, g.laneLength - 1);
        for (std::size_t i = 0; i < kBlockWords; ++i) last.v[i] ^= block.v[i];
    }
    std::uint8_t lastBytes[kBlockSize];
    for (std::size_t i = 0; i < kBlockWords; ++i) bytes::StoreLe64(lastBytes + 8 * i, last.v[i]);
    LongHash(tag, {Bytes(lastBytes)});
    ScrubWorkingState(lastBytes, sizeof lastBytes);
    ScrubWorkingState(&last, sizeof last);
    ScrubCallStack();
}

}  // namespace pelorin

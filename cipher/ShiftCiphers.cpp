#include "cipher/ShiftCiphers.h"

#include <stdexcept>

#include "cipher/Bytes.h"
#include "cipher/Scramble.h"

namespace pelorin {
namespace {

// Adds the 8 shifts to every group, byte by byte without carries between
// bytes: the low 7 bits are added in place and the top bits by XOR.
void AddShifts(std::uint8_t* data, std::size_t groupCount, const std::array<std::uint8_t, 8>& shifts) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    const std::uint64_t pattern = bytes::LoadLe64(shifts.data());
    for (std::size_t g = 0; g < groupCount; ++g) {
        const std::uint64_t x = bytes::LoadLe64(data + g * 8);
        const std::uint64_t sum = ((x & kLow7) + (pattern & kLow7)) ^ ((x ^ pattern) & kHigh);
        bytes::StoreLe64(data + g * 8, sum);
    }
}

void SetBackward(GroupShifts& shifts) {
    for (int p = 0; p < 8; ++p) shifts.backward[p] = static_cast<std::uint8_t>(-shifts.forward[p]);
}

}  // namespace

AsciiKey::AsciiKey(std::span<const std::uint8_t> key) : shifts_(kKeyScrubPasses) {
    std::uint8_t k = 0;
    for (std::uint8_t b : key) k ^= b;
    for (int p = 0; p < 8; ++p) shifts_->forward[p] = static_cast<std::uint8_t>(k + p);
    SetBackward(*shifts_);
}

void AsciiKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    AddShifts(data, groupCount, shifts_->forward);
}

void AsciiKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    AddShifts(data, groupCount, shifts_->backward);
}

VigenereKey::VigenereKey(std::span<const std::uint8_t> key)
    : key_(key, kKeyScrubPasses), length_(static_cast<std::int32_t>(key.size())), shifts_(kKeyScrubPasses) {
    if (key.empty()) throw std::invalid_argument("Vigenere needs at least one key byte");
    for (int p = 0; p < 8; ++p) shifts_->forward[p] = key_.data()[p % length_];
    SetBackward(*shifts_);
}

void VigenereKey::EncryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    AddShifts(data, groupCount, shifts_->forward);
}

void VigenereKey::DecryptGroups(std::uint8_t* data, std::size_t groupCount) const {
    AddShifts(data, groupCount, shifts_->backward);
}

}  // namespace pelorin

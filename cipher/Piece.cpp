#include "cipher/Piece.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace pelorin {

std::uint8_t ChoosePadByte(std::span<const std::uint8_t> tail) {
    std::uint8_t pad = 0;
    while (std::find(tail.begin(), tail.end(), pad) != tail.end()) ++pad;
    return pad;
}

std::uint8_t FillFinalGroup(std::span<const std::uint8_t> tail, std::span<std::uint8_t, kGroupSize> group) {
    if (tail.empty() || tail.size() >= kGroupSize) throw std::invalid_argument("a tail holds 1 to 7 bytes");
    const std::uint8_t pad = ChoosePadByte(tail);
    std::copy(tail.begin(), tail.end(), group.begin());
    std::fill(group.begin() + static_cast<std::ptrdiff_t>(tail.size()), group.end(), pad);
    return pad;
}

void EncipherPiece(GroupCipher& cipher, std::span<const std::uint8_t> plain, std::span<std::uint8_t> stored) {
    if (stored.size() != StoredPieceLength(plain.size())) throw std::invalid_argument("stored piece size");
    const std::size_t whole = plain.size() / kGroupSize * kGroupSize;
    std::copy(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(whole), stored.begin());
    cipher.Encrypt(stored.first(whole));
    if (whole == plain.size()) return;
    stored[whole] = FillFinalGroup(plain.subspan(whole), stored.subspan(whole + 1).first<kGroupSize>());
    cipher.Encrypt(stored.subspan(whole + 1, kGroupSize));
}

void DecipherPiece(GroupCipher& cipher, std::span<const std::uint8_t> stored, std::span<std::uint8_t> plain) {
    if (stored.size() != StoredPieceLength(plain.size())) throw std::invalid_argument("stored piece size");
    const std::size_t whole = plain.size() / kGroupSize * kGroupSize;
    std::copy(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(whole), plain.begin());
    cipher.Decrypt(plain.first(whole));
    if (whole == plain.size()) return;
    std::array<std::uint8_t, kGroupSize> group{};
    std::copy_n(stored.begin() + static_cast<std::ptrdiff_t>(whole) + 1, kGroupSize, group.begin());
    cipher.Decrypt(group);
    std::copy_n(group.begin(), plain.size() - whole, plain.begin() + static_cast<std::ptrdiff_t>(whole));
}

}  // namespace pelorin

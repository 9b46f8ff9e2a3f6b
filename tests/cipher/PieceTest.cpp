#include <gtest/gtest.h>

#include <vector>

#include "TestHex.h"
#include "cipher/Algorithm.h"
#include "cipher/Piece.h"

namespace pelorin {
namespace {

TEST(PieceTest, PadByteIsSmallestValueAbsentFromTail) {
    const std::vector<std::uint8_t> counting = {0, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ChoosePadByte(counting), 7);
    EXPECT_EQ(ChoosePadByte(std::vector<std::uint8_t>{9, 9, 9}), 0);
    EXPECT_EQ(ChoosePadByte(std::vector<std::uint8_t>{0x00, 0x01, 0x02}), 3);
    EXPECT_EQ(ChoosePadByte(std::vector<std::uint8_t>{2, 0, 1, 5}), 3);
}

TEST(PieceTest, FinalGroupIsTailThenPadCopies) {
    std::array<std::uint8_t, 8> group{};
    EXPECT_EQ(FillFinalGroup(std::vector<std::uint8_t>{0, 1, 2}, group), 3);
    EXPECT_EQ(group, (std::array<std::uint8_t, 8>{0, 1, 2, 3, 3, 3, 3, 3}));
    EXPECT_THROW(FillFinalGroup(std::vector<std::uint8_t>{}, group), std::invalid_argument);
    EXPECT_THROW(FillFinalGroup(std::vector<std::uint8_t>(8, 1), group), std::invalid_argument);
}

TEST(PieceTest, StoredLengthAddsNineForAPartialGroup) {
    EXPECT_EQ(StoredPieceLength(0), 0u);
    EXPECT_EQ(StoredPieceLength(4), 9u);
    EXPECT_EQ(StoredPieceLength(5), 9u);
    EXPECT_EQ(StoredPieceLength(8), 8u);
    EXPECT_EQ(StoredPieceLength(13), 17u);
    EXPECT_EQ(StoredPieceLength(9999), 9992u + 9u);
    EXPECT_EQ(StoredPieceLength(0x100000000ull), 0x100000000ull);
}

TEST(PieceTest, EveryAlgorithmRoundTripsPiecesOfEveryTailLength) {
    const auto key = test::TestBytes(20, 99);
    for (const auto& info : kAlgorithms) {
        for (std::size_t n = 0; n <= 41; ++n) {
            const auto plain = test::TestBytes(n, static_cast<std::uint32_t>(n));
            std::vector<std::uint8_t> stored(StoredPieceLength(n));
            EncipherPiece(*MakeGroupCipher(static_cast<int>(info.number), key), plain, stored);
            if (n % 8 != 0) {
                // The pad byte sits in clear just before the final group.
                EXPECT_EQ(stored[n / 8 * 8], ChoosePadByte(std::span(plain).subspan(n / 8 * 8)));
            }
            std::vector<std::uint8_t> back(n);
            DecipherPiece(*MakeGroupCipher(static_cast<int>(info.number), key), stored, back);
            EXPECT_EQ(back, plain) << info.messageName << " n=" << n;
        }
    }
}

}  // namespace
}  // namespace pelorin

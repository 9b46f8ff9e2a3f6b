#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestHex.h"
#include "cipher/Algorithm.h"
#include "cipher/Blowfish.h"
#include "cipher/NewDes.h"

namespace pelorin {
namespace {

using Data = std::vector<std::uint8_t>;

Data Encrypted(int number, const Data& key, Data data) {
    MakeGroupCipher(number, key)->Encrypt(data);
    return data;
}

TEST(AlgorithmTableTest, NumbersLabelsNamesAndMinimums) {
    const char* labels[] = {"&ASCII", "&BlowFish", "&DES", "&IDEA", "&NewDES", "Pseudo-&RC4", "&Safer", "&Vigenere"};
    const char* names[] = {"ASCII", "BlowFish", "DES", "IDEA", "NewDES", "RC4", "Safer", "Vigenere"};
    const int minimums[] = {1, 4, 8, 16, 16, 1, 16, 1};
    for (int n = 0; n < kAlgorithmCount; ++n) {
        const AlgorithmInfo* info = FindAlgorithm(n);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(static_cast<int>(info->number), n);
        EXPECT_EQ(info->dialogLabel, labels[n]);
        EXPECT_EQ(info->messageName, names[n]);
        EXPECT_EQ(info->minimumUnhashedPasskey, minimums[n]);
        // The dialog's minimum always covers what the cipher reads.
        EXPECT_GE(info->minimumUnhashedPasskey, info->keyBytesRequired);
    }
    EXPECT_EQ(FindAlgorithm(-1), nullptr);
    EXPECT_EQ(FindAlgorithm(8), nullptr);
}

TEST(AlgorithmTableTest, FactoryRefusesUnknownNumbersAndShortKeys) {
    EXPECT_EQ(MakeGroupCipher(8, Data(20, 1)), nullptr);
    EXPECT_EQ(MakeGroupCipher(255, Data(20, 1)), nullptr);
    for (const auto& info : kAlgorithms) {
        const auto need = static_cast<std::size_t>(info.keyBytesRequired);
        EXPECT_NE(MakeGroupCipher(static_cast<int>(info.number), Data(need, 1)), nullptr) << info.messageName;
        EXPECT_THROW(MakeGroupCipher(static_cast<int>(info.number), Data(need - 1, 1)), std::invalid_argument)
            << info.messageName;
    }
    auto cipher = MakeGroupCipher(1, Data(8, 1));
    Data ragged(7);
    EXPECT_THROW(cipher->Encrypt(ragged), std::invalid_argument);
}

TEST(AlgorithmTableTest, KeyBytesBeyondWhatTheCipherReadsHaveNoEffect) {
    const auto plain = test::TestBytes(64, 17);
    for (const auto& info : kAlgorithms) {
        if (info.keyBytesRead == 0) continue;  // ASCII and RC4 use every byte
        const auto used = static_cast<std::size_t>(info.keyBytesRead);
        Data a = test::TestBytes(used, 1), b = a;
        a.insert(a.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9});
        b.insert(b.end(), {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0x55});
        const int n = static_cast<int>(info.number);
        EXPECT_EQ(Encrypted(n, a, plain), Encrypted(n, b, plain)) << info.messageName;
        // ...while the last byte that is read does matter.
        Data c = a;
        c[used - 1] ^= 0x80;
        EXPECT_NE(Encrypted(n, a, plain), Encrypted(n, c, plain)) << info.messageName;
    }
}

TEST(AlgorithmTableTest, EveryCipherDecryptsWhatItEncryptsWhateverTheSplit) {
    const auto key = test::TestBytes(20, 8);
    const auto plain = test::TestBytes(8 * 37, 9);
    for (const auto& info : kAlgorithms) {
        const int n = static_cast<int>(info.number);
        const auto whole = Encrypted(n, key, plain);
        EXPECT_NE(whole, plain) << info.messageName;
        auto split = plain;
        auto cipher = MakeGroupCipher(n, key);
        cipher->Encrypt(std::span(split).first(8 * 5));
        cipher->Encrypt(std::span(split).subspan(8 * 5));
        EXPECT_EQ(split, whole) << info.messageName;
        auto back = whole;
        MakeGroupCipher(n, key)->Decrypt(back);
        EXPECT_EQ(back, plain) << info.messageName;
    }
}

TEST(BlowfishTest, OneByteKeyIsCycledOverThePArray) {
    const auto plain = test::TestBytes(16, 2);
    EXPECT_EQ(Encrypted(1, Data{0x5C}, plain), Encrypted(1, Data(72, 0x5C), plain));
    EXPECT_NE(Encrypted(1, Data{0x5C}, plain), Encrypted(1, Data{0x5D}, plain));
}

TEST(BlowfishTest, ScheduleLivesInTheScrubbedBox) {
    const BlowfishKey key(Data{1, 2, 3});
    EXPECT_EQ(key.scheduleBytes().size(), sizeof(BlowfishSchedule));
    EXPECT_EQ(key.scheduleBytes().size(), 4240u);
}

TEST(DesTest, ParityBitsOfTheKeyAreIgnored) {
    const auto plain = test::TestBytes(32, 4);
    const Data key = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
    Data flipped = key;
    for (auto& b : flipped) b ^= 1;
    EXPECT_EQ(Encrypted(2, key, plain), Encrypted(2, flipped, plain));
}

TEST(NewDesTest, ScheduleFollowsTheExpansionAndHasThreeFixedZeros) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        const auto key = test::TestBytes(16, seed);
        const NewDesKey newDes(key);
        const auto& k = newDes.schedule().k;
        EXPECT_EQ(k[29], 0);
        EXPECT_EQ(k[34], 0);
        EXPECT_EQ(k[39], 0);
        for (int i = 0; i < 15; ++i) {
            EXPECT_EQ(k[4 * i], key[i]);
            EXPECT_EQ(k[4 * i + 1], key[i] ^ key[7]);
            EXPECT_EQ(k[4 * i + 2], key[i] ^ key[8]);
            EXPECT_EQ(k[4 * i + 3], key[i] ^ key[9]);
        }
    }
}

}  // namespace
}  // namespace pelorin

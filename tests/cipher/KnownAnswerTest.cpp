// Published known answers, run through each cipher's byte-order rule. The
// archives read block halves (Blowfish, DES) and 16-bit words (IDEA) in
// little-endian order, so the published big-endian vectors hold after
// reversing each half or swapping each word.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "TestHex.h"
#include "cipher/Algorithm.h"

namespace pelorin {
namespace {

using test::FromHex;
using test::ToHex;

enum class Order { Same, ReversedHalves, SwappedWords };

struct KnownAnswer {
    Algorithm algorithm;
    const char* key;
    const char* plain;
    const char* cipher;
    Order dataOrder;
    bool keyWordsSwapped;
};

// Blowfish: Eric Young's ECB vectors as published with the algorithm
// (vectors.txt on the designer's site).
// DES: FIPS 81 (ECB example "Now is t"), and the variable-plaintext and
// variable-key tests of NBS Special Publication 500-20 / NIST SP 800-17.
// IDEA: the example of Lai and Massey's IDEA description.
// SAFER SK-128, 10 rounds: the designer's published vector (key 1..8 then
// eight zero bytes).
const std::vector<KnownAnswer> kKnownAnswers = {
    {Algorithm::Blowfish, "0000000000000000", "0000000000000000", "4EF997456198DD78", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "3000000000000000", "1000000000000001", "7D856F9A613063F2", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "1111111111111111", "1111111111111111", "2466DD878B963C9D", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "0123456789ABCDEF", "1111111111111111", "61F9C3802281B096", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778", Order::ReversedHalves, false},
    {Algorithm::Blowfish, "1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201", Order::ReversedHalves, false},
    {Algorithm::Des, "0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815", Order::ReversedHalves, false},
    {Algorithm::Des, "0101010101010101", "8000000000000000", "95F8A5E5DD31D900", Order::ReversedHalves, false},
    {Algorithm::Des, "0101010101010101", "4000000000000000", "DD7F121CA5015619", Order::ReversedHalves, false},
    {Algorithm::Des, "0101010101010101", "2000000000000000", "2E8653104F3834EA", Order::ReversedHalves, false},
    {Algorithm::Des, "0101010101010101", "1000000000000000", "4BD388FF6CD81D4F", Order::ReversedHalves, false},
    {Algorithm::Des, "8001010101010101", "0000000000000000", "95A8D72813DAA94D", Order::ReversedHalves, false},
    {Algorithm::Des, "4001010101010101", "0000000000000000", "0EEC1487DD8C26D5", Order::ReversedHalves, false},
    {Algorithm::Idea, "00010002000300040005000600070008", "0000000100020003", "11FBED2B01986DE5", Order::SwappedWords, true},
    {Algorithm::Safer, "01020304050607080000000000000000", "0102030405060708", "FF7811E4B3A72E71", Order::Same, false},
};

void PrintTo(const KnownAnswer& v, std::ostream* os) { *os << v.key << "/" << v.plain; }

std::vector<std::uint8_t> InOrder(std::vector<std::uint8_t> data, Order order) {
    switch (order) {
        case Order::Same: return data;
        case Order::ReversedHalves: return test::SwapHalves(std::move(data));
        case Order::SwappedWords: return test::SwapWords(std::move(data));
    }
    return data;
}

class KnownAnswerTest : public ::testing::TestWithParam<KnownAnswer> {};

TEST_P(KnownAnswerTest, EncryptsDecryptsInPlaceAndInBulk) {
    const KnownAnswer& v = GetParam();
    auto key = FromHex(v.key);
    if (v.keyWordsSwapped) key = test::SwapWords(key);
    const auto plain = InOrder(FromHex(v.plain), v.dataOrder);
    const auto expected = InOrder(FromHex(v.cipher), v.dataOrder);
    auto cipher = MakeGroupCipher(static_cast<int>(v.algorithm), key);
    ASSERT_NE(cipher, nullptr);

    auto block = plain;
    cipher->Encrypt(block);
    EXPECT_EQ(ToHex(block), ToHex(expected));
    cipher->Decrypt(block);
    EXPECT_EQ(ToHex(block), ToHex(plain));

    // 19 copies cover the multi-block paths (pairs and runs of eight) and
    // their leftovers: every group must come out the same.
    std::vector<std::uint8_t> bulk;
    for (int i = 0; i < 19; ++i) bulk.insert(bulk.end(), plain.begin(), plain.end());
    cipher->Encrypt(bulk);
    for (int i = 0; i < 19; ++i) {
        EXPECT_EQ(ToHex(std::span(bulk).subspan(8 * i, 8)), ToHex(expected)) << "group " << i;
    }
    cipher->Decrypt(bulk);
    for (int i = 0; i < 19; ++i) EXPECT_EQ(ToHex(std::span(bulk).subspan(8 * i, 8)), ToHex(plain));
}

std::string VectorName(const ::testing::TestParamInfo<KnownAnswer>& info) {
    return std::string(kAlgorithms[static_cast<int>(info.param.algorithm)].messageName) + "_" +
           std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Published, KnownAnswerTest, ::testing::ValuesIn(kKnownAnswers), VectorName);

}  // namespace
}  // namespace pelorin

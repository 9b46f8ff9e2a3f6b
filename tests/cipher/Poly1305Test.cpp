// Poly1305's published answers (RFC 8439 section 2.5.2 and appendix A.3,
// whose later vectors aim at the carries and the final reduction), given in
// one piece and byte by byte.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "TestHex.h"
#include "cipher/Poly1305.h"
#include "cipher/Rfc8439Texts.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;

struct MacAnswer {
    const char* name;
    const char* key;  // r || s
    std::vector<std::uint8_t> message;
    const char* tag;
};

const MacAnswer kMacAnswers[] = {
    {"2.5.2", "85d6be7857556d337f4452fe42d506a80103808afb0db2fd4abff6af4149f51b",
     Bytes("Cryptographic Forum Research Group"), "a8061dc1305136c6c22b8baf0c0127a9"},
    {"A.3 #1", "0000000000000000000000000000000000000000000000000000000000000000", std::vector<std::uint8_t>(64),
     "00000000000000000000000000000000"},
    {"A.3 #2", "0000000000000000000000000000000036e5f6b5c5e06070f0efca96227a863e", Bytes(test::kIetfSubmission),
     "36e5f6b5c5e06070f0efca96227a863e"},
    {"A.3 #3", "36e5f6b5c5e06070f0efca96227a863e00000000000000000000000000000000", Bytes(test::kIetfSubmission),
     "f3477e7cd95417af89a6b8794c310cf0"},
    {"A.3 #4", "1c9240a5eb55d38af333888604f6b5f0473917c1402b80099dca5cbc207075c0", Bytes(test::kJabberwocky),
     "4541669a7eaaee61e708dc7cbcc5eb62"},
    {"A.3 #5", "0200000000000000000000000000000000000000000000000000000000000000",
     FromHex("ffffffffffffffffffffffffffffffff"), "03000000000000000000000000000000"},
    {"A.3 #6", "02000000000000000000000000000000ffffffffffffffffffffffffffffffff",
     FromHex("02000000000000000000000000000000"), "03000000000000000000000000000000"},
    {"A.3 #7", "0100000000000000000000000000000000000000000000000000000000000000",
     FromHex("ffffffffffffffffffffffffffffffff f0ffffffffffffffffffffffffffffff 11000000000000000000000000000000"),
     "05000000000000000000000000000000"},
    {"A.3 #8", "0100000000000000000000000000000000000000000000000000000000000000",
     FromHex("ffffffffffffffffffffffffffffffff fbfefefefefefefefefefefefefefefe 01010101010101010101010101010101"),
     "00000000000000000000000000000000"},
    {"A.3 #9", "0200000000000000000000000000000000000000000000000000000000000000",
     FromHex("fdffffffffffffffffffffffffffffff"), "faffffffffffffffffffffffffffffff"},
    {"A.3 #10", "0100000000000000040000000000000000000000000000000000000000000000",
     FromHex("e33594d7505e43b90000000000000000 3394d7505e4379cd0100000000000000 00000000000000000000000000000000 "
             "01000000000000000000000000000000"),
     "14000000000000005500000000000000"},
    {"A.3 #11", "0100000000000000040000000000000000000000000000000000000000000000",
     FromHex("e33594d7505e43b90000000000000000 3394d7505e4379cd0100000000000000 00000000000000000000000000000000"),
     "13000000000000000000000000000000"},
};

std::span<const std::uint8_t, Poly1305::kKeySize> KeyOf(const std::vector<std::uint8_t>& key) {
    return std::span<const std::uint8_t, Poly1305::kKeySize>(key.data(), Poly1305::kKeySize);
}

TEST(Poly1305Test, PublishedAnswersWholeAndByteByByte) {
    for (const auto& answer : kMacAnswers) {
        SCOPED_TRACE(answer.name);
        const auto key = FromHex(answer.key);
        std::uint8_t tag[Poly1305::kTagSize];
        Poly1305 whole(KeyOf(key));
        whole.Update(answer.message).Final(tag);
        EXPECT_EQ(ToHex(tag), ToHex(FromHex(answer.tag)));

        Poly1305 pieces(KeyOf(key));
        for (const std::uint8_t byte : answer.message) pieces.Update(std::span(&byte, 1));
        pieces.Final(tag);
        EXPECT_EQ(ToHex(tag), ToHex(FromHex(answer.tag)));
        EXPECT_THROW(pieces.Final(tag), std::logic_error);
    }
}

}  // namespace
}  // namespace pelorin

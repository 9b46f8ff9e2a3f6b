#include "app_common/NameMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pelorin::DecodeNameMessage;
using pelorin::EncodeNameMessage;

TEST(NameMessage, NamesOfAnyCharactersComeBackAsTheyWent) {
    const std::vector<std::vector<std::string>> lists = {
        {},
        {"C:\\a b\\it's \xe2\x80\x9cso\xe2\x80\x9d.txt"},
        {"\xe5\x90\x8d\xe5\x89\x8d", "smile \xf0\x9f\x98\x80", "r\xc3\xa9sum\xc3\xa9", std::string(3000, 'x')},
        {"lone \xed\xa0\x80 surrogate"},  // a Windows name may hold one
    };
    for (const auto& names : lists) EXPECT_EQ(DecodeNameMessage(EncodeNameMessage(names)), names);
    EXPECT_EQ(EncodeNameMessage({"ab"}), std::string("PGN1\x01\0\0\0\x02\0\0\0ab", 14));
}

TEST(NameMessage, ARefusedMessageGivesNoNames) {
    const std::string good = EncodeNameMessage({"ab", "c"});
    const std::vector<std::string> refused = {
        "",
        good.substr(0, good.size() - 1),                       // cut short
        good + "x",                                            // something after the last name
        "PGN2" + good.substr(4),                               // another kind of message
        std::string("PGN1\x01\0\0\0\0\0\0\0", 12),             // an empty name
        std::string("PGN1\x01\0\0\0\x03\0\0\0a\0b", 15),       // a NUL inside a name
        std::string("PGN1\x01\0\0\0\x02\0\0\0\xc0\xaf", 14),   // an overlong form
        std::string("PGN1\x01\0\0\0\x01\0\0\0\xe2", 13),       // a sequence cut short
        std::string("PGN1\xff\xff\xff\xff", 8),                // more names than anyone hands over
        std::string("PGN1\x01\0\0\0\xff\xff\xff\x7f", 12),     // a name longer than the message
    };
    for (const auto& bytes : refused) EXPECT_FALSE(DecodeNameMessage(bytes)) << testing::PrintToString(bytes);
}

}  // namespace

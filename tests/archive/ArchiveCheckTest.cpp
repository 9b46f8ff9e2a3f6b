// What `pelorin test` finds: the pad bytes and lengths of classic archives,
// and every authenticated part of an archive of version 8, each fault with
// its byte.
#include <gtest/gtest.h>

#include "TestHex.h"
#include "archive/ArchiveCheck.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/WorkerPool.h"

namespace pelorin::archive {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Outcome = ArchiveCheck::Outcome;

constexpr const char* kPasskey = "passkey-0123456789";

Bytes Changed(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

ArchiveCheck Classic(const Bytes& bytes, const std::string& passkey = kPasskey) {
    test::FakeUi ui;
    test::FakeProgressView view;
    ProgressDialog progress(view, ui);
    ReaderState state;
    MemorySource source(bytes);
    return CheckClassicArchive(source, "x.pvb", test::Span(passkey), progress, ui, state);
}

TEST(ArchiveCheckTest, ClassicArchivesHaveTheirLengthsAndPadBytesChecked) {
    test::ArchiveOptions options;
    options.passkey = kPasskey;
    // "hello" is stored at 156: name length 9 bytes, name 9 (its pad byte
    // at 165), size 9, salt 8, data 9 (its pad byte at 191).
    const Bytes bytes = test::WriteTestArchive({{"a.txt", test::Span("hello")}, {"b", Bytes(40, 7)}}, options);
    options.encryptHeaders = false;
    const Bytes plain = test::WriteTestArchive({{"a.txt", test::Span("hello")}}, options);
    struct Case {
        const char* what;
        Bytes bytes;
        Outcome outcome;
        std::string fault;  // found in the first fault's text
        std::uint64_t offset;
    };
    const Case cases[] = {
        {"untouched", bytes, Outcome::Whole, "", 0},
        {"the name's pad byte", Changed(bytes, 165, bytes[165] ^ 0x40), Outcome::Damaged, "pad byte of the name", 156},
        {"the data's pad byte", Changed(bytes, 191, bytes[191] ^ 0x40), Outcome::Damaged, "pad byte of the data", 191},
        {"cut inside an entry", Bytes(bytes.begin(), bytes.end() - 3), Outcome::Damaged, "ends inside the data",
         bytes.size() - 3},
        {"a name length past the end", Changed(plain, 159, 0x7f), Outcome::Damaged, "name length", 156},
        {"the check value", Changed(bytes, 140, bytes[140] ^ 1), Outcome::WrongPasskey, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ArchiveCheck check = Classic(c.bytes);
        EXPECT_EQ(check.outcome, c.outcome);
        if (c.outcome != Outcome::Damaged) continue;
        ASSERT_FALSE(check.faults.empty());
        EXPECT_NE(check.faults[0].text.find(c.fault), std::string::npos) << check.faults[0].text;
        EXPECT_EQ(check.faults[0].offset, c.offset);
    }
    const ArchiveCheck whole = Classic(bytes);
    EXPECT_EQ(whole.entries, 2u);
    EXPECT_EQ(whole.bytes, 45u);
    EXPECT_EQ(Classic(bytes, "another passkey!!").outcome, Outcome::WrongPasskey);
}

TEST(ArchiveCheckTest, Version8HasEveryChunkAndItsEndRecordChecked) {
    const Bytes data = test::TestBytes(3 * kModernChunkSize, 4);
    const Bytes bytes = test::WriteModernTestArchive({{test::FileMetadata("f", data.size()), data}}, kPasskey);
    const std::size_t chunk1 = kModernHeaderSize + kEntryRecordHeadSize +
                               EncodeMetadata(test::FileMetadata("f", data.size())).size() + kModernTagSize +
                               kSealedChunkSize;
    ModernKeyRing ring;
    const auto check = [&](const Bytes& archive, const std::string& passkey = kPasskey) {
        test::FakeUi ui;
        test::FakeProgressView view;
        ProgressDialog progress(view, ui);
        MemorySource source(archive);
        return CheckModernArchive(source, test::Span(passkey), ring, JobWorkers(), progress);
    };
    const ArchiveCheck whole = check(bytes);
    EXPECT_EQ(whole.outcome, Outcome::Whole);
    EXPECT_EQ(whole.entries, 1u);
    EXPECT_EQ(whole.bytes, data.size());
    const ArchiveCheck changed = check(Changed(bytes, chunk1 + 9, bytes[chunk1 + 9] ^ 1));
    ASSERT_EQ(changed.faults.size(), 1u);
    EXPECT_EQ(changed.faults[0].offset, chunk1);
    const ArchiveCheck cut = check(Bytes(bytes.begin(), bytes.end() - 1));
    ASSERT_EQ(cut.faults.size(), 1u);
    EXPECT_NE(cut.faults[0].text.find("cut short"), std::string::npos);
    ModernKeyRing other;
    test::FakeUi ui;
    test::FakeProgressView view;
    ProgressDialog progress(view, ui);
    MemorySource source(bytes);
    EXPECT_EQ(CheckModernArchive(source, test::Span("wrong"), other, JobWorkers(), progress).outcome,
              Outcome::WrongPasskey);
}

}  // namespace
}  // namespace pelorin::archive

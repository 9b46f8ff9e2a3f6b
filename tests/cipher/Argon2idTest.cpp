// Argon2id's published answer (RFC 9106 section 5.3, with secret and
// associated data) and the archive format's worked example, which binds the
// derivation and keyed BLAKE2b to the version-8 archives: its KEK from the
// passkey, and its end and entry keys from the file key, with the labels the
// format gives. Lanes filled one after the other and by the worker pool give
// the same tag.
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <vector>

#include "TestHex.h"
#include "archive/WorkerPool.h"
#include "cipher/Argon2id.h"
#include "cipher/Blake2b.h"
#include "cipher/Bytes.h"

namespace pelorin {
namespace {

using test::Bytes;
using test::FromHex;
using test::ToHex;

std::vector<std::uint8_t> Repeated(std::uint8_t byte, std::size_t count) { return std::vector<std::uint8_t>(count, byte); }

struct DerivationAnswer {
    const char* name;
    std::vector<std::uint8_t> password;
    std::vector<std::uint8_t> salt;
    std::vector<std::uint8_t> secret;
    std::vector<std::uint8_t> associatedData;
    Argon2Cost cost;
    const char* tag;
};

const DerivationAnswer kDerivationAnswers[] = {
    {"RFC 9106 5.3", Repeated(0x01, 32), Repeated(0x02, 16), Repeated(0x03, 8), Repeated(0x04, 12), {3, 32, 4},
     "0d640df58d78766c08c037a34a8b53c9d01ef0452d75b65eb52520e96b01e659"},
    {"archive worked example, KEK", Bytes("correct horse \xe2\x98\x83"), FromHex("000102030405060708090a0b0c0d0e0f"),
     {}, {}, {1, 8192, 1},
     "e34e3d31a15997fc9c83b20e392bd0b6878e201761be1c2f5f155a145c92a9ba"},
};

TEST(Argon2idTest, PublishedAnswersInEveryVariantSequentialAndThroughTheWorkerPool) {
    SequentialRunner sequential;
    archive::WorkerPool pool(3);
    for (const Argon2Variant variant : SupportedArgon2Variants()) {
        for (const auto& answer : kDerivationAnswers) {
            SCOPED_TRACE(std::string(Argon2VariantName(variant)) + " " + answer.name);
            const Argon2Inputs inputs{answer.password, answer.salt, answer.secret, answer.associatedData};
            for (ParallelRunner* runner : {static_cast<ParallelRunner*>(&sequential), static_cast<ParallelRunner*>(&pool)}) {
                std::vector<std::uint8_t> tag(32);
                Argon2id(variant, inputs, answer.cost, tag, *runner);
                EXPECT_EQ(ToHex(tag), ToHex(FromHex(answer.tag)));
            }
        }
    }
}

// The worked example's keys below the KEK: BLAKE2b-256 keyed with the file
// key 20..3f over the label, then u64(i) and the entry salt for entry keys.
TEST(Argon2idTest, ArchiveWorkedExampleKeysFromTheFileKey) {
    const auto fileKey = FromHex("202122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f");
    struct EntryKey {
        const char* label;
        std::uint64_t index;
        std::uint8_t saltByte;
        const char* key;
    };
    const EntryKey keys[] = {
        {"pelorin-v8 meta", 0, 0xa0, "aa0ff0e7eb8ea5ab1297ee72755223bc6a5b5111088c5a085f205a932a711edd"},
        {"pelorin-v8 meta", 1, 0xa1, "8ebc1be576706d4fa46e6c0339cd987dfe8fc1f9ea818140ff4e5fb7674141de"},
        {"pelorin-v8 data", 1, 0xa1, "644009fe75e83cc2963476735f0ec9ec9844655dc4558b278fa057fb677e0fd2"},
        {"pelorin-v8 meta", 2, 0xa2, "5781cf7481acda15d95b9e89119a00bc9339a46f1f62e74ac6f98e35962a195c"},
        {"pelorin-v8 data", 2, 0xa2, "6c586bfc378e9439b464fcba597b93c5bf3e67c91083fb84f2ae85f4216791d0"},
    };
    for (const auto& entry : keys) {
        std::uint8_t index[8];
        bytes::StoreLe64(index, entry.index);
        std::vector<std::uint8_t> key(32);
        Blake2b mac(32, fileKey);
        mac.Update(Bytes(entry.label)).Update(index).Update(Repeated(entry.saltByte, 16));
        mac.Final(key);
        EXPECT_EQ(ToHex(key), ToHex(FromHex(entry.key))) << entry.label << " " << entry.index;
    }
    std::vector<std::uint8_t> endKey(32);
    Blake2bDigest(fileKey, Bytes("pelorin-v8 end"), endKey);
    EXPECT_EQ(ToHex(endKey), ToHex(FromHex("f69d2c15040de1359b6f5702865b0c75ef840b8dea33a2e57a434d9d736dc370")));
}

TEST(Argon2idTest, RefusesCostsAndSizesOutsideTheLimits) {
    SequentialRunner runner;
    const auto password = Bytes("pass");
    const auto salt = Repeated(7, 16);
    std::vector<std::uint8_t> tag(32);
    const Argon2Cost bad[] = {{0, 64, 1}, {1, 64, 0}, {1, 31, 4}, {1, 64, kArgon2MaxLanes + 1}};
    for (const auto& cost : bad) {
        EXPECT_THROW(Argon2id({password, salt}, cost, tag, runner), std::invalid_argument)
            << cost.passes << " " << cost.memoryKiB << " " << cost.lanes;
    }
    EXPECT_THROW(Argon2id({password, Repeated(7, 7)}, {1, 64, 1}, tag, runner), std::invalid_argument);
    std::vector<std::uint8_t> shortTag(3);
    EXPECT_THROW(Argon2id({password, salt}, {1, 64, 1}, shortTag, runner), std::invalid_argument);
    // The memory is counted in whole blocks, four slices per lane.
    EXPECT_EQ(Argon2MemoryBytes({1, 8191, 4}), std::uint64_t{8176} * 1024);
    EXPECT_EQ(Argon2MemoryBytes({3, 262144, 4}), std::uint64_t{256} << 20);
}

TEST(Argon2idTest, ReportsTheMemoryItCannotHaveAndLetsProgressStopIt) {
    SequentialRunner runner;
    const auto password = Bytes("pass");
    const auto salt = Repeated(7, 16);
    std::vector<std::uint8_t> tag(32);
    // 4 TiB, more than any test machine has: refused by Linux unless it
    // promises memory it does not have (then the passes would use it up), and
    // refused by the sanitizers' allocator with an error of its own.
    const bool certainToFail = [] {
#ifdef _WIN32
        return false;  // Wine may reserve it
#endif
        std::ifstream policy("/proc/sys/vm/overcommit_memory");
        int mode = -1;
        return static_cast<bool>(policy >> mode) && mode != 1;
    }();
#if defined(__SANITIZE_ADDRESS__)
    constexpr bool kSanitized = true;
#else
    constexpr bool kSanitized = false;
#endif
    if (certainToFail && !kSanitized) {
        try {
            Argon2id({password, salt}, {1, 0xfffffff0, 4}, tag, runner);
            ADD_FAILURE() << "4 TiB were allocated";
        } catch (const Argon2MemoryError& error) {
            EXPECT_EQ(error.bytes(), std::uint64_t{0xfffffff0} * 1024);
        }
    }
    std::vector<std::uint32_t> reports;
    EXPECT_THROW(Argon2id({password, salt}, {2, 64, 2}, tag, runner,
                          [&](std::uint32_t done, std::uint32_t total) {
                              reports.push_back(done);
                              EXPECT_EQ(total, 8u);
                              if (done == 5) throw std::runtime_error("stopped");
                          }),
                 std::runtime_error);
    EXPECT_EQ(reports, (std::vector<std::uint32_t>{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace pelorin

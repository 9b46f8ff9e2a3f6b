#pragma once

#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/ArchiveReader.h"
#include "archive/HeaderCheck.h"
#include "support/FakeUi.h"

namespace pelorin::test {

struct TestEntry {
    std::string name;
    std::vector<std::uint8_t> data;
};

struct ArchiveOptions {
    int algorithm = 1;
    bool encryptHeaders = true;
    bool hashPasskey = true;
    std::string passkey = "passkey-0123456789";
};

// Writes a version 7 archive the way the encryptor does.
std::vector<std::uint8_t> WriteTestArchive(const std::vector<TestEntry>& entries, const ArchiveOptions& options);

// Reads every entry back with the reader into memory. Messages go to `ui`.
struct ReadBack {
    bool opened = false;
    std::vector<TestEntry> entries;
    std::vector<archive::ReadOutcome> outcomes;
    bool damaged = false;
};
ReadBack ReadTestArchive(const std::vector<std::uint8_t>& bytes, const std::string& passkey, FakeUi& ui);

std::vector<std::uint8_t> Span(const std::string& text);

}  // namespace pelorin::test

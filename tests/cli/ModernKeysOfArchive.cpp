// Prints the KEK and the file key of an archive of version 8 opened with the
// passkey on the first line of a file, in hex, one per line: what the
// secret-residue test looks for in the tool's memory.
#include <fstream>
#include <iostream>
#include <string>

#include "archive/ModernKeys.h"
#include "archive/ModernOpening.h"
#include "archive/Streams.h"
#include "cipher/ParallelRunner.h"

namespace {

std::string Hex(std::span<const std::uint8_t> bytes) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (const auto byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pelorin;
    if (argc != 3) {
        std::cerr << "usage: pelorin_modern_keys ARCHIVE PASSKEY-FILE\n";
        return 2;
    }
    std::ifstream archive(argv[1], std::ios::binary);
    archive::ModernHeaderBytes bytes{};
    archive.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    std::string passkey;
    std::getline(std::ifstream(argv[2]), passkey);
    const auto parsed = archive::ParseModernHeader(bytes);
    if (!archive || !parsed.header) return 1;
    const std::span<const std::uint8_t> key(reinterpret_cast<const std::uint8_t*>(passkey.data()), passkey.size());
    SequentialRunner runner;
    const SecureBuffer kek = archive::DeriveKek(key, parsed.header->salt, parsed.header->cost, runner);
    SecureBuffer fileKey;
    if (!archive::UnwrapFileKey(kek.bytes(), *parsed.header, fileKey)) return 1;
    std::cout << Hex(kek.bytes()) << "\n" << Hex(fileKey.bytes()) << "\n";
    return 0;
}

// Writes the fuzz targets' seed corpora: small classic archives of several
// versions, algorithms and header settings, as the writer produces them;
// and, when a second folder is given, version-8 archives under the fuzz
// target's file key with every kind of record and metadata item.
#include <fstream>
#include <iostream>
#include <string>

#include "TestHex.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/WorkerPool.h"
#include "fuzz/ModernFuzzKey.h"

namespace {

using namespace pelorin;

void Save(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void ClassicSeeds(const std::string& folder) {
    int n = 0;
    for (int algorithm = 0; algorithm < 8; ++algorithm) {
        for (bool encrypt : {false, true}) {
            test::ArchiveOptions options;
            options.algorithm = algorithm;
            options.encryptHeaders = encrypt;
            options.hashPasskey = (algorithm % 2) == 0;
            options.passkey = "fuzz passkey!123";
            Save(folder + "/seed" + std::to_string(n++) + ".pvb",
                 test::WriteTestArchive({{"a.txt", test::Span("hello")},
                                         {"Sub\\b.bin", test::Span(std::string(40, 'x'))},
                                         {"empty", {}}},
                                        options));
        }
    }
}

void ModernSeeds(const std::string& folder) {
    archive::ModernWriterSeeds seeds;
    seeds.fileKey = fuzz::kModernFuzzFileKey;
    archive::EntryMetadata folderEntry = test::FolderMetadata("Work");
    folderEntry.time = archive::ModernTime{1765000000, 0};
    folderEntry.mode = 0755;
    archive::EntryMetadata text = test::FileMetadata("Work\\a.txt", 13);
    text.time = archive::ModernTime{-1, 999999999};
    text.attributes = 0x21;
    archive::EntryMetadata two = test::FileMetadata("Work\\two chunks", archive::kModernChunkSize + 9);
    const std::vector<test::ModernTestEntry> entries = {
        {folderEntry, {}},
        {text, test::Span("hello, world\n")},
        {test::FileMetadata("Work\\empty", 0), {}},
        {two, test::TestBytes(archive::kModernChunkSize + 9, 5)},
    };
    const auto whole = test::WriteModernTestArchive(entries, "fuzz", &seeds);
    Save(folder + "/entries.pvb", whole);
    Save(folder + "/no-entries.pvb", test::WriteModernTestArchive({}, "fuzz", &seeds));
    Save(folder + "/one-folder.pvb", test::WriteModernTestArchive({entries[0]}, "fuzz", &seeds));
    // Items this version ignores (below 0x80) and one it cannot understand.
    const std::vector<std::uint8_t> header(whole.begin(), whole.begin() + archive::kModernHeaderSize);
    const std::vector<std::uint8_t> items = {1, 1, 0, 0, 2, 2, 0, 'x', 'y', 0x40, 1, 0, 7, 0x81, 0, 0};
    std::vector<std::uint8_t> crafted = header;
    const auto record = test::SealedEntryRecord(fuzz::kModernFuzzFileKey, 0, items);
    crafted.insert(crafted.end(), record.begin(), record.end());
    Save(folder + "/unknown-items.pvb", crafted);
    // The metadata items alone, for the decoder.
    Save(folder + "/items", items);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: pelorin_fuzz_seeds CLASSIC-FOLDER [VERSION-8-FOLDER]\n";
        return 2;
    }
    ClassicSeeds(argv[1]);
    if (argc == 3) ModernSeeds(argv[2]);
    return 0;
}

// Writes the fuzz target's seed corpus: small archives of several versions,
// algorithms and header settings, as the writer produces them.
#include <fstream>
#include <iostream>
#include <string>

#include "archive/ArchiveTestSupport.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: pelorin_fuzz_seeds FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    int n = 0;
    for (int algorithm = 0; algorithm < 8; ++algorithm) {
        for (bool encrypt : {false, true}) {
            pelorin::test::ArchiveOptions options;
            options.algorithm = algorithm;
            options.encryptHeaders = encrypt;
            options.hashPasskey = (algorithm % 2) == 0;
            options.passkey = "fuzz passkey!123";
            const auto bytes = pelorin::test::WriteTestArchive(
                {{"a.txt", pelorin::test::Span("hello")},
                 {"Sub\\b.bin", pelorin::test::Span(std::string(40, 'x'))},
                 {"empty", {}}},
                options);
            std::ofstream out(folder + "/seed" + std::to_string(n++) + ".pvb", std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
    }
    return 0;
}

#include "archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>

#include "archive/ArchiveStart.h"
#include "archive/ArchiveWriter.h"
#include "archive/EntryNames.h"
#include "archive/Streams.h"

namespace pelorin::test {

std::vector<std::uint8_t> Span(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> WriteTestArchive(const std::vector<TestEntry>& entries, const ArchiveOptions& options) {
    archive::MemorySink sink;
    archive::ArchiveHeader header;
    header.algorithm = static_cast<std::uint8_t>(options.algorithm);
    header.encryptedHeaders = options.encryptHeaders ? 1 : 0;
    header.hashedPasskey = options.hashPasskey ? 1 : 0;
    const auto passkey = Span(options.passkey);
    archive::ArchiveSalt salt = {9, 8, 7, 6, 5, 4, 3, 2};
    EXPECT_TRUE(archive::WriteArchiveStart(sink, header, salt, passkey));
    FakeUi ui;
    FakeProgressView view;
    ProgressDialog progress(view, ui);
    for (const auto& entry : entries) {
        EXPECT_TRUE(archive::WriteEntryName(sink, entry.name, options.encryptHeaders, passkey));
        archive::MemorySource source(entry.data);
        EntrySalt salt{};
        EXPECT_TRUE(archive::DrawEntrySalt(salt));
        archive::ArchiveWriter writer(source, sink, passkey, options.encryptHeaders,
                                      options.hashPasskey ? PasskeyHashing::On : PasskeyHashing::Off, salt);
        writer.Run(options.algorithm, progress, ui);
    }
    return sink.bytes();
}

ReadBack ReadTestArchive(const std::vector<std::uint8_t>& bytes, const std::string& passkeyText, FakeUi& ui) {
    ReadBack result;
    const auto passkey = Span(passkeyText);
    archive::MemorySource source(bytes);
    archive::ReaderState state;
    FakeProgressView view;
    ProgressDialog progress(view, ui);
    const auto opened = archive::CheckArchiveHeader(source, "C:\\dir\\test.pvb", archive::HeaderCheckForm::Decrypting,
                                                    ui, state);
    if (!opened) return result;
    result.opened = true;
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, passkey, state);
        if (!name.name) {
            result.damaged = true;
            break;
        }
        archive::MemorySink output;
        archive::ArchiveReader reader(source, output, passkey, archive::HeadersEncrypted(opened->header),
                                      archive::EntryFraming::Archive, archive::EntryHashing(opened->header));
        const auto outcome = reader.Run(opened->header.algorithm, progress, ui, state);
        result.entries.push_back({*name.name, output.bytes()});
        result.outcomes.push_back(outcome);
        if (outcome == archive::ReadOutcome::Truncated || outcome == archive::ReadOutcome::KeyTooShort) break;
    }
    return result;
}

}  // namespace pelorin::test

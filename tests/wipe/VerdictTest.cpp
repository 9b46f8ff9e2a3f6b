// The verdict of each kind of volume, over a made-up probe; the erasure
// report's text.
#include <gtest/gtest.h>

#include <map>

#include "app_common/JsonText.h"
#include "wipe/ErasureReport.h"
#include "wipe/VolumeVerdict.h"

namespace pelorin::wipe {
namespace {

using platform::Medium;
using platform::TrimOutcome;
using platform::TrimResult;
using platform::VolumeFacts;

// Volumes by their mount folder; a name is on the volume whose folder
// begins it.
class FakeProbe final : public VolumeProbe {
public:
    std::optional<std::uint64_t> VolumeOf(const std::string& path) override {
        std::uint64_t number = 0;
        for (const auto& [folder, facts] : volumes) {
            ++number;
            if (path.rfind(folder, 0) == 0) return number;
        }
        return std::nullopt;
    }
    std::optional<VolumeFacts> Facts(const std::string& path) override {
        ++factsAsked;
        for (const auto& [folder, facts] : volumes) {
            if (path.rfind(folder, 0) == 0) return facts;
        }
        return std::nullopt;
    }
    TrimOutcome Trim(const std::string& root) override {
        trimmed.push_back(root);
        return answer;
    }

    std::map<std::string, VolumeFacts> volumes;
    TrimOutcome answer;
    std::vector<std::string> trimmed;
    int factsAsked = 0;
};

VolumeFacts Facts(const char* system, Medium medium, std::optional<bool> discards = std::nullopt,
                  const char* mode = "", const char* backing = "") {
    VolumeFacts facts;
    facts.fileSystem = system;
    facts.medium = medium;
    facts.discards = discards;
    facts.dataMode = mode;
    facts.backingFile = backing;
    facts.mountPoint = "/v/";
    return facts;
}

TEST(VerdictTest, EachMediumAndKindOfFileSystemInOneSentence) {
    const std::string noRoot = "only the administrator may trim a volume";
    struct Case {
        VolumeFacts facts;
        TrimOutcome answer;  // what the system says when asked to trim
        bool asked;          // whether it is asked
        const char* trim;
        const char* sentence;
    };
    const Case cases[] = {
        {Facts("ext4", Medium::Rotational, false, "ordered"), {}, false, "not-applicable",
         "overwritten in place on a spinning disk"},
        {Facts("ext4", Medium::SolidState, true, "ordered"), {TrimResult::Done, "", 4096}, true, "done",
         "overwritten; a solid-state drive may keep old copies in cells the computer cannot reach: free space was "
         "trimmed"},
        {Facts("tmpfs", Medium::Memory), {}, false, "not-applicable",
         "tmpfs: nothing of it was ever on a disk, unless the system moved it to its swap space"},
        {Facts("btrfs", Medium::SolidState, true), {TrimResult::NotPermitted, noRoot, 0}, true, "not-permitted",
         "copy-on-write file system (btrfs): overwriting does not reach the old blocks; the solid-state drive under "
         "it may keep old copies too; free space was not trimmed, since only the administrator may trim a volume"},
        {Facts("ext4", Medium::Virtual, false, "journal", "/img/disk.img"), {}, false, "unsupported",
         "ext4 journals data (data=journal): overwritten in place, but the journal may still hold copies of the old "
         "contents; free space was not trimmed, since the disk takes no TRIM"},
        {Facts("ext2", Medium::Virtual, true, "", "/img/disk.img"), {TrimResult::Done, "", 1}, true, "done",
         "overwritten in place on a disk image file (a loop device): the file system that holds the image decides "
         "whether old copies stay; free space was trimmed"},
        {Facts("xfs", Medium::Virtual, true), {TrimResult::Done, "", 1}, true, "done",
         "overwritten in place on a virtual disk: the host behind it decides whether old copies stay; free space "
         "was trimmed"},
        {Facts("f2fs", Medium::SolidState), {TrimResult::Failed, "Input/output error", 0}, true, "failed",
         "log-structured file system (f2fs): overwriting does not reach the old blocks; the solid-state drive "
         "under it may keep old copies too; trimming the free space failed (Input/output error)"},
        {Facts("nfs4", Medium::Network), {}, false, "not-applicable",
         "network file system (nfs4): overwritten on the server, whose disks this computer cannot see"},
        {Facts("fuse.sshfs", Medium::Network), {}, false, "not-applicable",
         "network file system (fuse.sshfs): overwritten on the server, whose disks this computer cannot see"},
        {Facts("fuse.encfs", Medium::Unknown),
         {TrimResult::Unsupported, "the disk or its file system takes no TRIM", 0}, true, "unsupported",
         "FUSE file system (fuse.encfs): the program behind it decides where the bytes land; free space was not "
         "trimmed, since the disk or its file system takes no TRIM"},
        {Facts("NTFS", Medium::Unknown), {TrimResult::Unsupported, "this system has no defrag.exe", 0}, true,
         "unsupported",
         "overwritten in place; what kind of disk holds it could not be told; free space was not trimmed, since "
         "this system has no defrag.exe"},
        {Facts("vxfs", Medium::Rotational, false), {}, false, "not-applicable",
         "unknown file system (vxfs): whether overwriting reaches the old blocks cannot be told"},
        {Facts("ext4", Medium::Memory, false), {}, false, "not-applicable",
         "overwritten in place on a RAM disk: nothing of it was ever on a disk"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.facts.fileSystem + " on " + MediumName(c.facts.medium));
        FakeProbe probe;
        probe.volumes["/v/"] = c.facts;
        probe.answer = c.answer;
        VolumeVerdicts verdicts(probe);
        const VolumeVerdict& verdict = verdicts.TrimAfterFreeSpaceWipe("/v/");
        EXPECT_EQ(probe.trimmed, c.asked ? std::vector<std::string>{"/v/"} : std::vector<std::string>{});
        EXPECT_STREQ(TrimName(verdict.trim.result), c.trim);
        EXPECT_EQ(verdict.Sentence(), c.sentence);
    }
}

// Found once per volume; a file job says nothing of TRIM but what the file
// system does on deletion, and counts the files an overwrite does not reach.
TEST(VerdictTest, OncePerVolumeWithWhatFileWipesMeet) {
    FakeProbe probe;
    VolumeFacts ssd = Facts("NTFS", Medium::SolidState, true);
    ssd.mountDiscards = true;
    ssd.mountPoint = "C:\\";
    VolumeFacts disk = Facts("FAT32", Medium::Rotational, false);
    disk.mountPoint = "D:\\";
    probe.volumes["C:\\"] = ssd;
    probe.volumes["D:\\"] = disk;
    ErasureRecord record(probe);
    record.Job(kFilesJob, "C:\\a.txt", 3, PatternCycle::ThreeWay, true).tally.bytesVerified = 5;
    record.Job(kFilesJob, "C:\\b\\c.txt", 3, PatternCycle::ThreeWay, true).tally.bytesVerified += 7;
    record.Job(kFilesJob, "D:\\d.txt", 3, PatternCycle::ThreeWay, true);
    platform::FileStatus compressed;
    compressed.compressed = true;
    record.NotReached("C:\\b\\c.txt", StorageNote(compressed), record.verdicts.Of("C:\\b\\c.txt"));
    record.verdicts.FreeSpaceWipeUnfinished("D:\\", "the wipe was stopped, so nothing was trimmed");
    EXPECT_EQ(probe.factsAsked, 2);
    ASSERT_EQ(record.jobs.size(), 2u);
    EXPECT_EQ(record.jobs[0].tally.bytesVerified, 12u);
    EXPECT_EQ(record.verdicts.Of("C:\\").Sentence(),
              "overwritten; a solid-state drive may keep old copies in cells the computer cannot reach; the file "
              "system tells the disk at once which blocks a deletion freed; 1 file was compressed, encrypted or "
              "sparse, and overwriting does not reach the old clusters of such files");
    EXPECT_EQ(record.verdicts.Of("D:\\").Sentence(),
              "overwritten in place on a spinning disk; the wipe was stopped, so nothing was trimmed");
    EXPECT_EQ(StorageNote(platform::FileStatus{}), "");
    EXPECT_EQ(VerdictMessage(record),
              std::string(kVerdictHeading) + "\n\nC:\\: " + record.verdicts.Of("C:\\").Sentence() + ".\nD:\\: " +
                  record.verdicts.Of("D:\\").Sentence() + ".\n\nC:\\b\\c.txt " + StorageNote(compressed) + ".\n");
    EXPECT_EQ(PatternNames(PatternCycle::FourWay, 7),
              (std::vector<std::string>{"0x00", "0xFF", "random", "complement"}));
    EXPECT_EQ(PatternNames(PatternCycle::ThreeWay, 2), (std::vector<std::string>{"0x00", "0xFF"}));
}

TEST(ErasureReportTest, AnyBytesMakeValidJsonStrings) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"line\nfeed\ttab\x01\x1b[31m\x7f", "\"line\\nfeed\\ttab\\u0001\\u001b[31m\\u007f\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x91", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x91\""},
        {"\xff", "\"\\ufffd\""},
        {"\xc0\xaf", "\"\\ufffd\\ufffd\""},          // overlong
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},  // a surrogate
        {"\xe2\x82", "\"\\ufffd\\ufffd\""},           // cut short
        {"\xf4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // beyond U+10FFFF
        {std::string("nul\0end", 7), "\"nul\\u0000end\""},
    };
    for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), json) << json;
}

TEST(ErasureReportTest, NamesAreWithheldUnlessAskedFor) {
    FakeProbe probe;
    probe.volumes["/v/"] = Facts("ext4", Medium::Rotational, false, "ordered");
    ErasureRecord record(probe);
    ErasureJob& job = record.Job(kFilesJob, "/v/secret-plans.txt", 2, PatternCycle::FourWay, true);
    job.tally = {8192, 4096, 0, 1};
    record.Left("/v/secret-salaries.txt", "is in use by another program; not deleted");
    // A volume that cannot be told is known only by the name asked about.
    record.Job(kSlackJob, "/elsewhere/secret-notes.txt", 2, PatternCycle::FourWay, false);
    ReportHeader header;
    header.version = "9.9";
    header.command = {"wipe-file", "--verify", "--", kWithheldName};
    header.exitStatus = 1;
    const std::string withheld = ReportJson(header, record);
    EXPECT_EQ(withheld.rfind(kReportOpening, 0), 0u);
    EXPECT_EQ(withheld.find("secret"), std::string::npos);
    for (const char* field : {"\"version\": \"9.9\"", "\"exit_status\": 1", "\"names\": \"withheld\"",
                              "\"filesystem\": \"ext4\"", "\"data_mode\": \"ordered\"", "\"medium\": \"rotational\"",
                              "\"trim\": \"not-applicable\"", "\"kind\": \"files\"",
                              "\"patterns\": [\"0x00\", \"0xFF\"]",
                              "\"bytes_overwritten\": 8192", "\"bytes_verified\": 4096", "\"verify_failures\": 0",
                              "\"files_overwritten\": 1", "{\"reason\": \"is in use by another program; not deleted\"}",
                              "\"command\": [\"wipe-file\", \"--verify\", \"--\", \"(withheld)\"]"}) {
        EXPECT_NE(withheld.find(field), std::string::npos) << field;
    }
    header.names = true;
    const std::string named = ReportJson(header, record);
    EXPECT_NE(named.find("{\"name\": \"/v/secret-salaries.txt\", \"reason\""), std::string::npos);
    EXPECT_NE(named.find("\"names\": \"included\""), std::string::npos);
    EXPECT_EQ(UtcTimestamp(std::chrono::system_clock::time_point(std::chrono::seconds(951782400 + 3661))),
              "2000-02-29T01:01:01Z");
}

}  // namespace
}  // namespace pelorin::wipe

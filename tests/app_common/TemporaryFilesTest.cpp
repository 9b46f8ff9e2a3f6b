#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "app_common/TemporaryFiles.h"
#include "platform/Folder.h"
#include "support/TempFolder.h"

namespace pelorin {
namespace {

#if !defined(_WIN32)

// A restore killed mid-way (the child ends without its destructors): the
// next start removes exactly the files the job made, overwritten, and
// nothing that merely looks like them: a salvage copy, a file of the user's
// that took a recorded file's name (and on ext4 its inode number). A file
// of exactly the job's names that it did not record (made as it was
// killed, or by someone else) is kept and named.
TEST(TemporaryFiles, ACleanupRemovesOnlyTheFilesTheKilledJobMade) {
    test::TempFolder state, folder;
    setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    const std::string names = folder.Path("names");
    const pid_t child = fork();
    if (child == 0) {
        JobTemporaries job;
        std::string list;
        const auto make = [&](bool record) {
            const std::string name = job.NameIn(folder.Prefix());
            platform::OpenOptions create;
            create.write = create.create = create.exclusive = true;
            platform::File file = platform::File::Open(name, create);
            file.Write("plaintext", 9);
            if (record) job.Made(name, file);
            list += name + "\n";
        };
        make(true);   // made and recorded: a leftover
        make(true);   // replaced below by the user's own file
        make(false);  // killed before its record
        job.NameIn(folder.Prefix());  // named, never made
        folder.Write("names", std::vector<std::uint8_t>(list.begin(), list.end()));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const auto bytes = folder.Read("names");
    std::vector<std::string> made;
    std::string line;
    for (const auto byte : bytes) {
        if (byte != '\n') {
            line += static_cast<char>(byte);
        } else {
            made.push_back(line);
            line.clear();
        }
    }
    ASSERT_EQ(made.size(), 3u);
    const std::string prefix = made[0].substr(0, made[0].rfind('-') + 1);  // ".../pelorin-<job>-"
    const std::vector<std::string> userFiles = {made[0] + " (copy)", prefix + "notes.odt", prefix + "7.tmp"};
    for (const auto& path : userFiles) folder.Write(path.substr(folder.Prefix().size()), {'u'});
    std::filesystem::remove(made[1]);
    folder.Write(made[1].substr(folder.Prefix().size()), {'u'});

    std::vector<std::string> kept;
    EXPECT_EQ(RemoveLeftoverTemporaries(&kept), std::vector<std::string>{made[0]});
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{made[2], userFiles[2]}));
    EXPECT_FALSE(std::filesystem::exists(made[0]));
    for (const auto& path : userFiles) EXPECT_EQ(folder.Read(path.substr(folder.Prefix().size())).size(), 1u) << path;
    EXPECT_EQ(folder.Read(made[1].substr(folder.Prefix().size())), std::vector<std::uint8_t>{'u'});
    EXPECT_TRUE(std::filesystem::exists(made[2]));
    // Settled: the next start finds nothing to say.
    EXPECT_TRUE(RemoveLeftoverTemporaries(&kept).empty());
    EXPECT_TRUE(kept.empty());
    unsetenv("XDG_STATE_HOME");
}

// A record fill killed mid-way leaves its folder of numbered records: the
// next start removes that very folder with them, but not a folder that took
// its name after it went.
TEST(TemporaryFiles, ACleanupRemovesAKilledRecordFillsFolderButNotOneInItsPlace) {
    test::TempFolder state, folder;
    setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    const std::string left = folder.Prefix() + "pel1.dir";
    const std::string replaced = folder.Prefix() + "pel2.dir";
    const pid_t child = fork();
    if (child == 0) {
        std::vector<FillJournalEntry> entries;
        for (const auto& path : {left, replaced}) {
            std::filesystem::create_directory(path);
            const auto opened = platform::Folder::Open(path);
            const auto birth = opened ? opened->Birth() : std::nullopt;
            auto entry = birth ? FillJournalEntry::Record(path, *birth) : std::nullopt;
            if (!entry) _exit(1);
            entries.push_back(std::move(*entry));
            for (const char* record : {"0", "1", "2"}) folder.Write(path.substr(folder.Prefix().size()) + "/" + record, {'r'});
        }
        _exit(0);  // killed: the entries stay
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::filesystem::remove_all(replaced);
    std::filesystem::create_directory(replaced);
    folder.Write("pel2.dir/0", {'u'});

    EXPECT_EQ(RemoveLeftoverTemporaries(), std::vector<std::string>{left});
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_EQ(folder.Read("pel2.dir/0"), std::vector<std::uint8_t>{'u'});
    unsetenv("XDG_STATE_HOME");
}

// Runs `job` in a child that ends without its destructors, as a killed job.
void KilledJob(const std::function<void()>& job) {
    const pid_t child = fork();
    if (child == 0) {
        job();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// The journal's entries name files to delete: one that another user could
// have written (an entry writable by others, a journal folder of another
// user's, as under a HOME inherited from them) is never read, and the file
// it names stays.
TEST(TemporaryFiles, OnlyAJournalOfTheUsersOwnIsRead) {
    test::TempFolder state, folder;
    setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    const std::string fill = folder.Path("pel1.tmp");
    const std::string journal = TemporaryFilesJournalFolder();
    const auto killedFill = [&] {
        KilledJob([&] {
            platform::OpenOptions create;
            create.write = create.create = create.exclusive = true;
            platform::File file = platform::File::Open(fill, create);
            const auto birth = file.Birth();
            auto entry = birth ? FillJournalEntry::Record(fill, *birth) : std::nullopt;
            if (!entry) _exit(1);
            _exit(0);
        });
    };
    killedFill();
    for (const auto& entry : std::filesystem::directory_iterator(journal)) chmod(entry.path().c_str(), 0666);
    EXPECT_TRUE(RemoveLeftoverTemporaries().empty());
    EXPECT_TRUE(std::filesystem::exists(fill));
    if (geteuid() == 0) {
        std::filesystem::remove_all(journal);
        std::filesystem::remove(fill);
        killedFill();
        ASSERT_EQ(chown(journal.c_str(), 65534, 65534), 0);
        std::string untrusted;
        EXPECT_TRUE(RemoveLeftoverTemporaries(nullptr, &untrusted).empty());
        EXPECT_EQ(untrusted, journal);
        EXPECT_TRUE(std::filesystem::exists(fill));
    }
    unsetenv("XDG_STATE_HOME");
}

// A job that restored thousands of files has a long entry: the file it was
// making when it was killed is found at its end and removed, not kept as
// one the job did not record.
TEST(TemporaryFiles, ACleanupReadsAJobsWholeEntry) {
    test::TempFolder state, folder;
    setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    KilledJob([&] {
        JobTemporaries job;
        for (int n = 0; n < 800; ++n) {
            const std::string name = job.NameIn(folder.Prefix());
            platform::OpenOptions create;
            create.write = create.create = create.exclusive = true;
            platform::File file = platform::File::Open(name, create);
            job.Made(name, file);
            if (n < 799) std::filesystem::remove(name);  // restored: it took its own name
        }
        _exit(0);
    });
    std::vector<std::string> kept;
    EXPECT_EQ(RemoveLeftoverTemporaries(&kept).size(), 1u);
    EXPECT_TRUE(kept.empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
    unsetenv("XDG_STATE_HOME");
}

#endif


}  // namespace
}  // namespace pelorin

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "encrypt_app/EncryptDialogModel.h"
#include "platform/Settings.h"
#include "wipe/ProgramWipes.h"

namespace pelorin::encrypt {

inline constexpr int kExitDone = 0;
inline constexpr int kExitNoFiles = 5;
inline constexpr int kExitArchiveNotWritable = 45;
inline constexpr const char* kSkippedTemporaryName = "pelorin.tmp";
inline constexpr const char* kDeletingFileStatus = "Deleting file...";
inline constexpr const char* kRemovingDirectoryStatus = "Removing directory...";
inline constexpr int kArchiveVersion = 7;
// The status of a file of a version-8 archive read again after it changed.
inline constexpr const char* kReadAgainStatusEnding = " (it changed while it was read: read again)";

// The encryptor's questions, answered by the Windows dialogs, the pelorin
// tool's options or a test.
class EncryptUi : public Ui {
public:
    // Started without files: the no-files dialog (the job then ends with 5).
    virtual void ShowNoFilesDialog() = 0;
    // The main dialog over `model` (initial algorithm and delete choice are
    // set); its OK runs model.ValidateOk. False for Cancel.
    virtual bool RunEncryptDialog(EncryptDialogModel& model) = 0;
    // How the job tells what it could not do for a named item (not stored,
    // not wiped): false, each as a message of its own as it happens (the
    // tool's lines); true, all of them in one message when the job ends.
    virtual bool ListsNotDoneAtEnd() const { return false; }
    // A source was stored and then overwritten and deleted: from now on the
    // archive being written is its only copy.
    virtual void SourceDeleted(const std::string& /*path*/) {}
};

// The one message at the end: each item's text, a blank line apart (a
// screenful; then how many more).
inline constexpr const char* kNotDoneHeading = "Some of what was dropped was not encrypted, or not deleted:";
inline constexpr std::size_t kNotDoneShown = 8;
std::string NotDoneListText(const std::vector<std::string>& texts);

// The whole encryptor job for the dropped names in `arguments`: returns the
// process exit status (0 done or declined, 4 done but something named was
// not stored or not wiped, each reported, 5 no files, 45 the archive could
// not be created or written). A confirmed cancel ends it by JobExit (1).
// `archivePath`, when given, receives the archive's name once chosen.
int RunEncryptJob(const std::vector<std::string>& arguments, EncryptUi& ui, ProgressView& view,
                  platform::SettingsStore& settings, std::string* archivePath = nullptr);

std::string ArchiveNotWritableText(const std::string& archivePath);
// What a stopped job leaves: its archive without an end, which may be the
// only copy of the sources already deleted.
std::string StoppedArchiveText(const std::string& archivePath, std::size_t sourcesDeleted);
std::string NotFoundText(const std::string& name);
std::string NotOpenedText(const std::string& name);
std::string TooLargeText(const std::string& name);
std::string ReadIncompletelyText(const std::string& name);
std::string ArchiveWriteFailedText(const std::string& archivePath);
std::string NameCannotComeBackText(const std::string& name);
std::string NameOutsideCodePageText(const std::string& name, unsigned codePage);
std::string NotLookedAtText(const std::string& name);
std::string ChangedWhileStoredText(const std::string& name);
// Archives of algorithm 9: a name that is not UTF-8, a source that changed
// twice while it was stored, the key derivation's memory.
std::string NotUtf8NameText(const std::string& name);
std::string ChangedTwiceText(const std::string& name);
std::string KdfMemoryText(std::uint64_t bytes);
std::string SkippedTemporaryText(const std::string& name);
std::string LinkNotFollowedText(const std::string& name);
std::string NotAFileText(const std::string& name);
std::string NothingStoredText(const std::string& archivePath);
std::string NoRandomSourceText(const std::string& name);
std::string DuplicateNameText(const std::string& name, const std::string& storedName);
std::string FolderNotReadText(const std::string& name, const std::string& reason);
std::string NotWipedSourceText(const std::string& name, const wipe::WipeResult& result);
std::string MountedInsideText(const std::string& name);
std::string ArchiveKeptBesideText(const std::string& chosen, const std::string& kept);

}  // namespace pelorin::encrypt

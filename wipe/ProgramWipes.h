#pragma once

#include <cstdint>
#include <string>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "platform/Folder.h"
#include "wipe/WipeTally.h"
#include "wipe/WipeTarget.h"

// The file wipes the programs carry themselves, each a configuration of the
// overwrite core. A write that fails or falls short counts as a failed
// delete: the file stays so that the user can try again.
namespace pelorin::wipe {

inline constexpr const char* kPassStatusPrefix = "Deleting file... Pass ";
inline constexpr const char* kInputWipeTempName = "pelodel.tmp";
inline constexpr int kDroppedFilePasses = 3;
inline constexpr int kDroppedFileProgressFull = 32000;
inline constexpr std::uint64_t kInputWipeMaxBlock = 100000;

// How far a wipe got, so that a message can say whether the file was
// overwritten: a user who reads "could not be deleted" of a file that is in
// fact overwritten may throw away the only copy left.
struct WipeResult {
    enum class Stage { Done, NotOverwritten, PartlyOverwritten, NotDeleted };
    Stage stage = Stage::Done;
    std::string reason;  // the system's or the check's words, when not done
    explicit operator bool() const { return stage == Stage::Done; }
};

// The encryptor's wipe of a source it has just encrypted: the pass count of
// its settings, patterns 0x00, 0xFF, random by pass mod 3, cluster-rounded,
// flushed per pass. A file another program has open is not overwritten.
// Shows nothing itself.
WipeResult WipeSourceFile(const std::string& fileName, int passes, ProgressDialog& progress);

// The decryptor's wipe of an archive it has just read, through the handle
// it read it with (opened for reading and writing), so that only that file
// is ever overwritten. `asRead` is the file as it was read: its identity,
// the length read to its end and its time of last change; a file that
// differs now was changed meanwhile and is left as it is. Its name is
// renamed to "pelodel.tmp" first and removed only while it still leads to
// the file; a name that leads to another file by now is left alone (the
// archive itself is then overwritten only when no name leads to it any
// more). The file is overwritten over its exact length with fresh random
// blocks. Every refusal (changed, renamed or replaced, other names, not
// removable, held by another job of the suite, open in another program) is
// reported and leaves the file as it is; a file that grew while it was
// overwritten keeps what was added and is not deleted. True when the file
// was overwritten and deleted.
bool WipeInputFile(platform::File& file, const std::string& fileName, const platform::FileStatus& asRead, int passes,
                   ProgressDialog& progress, Ui& ui);

// The block size of the decryptor's wipe for a file of `length` bytes.
std::uint64_t InputWipeBlockSize(std::uint64_t length);

// The Secure Delete program's wipe of a dropped file: 3 passes (the tool may
// ask for another count), the bar driven over 0..32000 per cluster, the name
// overwritten before the file is deleted. A file that another job of the
// suite holds is left alone. False when the file was not deleted; then
// `whyNot` (when given) says why, worded to follow the file's name.
bool WipeDroppedFile(const std::string& fileName, ProgressDialog& progress, Ui& ui,
                     int passes = kDroppedFilePasses, std::string* whyNot = nullptr);
// The same for a name in an open folder: nothing on the way to the file can
// change while it is checked, overwritten, renamed and deleted. With
// `verify` the last pass is read back from the disk first, and a file that
// does not read back as written is kept (said in a message). What was
// written and verified is added to `tally` (when given).
bool WipeDroppedFile(const platform::Folder& folder, const std::string& name, ProgressDialog& progress, Ui& ui,
                     int passes = kDroppedFilePasses, std::string* whyNot = nullptr, bool verify = false,
                     WipeTally* tally = nullptr);

std::string InputDeleteFailedText(const std::string& fileName);
std::string ChangedWhileReadText(const std::string& fileName);
std::string GrewWhileWipedText(const std::string& fileName);
// `overwritten`: the file that was read had no name left and was overwritten.
std::string NoLongerNamedText(const std::string& fileName, bool overwritten);
// A file a wipe refused before writing anything, and why.
std::string NotWipedText(const std::string& fileName, WipeRefusal refusal);
std::string NotWipedInUseText(const std::string& fileName);
std::string DroppedDeleteFailedText(const std::string& fileName);
std::string DroppedOverwriteFailedText(const std::string& fileName, const std::string& reason);
std::string DroppedNotAsWrittenText(const std::string& fileName);
inline constexpr const char* kNotFromDriveRootText = "does not start at a drive root (a network path, for one); not deleted";
inline constexpr const char* kDriveInformationText = "Could not retrieve drive information. Aborting file.";

}  // namespace pelorin::wipe

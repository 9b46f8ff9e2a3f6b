#pragma once

#include <string>

#include "app_common/OpenError.h"
#include "app_common/Ui.h"
#include "platform/File.h"

// The decryptor's message boxes about bad input, word for word, and the ones
// this reader adds for damaged archives and unsafe names. Each names its
// archive by the full path, so that archives of one name in several
// folders are told apart.
namespace pelorin::archive {

inline constexpr int kExitHeaderWarningDeclined = 2;

inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kNewerVersionEnding = "\" was created with a newer version of Pelorin.";
inline constexpr const char* kUnknownAlgorithmOpening = "The algorithm used to encrypt \"";
inline constexpr const char* kUnknownAlgorithmEnding = "\" is unknown.";
inline constexpr const char* kHeadersOpening = "It cannot be determined if \"";
// The probing and scanning forms keep the spelling users have always seen.
inline constexpr const char* kHeadersEndingScan = "\" used encrypted headres.";
inline constexpr const char* kHeadersEndingDecrypt = "\" used encrypted headers.";
inline constexpr const char* kLegacyRc4Notice =
    "The RC4 encryption used to encrypt this file has a serious implementation error in it that compromises its "
    "security. Please note that this is an implementation error, not an error in security. You should continue "
    "decrypting this file and then re-encrypt it with any version of Pelorin numbered 1.21 or later (which you most "
    "likely already have if you are getting this error message). Versions after 1.21 encrypt using the correct "
    "implementation of RC4 and are secure.";
inline constexpr const char* kUnknownFileTypeText = "Unknown file type.\nThe file may not have been decrypted correctly.";

// Warning box with Yes and No; true for Yes.
bool ContinueAnyway(Ui& ui, const std::string& text);
// The same; No ends the job with exit status 2 (JobExit).
void AskContinue(Ui& ui, const std::string& text);

using pelorin::OpenErrorReason;
using pelorin::ShowOpenError;

// The part of a path after its last separator.
std::string FileNamePart(const std::string& path);

// A damaged archive: reading it stops, and the user learns which one and why.
enum class Damage { ShortHeader, EndsInsideEntry, ImpossibleNameLength, UnknownAlgorithm, UnreadableFile };
void ShowDamagedArchive(Ui& ui, const std::string& archivePath, Damage damage);
std::string DamagedArchiveText(const std::string& archivePath, Damage damage);

// An entry whose name would leave the archive's folder: skipped when
// restoring, and not offered when the names are listed for choosing.
void ShowRefusedName(Ui& ui, const std::string& archivePath, const std::string& name);
std::string RefusedNameText(const std::string& archivePath, const std::string& name);
std::string NotOfferedNameText(const std::string& archivePath, const std::string& name);

// An entry that would replace one of the archives of the job: skipped.
void ShowProtectedOutput(Ui& ui, const std::string& archivePath, const std::string& name);
std::string ProtectedOutputText(const std::string& archivePath, const std::string& name);

// A second entry of one name: restored over the first, which the archive
// alone now holds.
void ShowReplacedEarlier(Ui& ui, const std::string& archivePath, const std::string& name);
std::string ReplacedEarlierText(const std::string& archivePath, const std::string& name);

// An entry the archive ends inside: what was read went to `keptAs` (empty
// when nothing could be read), and an existing `target` is left as it was.
void ShowIncompleteEntry(Ui& ui, const std::string& archivePath, const std::string& name, const std::string& target,
                         const std::string& keptAs, bool targetExisted);
std::string IncompleteEntryText(const std::string& archivePath, const std::string& name, const std::string& target,
                                const std::string& keptAs, bool targetExisted);

// A restore whose passkey could not be checked found `target` taken: the
// entry went to `placedAs` beside it, and the user learns both names.
void ShowRestoredBeside(Ui& ui, const std::string& sourcePath, const std::string& name, const std::string& target,
                        const std::string& placedAs);
std::string RestoredBesideText(const std::string& sourcePath, const std::string& name, const std::string& target,
                               const std::string& placedAs);

// An output the system did not take (a full volume, a name it refuses):
// the reason in the system's words, and where what was written is kept.
void ShowOutputFailed(Ui& ui, const std::string& name, const std::string& target, const std::string& reason,
                      const std::string& keptAs);
std::string OutputFailedText(const std::string& name, const std::string& target, const std::string& reason,
                             const std::string& keptAs);

// An unhashed archive (or import input) whose passkey is shorter than its
// cipher reads: nothing is deciphered from it.
void ShowPasskeyTooShort(Ui& ui, const std::string& archivePath, int algorithm);

}  // namespace pelorin::archive

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "app_common/Ui.h"
#include "decrypt_app/DecryptModels.h"
#include "platform/Settings.h"

namespace pelorin::decrypt {

inline constexpr int kExitDone = 0;
inline constexpr int kExitImportCancelled = 3;
inline constexpr const char* kScanningStatus = "Scanning encrypted archive for files... ";

// The questions asked before an archive is deleted that still held
// something: entries not chosen, or a restore whose passkey could not be
// checked.
std::string LeftOutQuestionText(const std::string& archivePath, std::size_t leftOut);
std::string UncheckedWipeQuestionText(const std::string& archivePath);

// The decryptor's questions, answered by its dialogs, the pelorin tool's
// options or a test.
class DecryptUi : public Ui {
public:
    // The main dialog over `model`; its OK runs model.ValidateOk. False for Cancel.
    virtual bool RunDecryptDialog(DecryptDialogModel& model) = 0;
    // One Choose Files dialog per archive: every name offered, all chosen at
    // first. False for Cancel.
    virtual bool RunChooseFiles(const std::string& archivePath, const std::vector<std::string>& names,
                                std::vector<std::string>& chosen) = 0;
    // Import mode, once per input: the algorithm and the leading bytes to
    // skip. False for Cancel.
    virtual bool RunImportOptions(const std::string& inputPath, int& algorithm, std::int64_t& padding) = 0;
    // After every archive's choice was made: false when the choices cannot
    // stand (the tool's --select names an entry no archive holds); nothing is
    // then restored or wiped.
    virtual bool ConfirmSelections() { return true; }

    // Before an archive is wiped of which `leftOut` entries were not chosen
    // (LeftOutQuestionText): true to wipe it all the same.
    virtual bool ConfirmWipeLeavingEntries(const std::string& archivePath, std::size_t leftOut) {
        return AskWarningDefaultNo(LeftOutQuestionText(archivePath, leftOut));
    }
    // Before an archive is wiped whose passkey could not be checked (it
    // carries no check value; UncheckedWipeQuestionText): true to wipe it.
    virtual bool ConfirmWipeUnchecked(const std::string& archivePath) {
        return AskWarningDefaultNo(UncheckedWipeQuestionText(archivePath));
    }

protected:
    // A Yes/No question about losing data, with No as its default answer.
    virtual bool AskWarningDefaultNo(const std::string& text) {
        return AskYesNo(text, std::nullopt, MessageIcon::Warning);
    }
};

// The decryptor's job over the archives (full paths): probe, main dialog,
// scanning pass with the Choose Files dialogs, decrypting pass, wiping of
// the archives restored completely. An archive is wiped only through the
// handle that read it, only when it did not change while it was read, and
// only after asking when entries of it were not chosen or its passkey could
// not be checked. Returns 0, 3 (import cancelled) or 4 (done, but something
// was not restored or an archive asked to be deleted was kept: an archive
// under another passkey, a damaged or changed one, an entry refused or
// incomplete, a deletion declined); a file that cannot be opened (1), a
// confirmed cancel (1) and a header warning answered No (2) end it by
// JobExit.
int RunDecryptJob(const std::vector<std::string>& archives, bool importMode, DecryptUi& ui, ProgressView& view,
                  platform::SettingsStore& settings);

std::string WrongPasskeyText(const std::string& archivePath);
// Import mode was given an archive of version 8.
std::string ModernNotImportInputText(const std::string& inputPath);
// A classic archive given a passkey longer than it takes (127 bytes).
std::string PasskeyTooLongForText(const std::string& archivePath);

}  // namespace pelorin::decrypt

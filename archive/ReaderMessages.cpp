#include "archive/ReaderMessages.h"

#include "app_common/JobExit.h"
#include "cipher/Algorithm.h"

namespace pelorin::archive {

bool ContinueAnyway(Ui& ui, const std::string& text) {
    const std::string message = "A fatal error occurred:\n" + text +
                                "\nThe file may decrypt incorrectly.\n\nDo you want to continue anyway?";
    return ui.AskYesNo(message, kErrorCaption, MessageIcon::Warning);
}

void AskContinue(Ui& ui, const std::string& text) {
    if (!ContinueAnyway(ui, text)) throw JobExit(kExitHeaderWarningDeclined);
}

std::string FileNamePart(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string DamagedArchiveText(const std::string& archivePath, Damage damage) {
    const char* why = "";
    switch (damage) {
        case Damage::ShortHeader: why = "it is shorter than its header"; break;
        case Damage::EndsInsideEntry: why = "it ends inside an entry"; break;
        case Damage::ImpossibleNameLength: why = "an entry name has an impossible length"; break;
        case Damage::UnknownAlgorithm: why = "its algorithm is unknown"; break;
        case Damage::UnreadableFile: why = "it could not be read"; break;
    }
    return "The archive \"" + archivePath + "\" is damaged: " + why +
           ".\nNothing more is read from it.";
}

void ShowDamagedArchive(Ui& ui, const std::string& archivePath, Damage damage) {
    ui.ShowMessage(DamagedArchiveText(archivePath, damage), kErrorCaption, MessageIcon::Warning);
}

std::string RefusedNameText(const std::string& archivePath, const std::string& name) {
    return "The entry \"" + name + "\" in \"" + archivePath +
           "\" would be written outside the archive's folder.\nIt is skipped.";
}

void ShowRefusedName(Ui& ui, const std::string& archivePath, const std::string& name) {
    ui.ShowMessage(RefusedNameText(archivePath, name), kErrorCaption, MessageIcon::Warning);
}

std::string NotOfferedNameText(const std::string& archivePath, const std::string& name) {
    return "The entry \"" + name + "\" in \"" + archivePath +
           "\" would be written outside the archive's folder.\nIt is not offered for restoring.";
}

std::string ProtectedOutputText(const std::string& archivePath, const std::string& name) {
    return "The entry \"" + name + "\" in \"" + archivePath +
           "\" would replace an archive that is being restored.\nIt is skipped.";
}

void ShowProtectedOutput(Ui& ui, const std::string& archivePath, const std::string& name) {
    ui.ShowMessage(ProtectedOutputText(archivePath, name), kErrorCaption, MessageIcon::Warning);
}

std::string ReplacedEarlierText(const std::string& archivePath, const std::string& name) {
    return "\"" + archivePath + "\" holds more than one entry named \"" + name +
           "\". The later one replaced the earlier one on disk, so the earlier is kept only in the archive, which is "
           "not deleted.";
}

void ShowReplacedEarlier(Ui& ui, const std::string& archivePath, const std::string& name) {
    ui.ShowMessage(ReplacedEarlierText(archivePath, name), std::nullopt, MessageIcon::Exclamation);
}

std::string IncompleteEntryText(const std::string& archivePath, const std::string& name, const std::string& target,
                                const std::string& keptAs, bool targetExisted) {
    std::string text = "\"" + name + "\" could not be restored completely: " + archivePath + " ends inside it.";
    text += keptAs.empty() ? " Nothing of it could be read." : " What could be read is in " + keptAs + ".";
    if (targetExisted) text += " " + target + " was left as it was.";
    return text + " The archive is not deleted.";
}

void ShowIncompleteEntry(Ui& ui, const std::string& archivePath, const std::string& name, const std::string& target,
                         const std::string& keptAs, bool targetExisted) {
    ui.ShowMessage(IncompleteEntryText(archivePath, name, target, keptAs, targetExisted), std::nullopt,
                   MessageIcon::Exclamation);
}

std::string RestoredBesideText(const std::string& sourcePath, const std::string& name, const std::string& target,
                               const std::string& placedAs) {
    return "The passkey of " + sourcePath +
           " cannot be checked (it carries no check value), so no existing file is replaced: \"" + name +
           "\" was restored as " + placedAs + ", beside " + target + ", which was left as it was.";
}

void ShowRestoredBeside(Ui& ui, const std::string& sourcePath, const std::string& name, const std::string& target,
                        const std::string& placedAs) {
    ui.ShowMessage(RestoredBesideText(sourcePath, name, target, placedAs), std::nullopt, MessageIcon::Information);
}

std::string OutputFailedText(const std::string& name, const std::string& target, const std::string& reason,
                             const std::string& keptAs) {
    return "\"" + name + "\" could not be written to " + target + ": " + reason + ". What was written is in " +
           keptAs + ". Nothing more is restored from the archive, and it is not deleted.";
}

void ShowOutputFailed(Ui& ui, const std::string& name, const std::string& target, const std::string& reason,
                      const std::string& keptAs) {
    ui.ShowMessage(OutputFailedText(name, target, reason, keptAs), kErrorCaption, MessageIcon::Warning);
}

void ShowPasskeyTooShort(Ui& ui, const std::string& archivePath, int algorithm) {
    const AlgorithmInfo* info = FindAlgorithm(algorithm);
    const std::string name = info ? std::string(info->messageName) : "this algorithm";
    // The fewest bytes the cipher is built from, which is what the reader
    // checks (NewDES reads 15, though the encryptor's dialog asks for 16).
    const int minimum = info ? info->keyBytesRequired : 1;
    ui.ShowMessage("\"" + archivePath + "\" was encrypted with " + name +
                       " from an unhashed passkey, which needs at least " + std::to_string(minimum) +
                       " characters. The passkey entered is shorter.\nNothing is decrypted from it.",
                   kErrorCaption, MessageIcon::Warning);
}

}  // namespace pelorin::archive

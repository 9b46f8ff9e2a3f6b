#include "archive/ReaderMessages.h"

#include "app_common/JobExit.h"
#include "cipher/Algorithm.h"

namespace pelorin::archive {

void AskContinue(Ui& ui, const std::string& text) {
    const std::string message = "A fatal error occurred:\n" + text +
                                "\nThe file may decrypt incorrectly.\n\nDo you want to continue anyway?";
    if (!ui.AskYesNo(message, kErrorCaption, MessageIcon::Warning)) throw JobExit(kExitHeaderWarningDeclined);
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
    return "The archive \"" + FileNamePart(archivePath) + "\" is damaged: " + why +
           ".\nNothing more is read from it.";
}

void ShowDamagedArchive(Ui& ui, const std::string& archivePath, Damage damage) {
    ui.ShowMessage(DamagedArchiveText(archivePath, damage), kErrorCaption, MessageIcon::Warning);
}

std::string RefusedNameText(const std::string& archivePath, const std::string& name) {
    return "The entry \"" + name + "\" in \"" + FileNamePart(archivePath) +
           "\" would be written outside the archive's folder.\nIt is skipped.";
}

void ShowRefusedName(Ui& ui, const std::string& archivePath, const std::string& name) {
    ui.ShowMessage(RefusedNameText(archivePath, name), kErrorCaption, MessageIcon::Warning);
}

void ShowPasskeyTooShort(Ui& ui, const std::string& archivePath, int algorithm) {
    const AlgorithmInfo* info = FindAlgorithm(algorithm);
    const std::string name = info ? std::string(info->messageName) : "this algorithm";
    const int minimum = info ? info->minimumUnhashedPasskey : 1;
    ui.ShowMessage("\"" + FileNamePart(archivePath) + "\" was encrypted with " + name +
                       " from an unhashed passkey, which needs at least " + std::to_string(minimum) +
                       " characters. The passkey entered is shorter.\nNothing is decrypted from it.",
                   kErrorCaption, MessageIcon::Warning);
}

}  // namespace pelorin::archive

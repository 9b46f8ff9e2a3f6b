#include "decrypt_app/DecryptModels.h"

#include <charconv>
#include <limits>

#include "app_common/PasskeyTexts.h"
#include "app_common/PassesText.h"
#include "archive/ImportPass.h"
#include "archive/ModernMessages.h"
#include "archive/WorkerPool.h"
#include "cipher/CipherKey.h"
#include "decrypt_app/DecryptSettings.h"
#include "platform/Paths.h"

namespace pelorin::decrypt {

DecryptCommandLine ParseDecryptCommandLine(const std::vector<std::string>& arguments) {
    DecryptCommandLine line;
    for (const auto& argument : arguments) {
        const bool isSwitch = !argument.empty() &&
                              (argument[0] == '-' || (argument[0] == '/' && platform::kHostSeparator == '\\'));
        const std::string offered = isSwitch ? argument.substr(1) : argument;
        if (isSwitch && offered == "I") {
            line.importMode = true;
            continue;
        }
        if (isSwitch && offered == "E") continue;
        line.parameters.push_back(offered);
        if (!isSwitch && line.firstFileName.empty()) line.firstFileName = argument;
    }
    return line;
}

void DecryptDialogModel::Load(const platform::SettingsStore& settings) {
    if (ReadSetting(settings, kStickDel) == 1) {
        deleteSources = ReadSetting(settings, kActualDel) != 0;
    }
}

bool DecryptDialogModel::ValidateOk(Ui& ui, platform::SettingsStore& settings) const {
    if (passkey.empty()) {
        ui.ShowMessage(kEnterPasskeyText, kErrorCaption, MessageIcon::Exclamation);
        return false;
    }
    // A version-8 archive takes the passkey as UTF-8, whatever the code page.
    const bool modern = modernHeader.has_value();
    const Passkey& typed = modern ? ModernPasskey() : passkey;
    if (passkeyOutsideCodePage && !modern) {
        ui.ShowMessage(kPasskeyOutsideCodePageText, kPasskeyOutsideCodePageCaption, MessageIcon::Exclamation);
        return false;
    }
    if (typed.size() > (modern ? kMaxModernPasskeyLength : kMaxPasskeyLength)) {
        ui.ShowMessage(modern ? kModernPasskeyTooLongText : kPasskeyTooLongText, kPasskeyTooLongCaption,
                       MessageIcon::Exclamation);
        return false;
    }
    if (modern && keyRing != nullptr) {
        keyRing->Clear();
        const auto parsed = archive::ParseModernHeader(*modernHeader);
        std::string status;
        if (parsed.header) status = archive::DerivingKeyStatus(firstArchive, parsed.header->cost);
        const auto opening = keyRing->Open(*modernHeader, typed.bytes(), archive::JobWorkers(),
                                           [&](std::uint32_t done, std::uint32_t total) {
                                               if (derivation) derivation(status, done, total);
                                           });
        // A header the job refuses, or memory it cannot have, is told when
        // the archive is read.
        if (opening.result == archive::ModernOpening::Result::WrongPasskey) {
            ui.ShowMessage(kIncorrectPasskeyText, std::nullopt, MessageIcon::Exclamation);
            return false;
        }
    }
    if (verify) {
        if (!PasskeyMatching(passkey.bytes(), passkeyAsGiven.bytes(), salt, check)) {
            ui.ShowMessage(kIncorrectPasskeyText, std::nullopt, MessageIcon::Exclamation);
            return false;
        }
    }
    // In import mode the box is disabled; the retained choice stays as it was.
    if (!importMode && remembersChoices && ReadSetting(settings, kStickDel) == 1) {
        settings.Write(kActualDel.name, deleteSources ? 1 : 0);
    }
    return true;
}

std::optional<std::span<const std::uint8_t>> PasskeyMatching(std::span<const std::uint8_t> passkey,
                                                             std::span<const std::uint8_t> asGiven,
                                                             const archive::ArchiveSalt& salt,
                                                             const PasskeyCheckValue& check) {
    if (ComputePasskeyCheck(passkey, salt) == check) return passkey;
    if (!asGiven.empty() && ComputePasskeyCheck(asGiven, salt) == check) return asGiven;
    return std::nullopt;
}

void DecryptOptionsModel::Load(const platform::SettingsStore& settings) {
    retain = ReadSetting(settings, kStickDel) != 0;
    passes = std::to_string(static_cast<std::int32_t>(ReadSetting(settings, kNumIter)));
}

void DecryptOptionsModel::RetainToggled(platform::SettingsStore& settings) const {
    if (!retain) settings.Write(kActualDel.name, 0);
}

void DecryptOptionsModel::Save(platform::SettingsStore& settings) const {
    settings.Write(kStickDel.name, retain ? 1 : 0);
    settings.Write(kNumIter.name, StoredPasses(passes, kNumIter));
}

namespace {

// A whole decimal number that fits a 32-bit integer, as the dialog's integer
// field takes it.
std::optional<std::int32_t> ParseDialogInteger(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const std::size_t last = text.find_last_not_of(" \t");
    std::string_view digits(text.data() + first, last - first + 1);
    if (digits.front() == '+') digits.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

}  // namespace

bool ImportOptionsModel::ValidateOk(Ui& ui) {
    if (algorithm < 0 || algorithm > 7) {
        ui.ShowMessage(kChooseAlgorithmText, kErrorCaption, MessageIcon::Warning);
        return false;
    }
    const auto value = ParseDialogInteger(paddingText);
    if (!value) {
        ui.ShowMessage(kEnterIntegerText, std::nullopt, MessageIcon::Exclamation);
        return false;
    }
    if (*value < 0) {
        ui.ShowMessage(archive::kNegativePaddingText, std::nullopt, MessageIcon::Exclamation);
        return false;
    }
    padding = *value;
    return true;
}

std::vector<std::string> ChosenNames(const std::vector<std::string>& listItems, int selectedCount,
                                     const std::optional<std::vector<int>>& selectedIndexes, Ui& ui) {
    if (!selectedIndexes || static_cast<int>(selectedIndexes->size()) != selectedCount) {
        ui.ShowMessage(kListBoxErrorText, std::nullopt, MessageIcon::Exclamation);
    }
    std::vector<std::string> names;
    if (!selectedIndexes) return names;
    for (const int index : *selectedIndexes) {
        if (index >= 0 && static_cast<std::size_t>(index) < listItems.size()) names.push_back(listItems[index]);
    }
    return names;
}

}  // namespace pelorin::decrypt

#include "decrypt_app/DecryptModels.h"

#include "cipher/CipherKey.h"
#include "decrypt_app/DecryptSettings.h"
#include "encrypt_app/EncryptDialogModel.h"
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
    if (settings.ReadOr(kStickDel.name, kStickDel.defaultValue) == 1) {
        deleteSources = settings.ReadOr(kActualDel.name, kActualDel.defaultValue) != 0;
    }
}

bool DecryptDialogModel::ValidateOk(Ui& ui, platform::SettingsStore& settings) const {
    if (passkey.empty()) {
        ui.ShowMessage(encrypt::kEnterPasskeyText, encrypt::kErrorCaption, MessageIcon::Exclamation);
        return false;
    }
    if (passkey.size() > kMaxPasskeyLength) {
        ui.ShowMessage(encrypt::kPasskeyTooLongText, encrypt::kPasskeyTooLongCaption, MessageIcon::Exclamation);
        return false;
    }
    if (verify) {
        const auto typed = ComputePasskeyCheck(
            std::span(reinterpret_cast<const std::uint8_t*>(passkey.data()), passkey.size()), salt);
        if (typed != check) {
            ui.ShowMessage(kIncorrectPasskeyText, std::nullopt, MessageIcon::Exclamation);
            return false;
        }
    }
    if (settings.ReadOr(kStickDel.name, kStickDel.defaultValue) == 1) {
        settings.Write(kActualDel.name, deleteSources ? 1 : 0);
    }
    return true;
}

void DecryptOptionsModel::Load(const platform::SettingsStore& settings) {
    retain = settings.ReadOr(kStickDel.name, kStickDel.defaultValue) != 0;
    passes = std::to_string(static_cast<std::int32_t>(settings.ReadOr(kNumIter.name, kNumIter.defaultValue)));
}

void DecryptOptionsModel::RetainToggled(platform::SettingsStore& settings) const {
    if (!retain) settings.Write(kActualDel.name, 0);
}

void DecryptOptionsModel::Save(platform::SettingsStore& settings) const {
    settings.Write(kStickDel.name, retain ? 1 : 0);
    settings.Write(kNumIter.name, static_cast<std::uint32_t>(encrypt::PassesFromText(passes)));
}

}  // namespace pelorin::decrypt

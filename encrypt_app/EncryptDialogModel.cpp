#include "encrypt_app/EncryptDialogModel.h"

#include "app_common/PassesText.h"
#include "archive/ArchiveFormat.h"
#include "archive/ModernFormat.h"
#include "cipher/CipherKey.h"
#include "encrypt_app/EncryptSettings.h"

namespace pelorin::encrypt {
namespace {

// Verbatim, including BlowFish's, which names 1 character while 4 are
// required.
constexpr PasskeyMinimum kMinimums[] = {
    {1, "ASCII requires a passkey of at least 1 character"},
    {4, "BlowFish requires a passkey of at least 1 character"},
    {8, "DES requires a passkey of at least 8 characters"},
    {16, "IDEA requires a passkey of at least 16 characters"},
    {16, "NewDES requires a passkey of at least 16 characters"},
    {1, "RC4 requires a passkey of at least 1 character"},
    {16, "Safer requires a passkey of at least 16 characters"},
    {1, "Vigenere requires a passkey of at least 1 character"},
};

}  // namespace

PasskeyMinimum MinimumFor(int algorithm) { return kMinimums[algorithm]; }

bool IsWritableAlgorithm(int algorithm) {
    return (algorithm >= 0 && algorithm <= 7) || algorithm == archive::kModernAlgorithm;
}

void EncryptDialogModel::ApplyInitialAlgorithm(int algorithm) {
    if (IsWritableAlgorithm(algorithm)) selectedAlgorithm = algorithm;
}

bool EncryptDialogModel::ValidateOk(Ui& ui, bool hashPasskey) const {
    refusedField = PasskeyField::None;
    const auto refuse = [&](const char* text, const std::optional<std::string>& caption, PasskeyField field) {
        ui.ShowMessage(text, caption, MessageIcon::Exclamation);
        refusedField = field;
        return false;
    };
    if (!IsWritableAlgorithm(selectedAlgorithm)) {
        return refuse(kChooseAlgorithmText, kErrorCaption, PasskeyField::None);
    }
    if (passkey.empty()) return refuse(kEnterPasskeyText, kErrorCaption, PasskeyField::Passkey);
    if (selectedAlgorithm == archive::kModernAlgorithm) {
        // The passkey as typed, in UTF-8: the dialog gives it so for this
        // algorithm, whatever the code page holds.
        if (!archive::IsValidUtf8({reinterpret_cast<const char*>(passkey.bytes().data()), passkey.size()})) {
            return refuse(kPasskeyNotUtf8Text, kPasskeyNotUtf8Caption, PasskeyField::Passkey);
        }
        if (!passkey.SameAs(verify)) return refuse(kPasskeysDifferText, std::nullopt, PasskeyField::Verify);
        if (passkey.size() > archive::kPasskeyMaxBytes) {
            return refuse(kModernPasskeyTooLongText, kPasskeyTooLongCaption, PasskeyField::Passkey);
        }
        return true;
    }
    if (passkeyOutsideCodePage) {
        return refuse(kPasskeyOutsideCodePageText, kPasskeyOutsideCodePageCaption, PasskeyField::Passkey);
    }
    if (!passkey.SameAs(verify)) return refuse(kPasskeysDifferText, std::nullopt, PasskeyField::Verify);
    // The key material carries its length in a signed byte.
    if (passkey.size() > kMaxPasskeyLength) {
        return refuse(kPasskeyTooLongText, kPasskeyTooLongCaption, PasskeyField::Passkey);
    }
    if (!hashPasskey && passkey.size() < MinimumFor(selectedAlgorithm).length) {
        return refuse(MinimumFor(selectedAlgorithm).message, kPasskeyTooSmallCaption, PasskeyField::Passkey);
    }
    return true;
}

bool PasskeyHashingOn(const platform::SettingsStore& settings) {
    return archive::HeaderFlagOf(ReadSetting(settings, kHashPasskey)) ==
           archive::kHashedPasskeyOn;
}

void EncryptOptionsModel::Load(const platform::SettingsStore& settings) {
    encryptHeaders = ReadSetting(settings, kEncHeaders) != 0;
    hashPasskey = ReadSetting(settings, kHashPasskey) != 0;
    retainDelete = ReadSetting(settings, kStickyDelete) != 0;
    rememberAlgorithm = ReadSetting(settings, kLastAlg) != 0;
    passes = std::to_string(static_cast<std::int32_t>(ReadSetting(settings, kNumPasses)));
    overwrite = ReadSetting(settings, kOverwrite) != 0;
}

void EncryptOptionsModel::RememberToggled(platform::SettingsStore& settings) const {
    if (!rememberAlgorithm) settings.Write(kActualAlg.name, 0);
}

void EncryptOptionsModel::Save(platform::SettingsStore& settings) const {
    settings.Write(kEncHeaders.name, encryptHeaders ? 1 : 0);
    settings.Write(kHashPasskey.name, hashPasskey ? 1 : 0);
    settings.Write(kStickyDelete.name, retainDelete ? 1 : 0);
    settings.Write(kLastAlg.name, rememberAlgorithm ? 1 : 0);
    settings.Write(kNumPasses.name, StoredPasses(passes, kNumPasses));
    settings.Write(kOverwrite.name, overwrite ? 1 : 0);
}

}  // namespace pelorin::encrypt

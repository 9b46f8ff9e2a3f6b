#pragma once

#include <cstdint>
#include <string>

#include "app_common/PasskeyTexts.h"
#include "app_common/Ui.h"
#include "cipher/Passkey.h"
#include "platform/Settings.h"

namespace pelorin::encrypt {

inline constexpr const char* kChooseAlgorithmText = "Please choose an algorithm";
inline constexpr const char* kPasskeysDifferText = "Passkeys do not match";
inline constexpr const char* kPasskeyTooSmallCaption = "Passkey too small";

// Which field the dialog puts the focus on after a refusal, its text
// selected so that typing replaces it.
enum class PasskeyField { None, Passkey, Verify };

// The main dialog's fields and its OK logic: algorithm, passkey typed twice,
// delete-source choice.
struct EncryptDialogModel {
    int selectedAlgorithm = -1;  // none until chosen: 0..7, or 9 (ChaCha20-Poly1305, archives of version 8)
    // The job's one copy of the passkey; the second typing lives only until
    // the job has taken the dialog's answer.
    Passkey passkey;
    Passkey verify;
    bool deleteSource = false;
    // Set by a dialog that reads Unicode: a typed character has no form in
    // the system's code page, so the bytes above are not what was typed.
    bool passkeyOutsideCodePage = false;
    // The dialog's choices become the remembered ones (the tool's options
    // answer for one run only and leave them as they are).
    bool remembersChoices = true;
    // The key derivation's memory in MiB for algorithm 9 for this run (the
    // tool's --kdf-memory); 0: the kdfmemory setting.
    std::uint32_t kdfMemoryMiB = 0;

    // The driver's initial algorithm counts only when it is one (0..7, 9).
    void ApplyInitialAlgorithm(int algorithm);

    // Validation at OK, in its fixed order; the first failure is shown and
    // the dialog stays open (false). `hashPasskey` is the setting as it
    // reads at this moment: minimum lengths apply only without hashing.
    bool ValidateOk(Ui& ui, bool hashPasskey) const;

    // The field whose text a refusal concerns; the dialog selects it.
    mutable PasskeyField refusedField = PasskeyField::None;
};

// Whether the archive's entries will be keyed by hashing, as the settings
// read now: the header stores the low byte of "hashpasskey", and only 1
// there means hashing, so only then do the minimum lengths not apply.
bool PasskeyHashingOn(const platform::SettingsStore& settings);

// The algorithm numbers the encryptor writes: the eight classic ones
// (version 7) and ChaCha20-Poly1305 (version 8).
bool IsWritableAlgorithm(int algorithm);

// The minimum passkey length of a classic algorithm while the passkey is not
// hashed, and the message that refuses a shorter one.
struct PasskeyMinimum {
    std::size_t length;
    const char* message;
};
PasskeyMinimum MinimumFor(int algorithm);

// The Options dialog: the six settings it edits.
struct EncryptOptionsModel {
    bool encryptHeaders = true;
    bool hashPasskey = true;
    bool retainDelete = false;
    bool rememberAlgorithm = false;
    std::string passes = "3";
    bool overwrite = false;

    void Load(const platform::SettingsStore& settings);
    // The remember box was clicked: switching it off writes actualalg = 0 at
    // once, whatever happens to the dialog afterwards.
    void RememberToggled(platform::SettingsStore& settings) const;
    // OK: writes the six settings in their order.
    void Save(platform::SettingsStore& settings) const;
};

}  // namespace pelorin::encrypt

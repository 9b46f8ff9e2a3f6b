#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app_common/Ui.h"
#include <functional>

#include "archive/ArchiveFormat.h"
#include "archive/ModernFormat.h"
#include "archive/ModernOpening.h"
#include "cipher/Passkey.h"
#include "platform/Settings.h"

namespace pelorin::decrypt {

inline constexpr const char* kIncorrectPasskeyText = "Incorrect Passkey";
inline constexpr const char* kChooseAlgorithmText = "Please choose an algorithm";
inline constexpr const char* kEnterIntegerText = "Please enter an integer.";
inline constexpr const char* kListBoxErrorText =
    "An error occurred in the list box control. All\nof the filenames may not be displayed properly.";

// The decryptor's command line: "I" sets import mode, "E" is dropped, other
// switches stay in the list without their first character; the first
// argument that is not a switch is the first file name. On Linux only '-'
// introduces a switch.
struct DecryptCommandLine {
    std::vector<std::string> parameters;
    std::string firstFileName;
    bool importMode = false;
};
DecryptCommandLine ParseDecryptCommandLine(const std::vector<std::string>& arguments);

// The main dialog: passkey, decrypt-all and delete-sources choices, and the
// first archive's check value when it has one.
struct DecryptDialogModel {
    // The job's one copy of the passkey.
    Passkey passkey;
    // The bytes given, where `passkey` is their form in the code page of
    // classic archives (the tool; see archive/ClassicPasskey.h): an archive
    // whose check value refuses `passkey` is tried with these, as earlier
    // versions of the tool wrote them. Empty otherwise.
    Passkey passkeyAsGiven;
    bool decryptAll = true;
    bool deleteSources = false;
    bool verify = false;
    archive::ArchiveSalt salt{};
    PasskeyCheckValue check{};
    // Import mode: the passkey cannot be checked, so the inputs are never
    // wiped and the delete box is disabled.
    bool importMode = false;
    // Set by a dialog that reads Unicode: a typed character has no form in
    // the system's code page.
    bool passkeyOutsideCodePage = false;
    // The dialog's delete choice becomes the remembered one (the tool's
    // options answer for one run only and leave it as it is).
    bool remembersChoices = true;
    // The first archive is of version 8: the passkey is checked by opening
    // its file key, which `keyRing` then keeps for the job (its passkey is
    // UTF-8, 1 to 1024 bytes). `derivation` hears of the key derivation,
    // which takes a moment: a status to show, then the slices done.
    std::optional<archive::ModernHeaderBytes> modernHeader;
    std::string firstArchive;
    archive::ModernKeyRing* keyRing = nullptr;
    std::function<void(const std::string& status, std::uint32_t done, std::uint32_t total)> derivation;

    // The passkey an archive of version 8 takes: as given, never in a code
    // page.
    const Passkey& ModernPasskey() const { return passkeyAsGiven.empty() ? passkey : passkeyAsGiven; }

    // Opening: the retained delete choice when retaining is on.
    void Load(const platform::SettingsStore& settings);
    // OK: an empty passkey and (when verifying) a passkey whose check value
    // differs (in both its forms) are refused; then the retained choice is
    // stored.
    bool ValidateOk(Ui& ui, platform::SettingsStore& settings) const;
};

// The form of the passkey an archive with this salt and check value was
// written under: `passkey`, else `asGiven` (when it is not empty); nothing
// when neither matches.
std::optional<std::span<const std::uint8_t>> PasskeyMatching(std::span<const std::uint8_t> passkey,
                                                             std::span<const std::uint8_t> asGiven,
                                                             const archive::ArchiveSalt& salt,
                                                             const PasskeyCheckValue& check);

// The Options dialog: retaining the delete choice, and the passes.
struct DecryptOptionsModel {
    bool retain = false;
    std::string passes = "3";

    void Load(const platform::SettingsStore& settings);
    // Switching retaining off writes actualdel = 0 at once.
    void RetainToggled(platform::SettingsStore& settings) const;
    void Save(platform::SettingsStore& settings) const;
};

// The Import Options dialog: no algorithm chosen and padding 0 at first.
struct ImportOptionsModel {
    int algorithm = -1;
    std::string paddingText = "0";
    std::int64_t padding = 0;

    // OK: an algorithm must be chosen, and the padding must be a decimal
    // integer (surrounding blanks allowed) of 0 or more; on success `padding`
    // holds it.
    bool ValidateOk(Ui& ui);
};

// The Choose Files dialog's OK over what the list box reported: the number
// of selected items, and the indexes its query returned (nothing when the
// query failed). A failed or short query is reported and the names found
// are still taken, in list-box order.
std::vector<std::string> ChosenNames(const std::vector<std::string>& listItems, int selectedCount,
                                     const std::optional<std::vector<int>>& selectedIndexes, Ui& ui);

}  // namespace pelorin::decrypt

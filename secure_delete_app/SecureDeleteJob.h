#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app_common/ProgressDialog.h"
#include "platform/Settings.h"
#include "secure_delete_app/DroppedPaths.h"
#include "secure_delete_app/SecureDeleteUi.h"

namespace pelorin::secure_delete {

enum class DeleteOutcome {
    NothingDropped,  // explained; nothing deleted
    NotConfirmed,    // No, or the question could not be asked; nothing deleted
    Done,            // every dropped item is gone
    ItemsLeft,       // some items stayed (listed)
    Cancelled,       // a Cancel was confirmed between files
};

struct SecureDeleteOptions {
    int passes = wipe::kDroppedFilePasses;
    // The user said yes beforehand (the tool's --yes): nothing is asked.
    bool confirmed = false;
    // The message box listing what stayed; the tool prints each item itself.
    bool listLeftInMessage = true;
    // Reading every file's last pass back: as the profile's "verify" says
    // when not given.
    std::optional<bool> verify;
    // Where the run keeps what it did, volume by volume (a record of its own
    // when none is given); the message telling each drive's verdict at the
    // end, which the tool prints its own way.
    wipe::ErasureRecord* record = nullptr;
    bool verdictMessage = true;
};

struct SecureDeleteResult {
    DeleteOutcome outcome = DeleteOutcome::Done;
    std::vector<LeftItem> left;
    std::vector<std::string> missing;
};

// What the confirmation names: the dropped paths by kind, and the first
// kDroppedNamesShown of them.
DroppedSummary SummariseDropped(const std::vector<std::string>& paths);

// The program from start to end: with nothing dropped, the explanation;
// the confirmation unless the profile turned it off (and its answer kept);
// then every path in order, with the progress window over 0..32000; then,
// when items stayed, one message listing them.
SecureDeleteResult RunSecureDelete(const std::vector<std::string>& paths, platform::SettingsStore& settings,
                                   SecureDeleteUi& ui, ProgressView& view, const SecureDeleteOptions& options = {});

// The bar's range of the progress window.
inline constexpr int kDeleteBarFull = 32000;

}  // namespace pelorin::secure_delete

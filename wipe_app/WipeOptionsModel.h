#pragma once

#include <string>

#include "app_common/Ui.h"
#include "platform/Settings.h"

namespace pelorin::wipe_app {

// The Options dialog: the two pass counts as the fields show them.
struct WipeOptionsModel {
    std::string diskPasses = "3";
    std::string memoryPasses = "10";

    void Load(const platform::SettingsStore& global);
    // OK: both values written; a write that fails is said (the dialog still
    // closes).
    void Save(platform::SettingsStore& global, Ui& ui) const;
};

}  // namespace pelorin::wipe_app

#pragma once

#include <string>

#include "app_common/Ui.h"
#include "platform/Settings.h"

namespace pelorin::wipe_app {

// The Options dialog: the two pass counts as the fields show them, and
// whether the last pass is read back (the program's "verify").
struct WipeOptionsModel {
    std::string diskPasses = "3";
    std::string memoryPasses = "10";
    bool verify = false;

    void Load(const platform::SettingsStore& global, const platform::SettingsStore& program);
    // OK: every value written; a write that fails is said (the dialog still
    // closes).
    void Save(platform::SettingsStore& global, platform::SettingsStore& program, Ui& ui) const;
};

}  // namespace pelorin::wipe_app

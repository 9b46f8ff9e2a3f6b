#include "wipe_app/WipeOptionsModel.h"

#include "app_common/PassesText.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"

namespace pelorin::wipe_app {

void WipeOptionsModel::Load(const platform::SettingsStore& global) {
    diskPasses = std::to_string(static_cast<std::int32_t>(ReadSetting(global, kNumDisk)));
    memoryPasses = std::to_string(static_cast<std::int32_t>(ReadSetting(global, kNumMem)));
}

void WipeOptionsModel::Save(platform::SettingsStore& global, Ui& ui) const {
    if (!global.Write(kNumMem.name, static_cast<std::uint32_t>(PassesFromText(memoryPasses)))) {
        ui.ShowMessage(kNumMemWriteFailedText, std::nullopt, MessageIcon::Exclamation);
    }
    if (!global.Write(kNumDisk.name, static_cast<std::uint32_t>(PassesFromText(diskPasses)))) {
        ui.ShowMessage(kNumDiskWriteFailedText, std::nullopt, MessageIcon::Exclamation);
    }
}

}  // namespace pelorin::wipe_app

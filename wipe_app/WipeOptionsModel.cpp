#include "wipe_app/WipeOptionsModel.h"

#include "app_common/PassesText.h"
#include "wipe_app/WipeSettings.h"
#include "wipe_app/WipeTexts.h"

namespace pelorin::wipe_app {

void WipeOptionsModel::Load(const platform::SettingsStore& global, const platform::SettingsStore& program) {
    diskPasses = std::to_string(static_cast<std::int32_t>(ReadSetting(global, kNumDisk)));
    memoryPasses = std::to_string(static_cast<std::int32_t>(ReadSetting(global, kNumMem)));
    verify = ReadSetting(program, kVerify) == 1;
}

void WipeOptionsModel::Save(platform::SettingsStore& global, platform::SettingsStore& program, Ui& ui) const {
    if (!global.Write(kNumMem.name, StoredPasses(memoryPasses, kNumMem))) {
        ui.ShowMessage(kNumMemWriteFailedText, std::nullopt, MessageIcon::Exclamation);
    }
    if (!global.Write(kNumDisk.name, StoredPasses(diskPasses, kNumDisk))) {
        ui.ShowMessage(kNumDiskWriteFailedText, std::nullopt, MessageIcon::Exclamation);
    }
    if (!program.Write(kVerify.name, verify ? 1 : 0)) {
        ui.ShowMessage(kVerifyWriteFailedText, std::nullopt, MessageIcon::Exclamation);
    }
}

}  // namespace pelorin::wipe_app

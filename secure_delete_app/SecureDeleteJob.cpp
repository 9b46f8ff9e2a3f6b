#include "secure_delete_app/SecureDeleteJob.h"

#include "platform/FileStatus.h"

#include "secure_delete_app/SecureDeleteSettings.h"
#include "secure_delete_app/SecureDeleteTexts.h"

namespace pelorin::secure_delete {
namespace {

// Asks unless the profile turned the question off; true to go on. Only 0
// turns it off: a value the program never writes asks as 1 does.
bool Confirmed(const std::vector<std::string>& paths, platform::SettingsStore& settings, SecureDeleteUi& ui) {
    if (ReadSetting(settings, kSecDelDoNotRemind) == 0) return true;
    const auto answer = ui.Confirm(SummariseDropped(paths));
    if (!answer || !answer->yes) return false;
    settings.Write(kSecDelDoNotRemind.name, answer->doNotRemind ? 0 : 1);
    return true;
}

}  // namespace

DroppedSummary SummariseDropped(const std::vector<std::string>& paths) {
    DroppedSummary summary;
    for (const auto& path : paths) {
        const auto status = platform::StatusOf(path);
        if (!status) {
            ++summary.missing;
        } else if (status->kind == platform::FileKind::Folder) {
            ++summary.folders;
        } else {
            ++summary.files;
        }
        if (summary.firstNames.size() < kDroppedNamesShown) {
            summary.firstNames.push_back(path);
        } else {
            ++summary.moreNames;
        }
    }
    return summary;
}

SecureDeleteResult RunSecureDelete(const std::vector<std::string>& paths, platform::SettingsStore& settings,
                                   SecureDeleteUi& ui, ProgressView& view, const SecureDeleteOptions& options) {
    SecureDeleteResult result;
    if (paths.empty()) {
        ui.ShowNothingDropped();
        result.outcome = DeleteOutcome::NothingDropped;
        return result;
    }
    if (!options.confirmed && !Confirmed(paths, settings, ui)) {
        result.outcome = DeleteOutcome::NotConfirmed;
        return result;
    }
    ProgressDialog progress(view, ui);
    progress.SetRange(0, kDeleteBarFull);
    wipe::ErasureRecord ownRecord;
    DeleteRun run{progress, ui, options.passes, {}, {}, false};
    run.verify = options.verify.value_or(ReadSetting(settings, kVerify) == 1);
    run.record = options.record != nullptr ? options.record : &ownRecord;
    for (const auto& path : paths) {
        WipeDroppedPath(path, run);
        if (run.cancelled) break;
    }
    result.left = std::move(run.left);
    result.missing = std::move(run.missing);
    if (run.cancelled) {
        result.outcome = DeleteOutcome::Cancelled;
    } else if (!result.left.empty()) {
        result.outcome = DeleteOutcome::ItemsLeft;
        if (options.listLeftInMessage) {
            std::vector<std::string> names;
            for (const auto& item : result.left) names.push_back(item.path);
            ui.ShowMessage(NotDeletedText(names), kApplicationTitle, MessageIcon::Warning);
        }
    }
    // After the run's own messages: what overwriting reached on each drive.
    if (options.verdictMessage && !run.record->verdicts.All().empty()) {
        ui.ShowMessage(wipe::VerdictMessage(*run.record), kApplicationTitle, MessageIcon::Information);
    }
    return result;
}

}  // namespace pelorin::secure_delete

#include "cli/DeleteCommand.h"

#include <charconv>
#include <iostream>

#include "app_common/ForwardingUi.h"
#include "cli/Arguments.h"
#include "cli/CommandHelp.h"
#include "cli/JobReport.h"
#include "cli/Stop.h"
#include "cli/TerminalUi.h"
#include "platform/Settings.h"
#include "platform/Terminal.h"
#include "secure_delete_app/SecureDeleteJob.h"
#include "secure_delete_app/SecureDeleteSettings.h"
#include "secure_delete_app/SecureDeleteTexts.h"

namespace pelorin::cli {
namespace {

constexpr const char* kUsage = UsageOf("delete");

constexpr int kExitLeft = 1;
constexpr int kMostPasses = 1000000;

// The confirmation as a question on the terminal; with nobody to answer,
// it is not shown and nothing is deleted.
class TerminalDeleteUi final : public ForwardingUi<secure_delete::SecureDeleteUi> {
public:
    TerminalDeleteUi(TerminalUi& terminal, const std::vector<std::string>& paths)
        : ForwardingUi(terminal), terminal_(terminal), paths_(paths) {}

    void ShowNothingDropped() override { std::cerr << kUsage; }
    std::optional<secure_delete::Confirmation> Confirm(const secure_delete::DroppedSummary&) override {
        if (!TerminalCanAsk()) {
            nobodyToAsk = true;
            return std::nullopt;
        }
        // The program's question speaks of dropped files; the terminal also
        // says which.
        for (const auto& path : paths_) std::cerr << "pelorin: to be deleted: " << EscapedForTerminal(path) << "\n";
        return secure_delete::Confirmation{
            terminal_.AskYesNo(secure_delete::kConfirmText, std::nullopt, MessageIcon::Exclamation), false};
    }

    bool nobodyToAsk = false;

private:
    TerminalUi& terminal_;
    const std::vector<std::string>& paths_;
};

}  // namespace

int RunDelete(const std::vector<std::string>& arguments) {
    const auto parsed = ParseArguments(arguments, WithReportOptions({{"--yes"}, {"--passes"}, {}}), kUsage);
    if (!parsed) return kUsageError;
    auto report = JobReport::Read("delete", *parsed);
    if (!report) return kUsageError;
    secure_delete::SecureDeleteOptions options;
    options.confirmed = parsed->Has("--yes");
    options.listLeftInMessage = false;
    if (const auto text = parsed->Value("--passes")) {
        int value = 0;
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
        if (text->empty() || error != std::errc() || end != text->data() + text->size() || value < 1 ||
            value > kMostPasses) {
            std::cerr << "pelorin: --passes is a whole number from 1 to " << kMostPasses << "\n";
            return kUsageError;
        }
        options.passes = value;
    }
    std::vector<std::string> paths;
    for (const auto& name : parsed->names) paths.push_back(AbsoluteName(name));
    // The report never goes where the job deletes.
    if (!report->RefuseAmong(paths, true)) return kUsageError;
    if (report->verify()) options.verify = true;  // otherwise as the setting says
    options.record = &report->record;
    options.verdictMessage = false;

    platform::SettingsStore settings(secure_delete::kSettingsKey);
    TerminalUi terminal;
    TerminalDeleteUi ui(terminal, paths);
    const secure_delete::SecureDeleteResult result = [&] {
        TerminalProgress progress;
        return secure_delete::RunSecureDelete(paths, settings, ui, progress, options);
    }();
    for (const auto& name : result.missing) {
        std::cerr << "pelorin: " << EscapedForTerminal(name) << " does not exist\n";
    }
    for (const auto& item : result.left) {
        std::cerr << "pelorin: " << EscapedForTerminal(item.path) << " " << item.why << "\n";
        report->record.Left(item.path, item.why);
    }
    switch (result.outcome) {
        case secure_delete::DeleteOutcome::NothingDropped: return kUsageError;
        case secure_delete::DeleteOutcome::NotConfirmed:
            if (!ui.nobodyToAsk) {
                std::cerr << "pelorin: nothing was deleted\n";
                return report->Finish(kStopped);
            }
            std::cerr << "pelorin: delete asks before it deletes anything; without a terminal to ask, give --yes\n";
            return kUsageError;
        case secure_delete::DeleteOutcome::Cancelled:
            ReportStop("what was not reached yet is still there");
            return report->Finish(kStopped);
        case secure_delete::DeleteOutcome::ItemsLeft:
            std::cerr << "pelorin: " << result.left.size() << " items were not deleted\n";
            return report->Finish(kExitLeft);
        case secure_delete::DeleteOutcome::Done: return report->Finish(0);
    }
    return report->Finish(0);
}

}  // namespace pelorin::cli

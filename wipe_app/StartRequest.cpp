#include "wipe_app/StartRequest.h"

#include <array>

#include "wipe_app/WipeTexts.h"

namespace pelorin::wipe_app {

std::string DriveListText(char letter) { return std::string("(") + letter + ":\\)"; }

std::optional<char> DriveLetterOf(const std::string& listText) {
    if (listText.size() < 2) return std::nullopt;
    char letter = listText[1];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z') return std::nullopt;
    return letter;
}

std::string DriveRootOf(char letter) { return std::string(1, letter) + ":\\"; }

std::string CompleteQuestionText(const std::vector<std::string>& roots) {
    std::string drives;
    for (const auto& root : roots) drives += (drives.empty() ? "" : ", ") + root;
    return std::string(kCompleteQuestion) + "\n\n" + kCompleteDrivesLabel + drives;
}

std::optional<std::vector<std::string>> PrepareStart(const std::vector<std::string>& selectedTexts, WipeType type,
                                                     Ui& ui, const std::function<bool(const std::string&)>& canEnter) {
    std::array<bool, 26> drives{};
    for (const auto& text : selectedTexts) {
        const auto letter = DriveLetterOf(text);
        if (!letter) continue;
        const std::string root = DriveRootOf(*letter);
        // Retry and Ignore both test again; only Abort gives up.
        while (!canEnter(root)) {
            if (ui.AskAbortRetryIgnore(DriveTestText(root), std::nullopt, MessageIcon::Exclamation) ==
                AbortRetryIgnore::Abort) {
                return std::nullopt;
            }
        }
        drives[*letter - 'A'] = true;
    }
    std::vector<std::string> roots;
    for (int i = 0; i < 26; ++i) {
        if (drives[i]) roots.push_back(DriveRootOf(static_cast<char>('A' + i)));
    }
    if (roots.empty()) {
        ui.ShowMessage(kNoDriveText, std::nullopt, MessageIcon::Exclamation);
        return std::nullopt;
    }
    if (type == WipeType::Complete &&
        !ui.AskYesNoDefaultNo(CompleteQuestionText(roots), std::nullopt, MessageIcon::Exclamation)) {
        return std::nullopt;
    }
    return roots;
}

}  // namespace pelorin::wipe_app

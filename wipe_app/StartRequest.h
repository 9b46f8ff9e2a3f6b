#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app_common/Ui.h"
#include "wipe_app/WipeRun.h"

namespace pelorin::wipe_app {

// A drive as the list shows it: "(x:\)".
std::string DriveListText(char letter);
// The drive letter of a list text: its second character, upper case;
// nothing for one outside A..Z.
std::optional<char> DriveLetterOf(const std::string& listText);
std::string DriveRootOf(char letter);

// The Complete question as it stands, then the drives it would empty.
inline constexpr const char* kCompleteDrivesLabel = "Selected drives: ";
std::string CompleteQuestionText(const std::vector<std::string>& roots);

// "&Start": the drives of the selected list items in letter order, each
// tested (`canEnter`) until it answers or the user aborts the start; "No
// drive was selected..." when none; for Complete the confirmation, naming
// the drives, with No as the answer Enter gives. Nothing
// when the start stops; the roots to wipe otherwise.
std::optional<std::vector<std::string>> PrepareStart(const std::vector<std::string>& selectedTexts, WipeType type,
                                                     Ui& ui, const std::function<bool(const std::string&)>& canEnter);

}  // namespace pelorin::wipe_app

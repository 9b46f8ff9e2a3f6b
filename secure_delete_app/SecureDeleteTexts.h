#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The secure delete program's texts, word for word.
namespace pelorin::secure_delete {

inline constexpr const char* kApplicationTitle = "Secure Delete";
inline constexpr const char* kProgressCaption = "Securely deleting files...";
inline constexpr const char* kNothingDroppedText =
    "No files were dragged onto the 'Secure Delete' Icon. To use secure delete, just drag and drop any files or "
    "directories you wish to delete onto the 'Secure Delete' icon.";
inline constexpr const char* kConfirmText =
    "Dragging your files onto the 'Secure Delete' icon will, unlike putting them into the Recycle Bin, cause them "
    "to immediately be deleted. Are you sure you want to delete the dragged files?";
inline constexpr const char* kDoNotRemindLabel = "&Do not remind me again";

inline constexpr const char* kNotDeletedHeading = "These items were not deleted and are still there:";
inline constexpr const char* kNotDeletedHint =
    "They may be read-only, in use by another program, links to elsewhere or on another drive.";
// As many names as a message box shows on one screen.
inline constexpr std::size_t kNotDeletedNamesShown = 20;

// The message after a run that left items behind: their names (a screenful;
// then how many more) and why they may have stayed.
inline std::string NotDeletedText(const std::vector<std::string>& names) {
    std::string text = std::string(kNotDeletedHeading) + "\n\n";
    for (std::size_t i = 0; i < names.size() && i < kNotDeletedNamesShown; ++i) text += names[i] + "\n";
    if (names.size() > kNotDeletedNamesShown) {
        text += "... and " + std::to_string(names.size() - kNotDeletedNamesShown) + " more.\n";
    }
    return text + "\n" + kNotDeletedHint;
}

}  // namespace pelorin::secure_delete

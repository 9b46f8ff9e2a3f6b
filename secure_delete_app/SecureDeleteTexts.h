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
// Beside the confirmation's question: what it would delete.
inline constexpr const char* kDroppedOpening = "To be deleted: ";
inline constexpr const char* kDroppedFoldersEnding = " with everything in them";
inline constexpr const char* kDroppedFolderEnding = " with everything in it";
// As many of the dropped names as the confirmation lists.
inline constexpr std::size_t kDroppedNamesShown = 20;

// "1 file", "2 folders".
inline std::string CountOf(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

// "To be deleted: 2 files and 1 folder with everything in it." and, for
// names that do not exist, how many.
inline std::string DroppedCountText(std::size_t files, std::size_t folders, std::size_t missing) {
    std::string text = kDroppedOpening;
    if (files > 0) text += CountOf(files, "file", "files");
    if (files > 0 && folders > 0) text += " and ";
    if (folders > 0) {
        text += CountOf(folders, "folder", "folders") + (folders == 1 ? kDroppedFolderEnding : kDroppedFoldersEnding);
    }
    if (files == 0 && folders == 0) text += "nothing";
    text += ".";
    if (missing > 0) text += " " + CountOf(missing, "dropped name does", "dropped names do") + " not exist.";
    return text;
}

// The first dropped names, one a line, then how many more.
inline std::string DroppedNamesText(const std::vector<std::string>& firstNames, std::size_t moreNames) {
    std::string text;
    for (const auto& name : firstNames) text += name + "\n";
    if (moreNames > 0) text += "... and " + std::to_string(moreNames) + " more.\n";
    return text;
}

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

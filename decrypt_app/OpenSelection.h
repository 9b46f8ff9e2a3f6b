#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin::decrypt {

// The Open dialog shown when the decryptor starts without names.
inline constexpr const char* kOpenTitle = "Open";
inline constexpr const char* kOpenFilter =
    "Encrypted File (*.pvb)|*.pvb|Old Pelorin File (*.enc)|*.enc|All Files (*.*)|*.*||";
inline constexpr const char* kOpenDefaultExtension = "enc";
inline constexpr std::size_t kOpenBufferSize = 2048;
inline constexpr const char* kTooManySelectedText =
    "The chosen file names do not fit in one selection. Choose fewer files, or drop them on the program's icon.";

// The filter with each '|' turned into the zero byte the system expects.
std::string SystemFilter(std::string_view filter);

// The full paths an Open dialog with multiple selection leaves in its
// buffer: either one full path, or the folder followed by each chosen name,
// every text ended by a zero byte and the list by an empty text.
std::vector<std::string> SelectedPaths(std::string_view buffer);

}  // namespace pelorin::decrypt

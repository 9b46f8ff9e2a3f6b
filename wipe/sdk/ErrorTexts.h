#pragma once

#include <string_view>

namespace pelorin::sdk {

inline constexpr std::string_view kDownloadLocation = "https://tarn6.software/pelorin/download";

// The text of a library error code, verbatim; unknown codes get
// "ERROR: Unrecognized error code".
std::string_view ErrorText(int code);

}  // namespace pelorin::sdk

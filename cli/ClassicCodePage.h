#pragma once

#include "app_common/Setting.h"
#include "cli/Arguments.h"

namespace pelorin::cli {

// The code page classic archives keep their names in, for the tool: the
// option, else the setting (0: the system's own, which is Windows-1252 on
// Linux, the code page of the archives' home), else the system's own.
inline constexpr const char* kCodePageOption = "--code-page";
inline constexpr const char* kArchivesSettingsKey = "Software\\Tarn6 Software\\Pelorin\\Archives";
inline constexpr Setting kCodePage{"codepage", 0, 0, 65535};

// Chooses it for the run (archive::SetClassicNameCodePage). A code page the
// system cannot convert is refused when it is given as the option (a usage
// error, said with `usage`; false) and named and passed over when it is the
// setting.
bool ChooseClassicCodePage(const ParsedArguments& parsed, const char* usage);

}  // namespace pelorin::cli

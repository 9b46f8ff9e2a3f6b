#include "app_common/OpenError.h"

#include "app_common/JobExit.h"

namespace pelorin {

std::string OpenErrorReason(platform::FileError error) {
    switch (error) {
        case platform::FileError::AccessDenied: return "Given path is a directory or file is read-only";
        case platform::FileError::Exists: return "The filename already exists.";
        case platform::FileError::InvalidArgument: return "Invalid oflag or shflag argument.";
        case platform::FileError::TooManyOpen: return "No more file handles available.";
        case platform::FileError::NotFound: return "File or path not found.";
        default: return "";
    }
}

void ShowOpenError(Ui& ui, platform::FileError error, const std::string& path) {
    ui.ShowMessage("A fatal error occured: " + OpenErrorReason(error) + "\nProgram will terminate.", path,
                   MessageIcon::Warning);
    throw JobExit(kExitOpenFailed);
}

}  // namespace pelorin

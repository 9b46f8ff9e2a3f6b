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
        case platform::FileError::IsLink: return "The name is a link, which is never followed.";
        case platform::FileError::NotRegular: return "The name is a device, pipe or socket, not a file.";
        case platform::FileError::InUse: return "The file is in use by another program.";
        default: return "";
    }
}

std::string FatalOpenText(platform::FileError error) {
    std::string reason = OpenErrorReason(error);
    if (reason.empty()) reason = platform::LastFailureText();
    return "A fatal error occured: " + reason + "\nProgram will terminate.";
}

std::string OpenErrorText(platform::FileError error, const std::string& path) {
    return path + "\n\n" + FatalOpenText(error);
}

int ReportOpenError(Ui& ui, platform::FileError error, const std::string& path) {
    ui.ShowMessage(OpenErrorText(error, path), kOpenErrorCaption, MessageIcon::Warning);
    return kExitOpenFailed;
}

void ShowOpenError(Ui& ui, platform::FileError error, const std::string& path) {
    throw JobExit(ReportOpenError(ui, error, path));
}

}  // namespace pelorin

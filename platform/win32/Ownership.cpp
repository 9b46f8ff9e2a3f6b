#include "platform/Ownership.h"

#include <windows.h>
#include <aclapi.h>

#include <memory>

#include "platform/win32/WidePath.h"

namespace pelorin::platform {
namespace {

// The user the program runs as, as its token says.
class TokenUser {
public:
    TokenUser() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        DWORD size = 0;
        GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
        if (size > 0) {
            buffer_ = std::make_unique<std::uint8_t[]>(size);
            if (!GetTokenInformation(token, ::TokenUser, buffer_.get(), size, &size)) buffer_.reset();
        }
        CloseHandle(token);
    }
    PSID sid() const { return buffer_ ? reinterpret_cast<TOKEN_USER*>(buffer_.get())->User.Sid : nullptr; }

private:
    std::unique_ptr<std::uint8_t[]> buffer_;
};

// The owner of the file or folder at `path` is the user, the administrators
// (who own what an elevated program makes) or the system.
bool OwnedByUserOrSystem(const std::string& path, bool wantFolder) {
    const std::wstring name = win32::LongPath(path);
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
        ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != wantFolder) {
        return false;
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(name.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const TokenUser user;
    const bool trusted = owner != nullptr && ((user.sid() != nullptr && EqualSid(owner, user.sid())) ||
                                              IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                                              IsWellKnownSid(owner, WinLocalSystemSid));
    LocalFree(descriptor);
    return trusted;
}

}  // namespace

bool EnsurePrivateToUser(const Folder& folder) { return OwnedByUserOrSystem(folder.path(), true); }

bool IsPrivateToUser(const Folder& folder, const std::string& name) {
    return OwnedByUserOrSystem(folder.PathOf(name), false);
}

}  // namespace pelorin::platform

#pragma once

#include <string>

#include "platform/Folder.h"

namespace pelorin::platform {

// What a program may take as its own bookkeeping (the journal of temporary
// files, whose entries name files to delete): only what no other user can
// have put there or changed. On Linux: owned by the user the program runs
// as (or by root) and writable by no one else; on Windows: owned by the
// user, the administrators or the system (the profile's access list keeps
// others out of what lies below it).

// Takes write access to a folder of the user's own away from everyone else
// (a folder made under a loose umask); true when the folder is then the
// user's alone.
bool EnsurePrivateToUser(const Folder& folder);

// Whether the regular file `name` in `folder` is the user's alone (never
// through a link).
bool IsPrivateToUser(const Folder& folder, const std::string& name);

}  // namespace pelorin::platform

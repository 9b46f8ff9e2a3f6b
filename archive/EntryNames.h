#pragma once

#include <optional>
#include <span>
#include <string>

#include "archive/HeaderCheck.h"
#include "archive/ReaderMessages.h"
#include "archive/Streams.h"

namespace pelorin::archive {

struct EntryNameResult {
    std::optional<std::string> name;  // nothing when the archive is damaged
    Damage damage = Damage::EndsInsideEntry;
};

// Classic archives keep entry names as text of a Windows code page (their
// bytes are what older installations read): the system's ANSI code page in
// the Windows programs and in pelorin.exe, Windows-1252 in the Linux tool,
// unless the tool is told another. Names are converted from and to UTF-8 as
// they are read and written; nothing else sees the code page.
unsigned ClassicNameCodePage();
// For the whole process, before a job starts; 0 for the system's own.
void SetClassicNameCodePage(unsigned codePage);

// The bytes a classic archive stores for a name; nothing when the code page
// cannot hold each of its characters exactly (a classic archive never holds
// a name that would come back as another).
std::optional<std::string> ClassicStoredName(const std::string& name);

// Reads an entry's name length and name (plain or through the header
// cipher), and gives the name as UTF-8. A length below 0, above the longest path Windows accepts, or one
// whose stored name would run past the end of the archive, marks the archive
// damaged; nothing is allocated by it.
EntryNameResult ReadEntryName(ByteSource& source, const OpenedArchive& archive, std::span<const std::uint8_t> passkey,
                              const ReaderState& state);

// Stored names are relative paths below the archive's folder with
// backslashes between components. False for a name that could leave that
// folder or name no file in it: empty, a drive letter or any colon, a
// leading or trailing backslash or slash, a last component ".",
// a ".." component, a zero byte, on hosts whose separator is '/' any '/', and
// on Windows a component Windows takes for a device or one holding a
// character no Windows name may hold (see below).
bool IsSafeEntryName(const std::string& name);

// A name component Windows opens as a device rather than a file in the
// folder: CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0..9 and LPT0..9 (and with
// a superscript 1, 2 or 3), in any case, also with an extension or spaces.
bool IsWindowsDeviceName(const std::string& component);

// A control character or one of < > " | ? *, which Windows refuses in names.
bool HoldsCharacterWindowsForbids(const std::string& component);

// The stored name with the host's separator.
std::string HostRelativePath(const std::string& name);

}  // namespace pelorin::archive

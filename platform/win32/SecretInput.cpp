#include "platform/SecretInput.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/Utf8.h"
#include "platform/win32/WidePath.h"

namespace pelorin::platform {
namespace {

// Characters of a typed line or a variable's value held on the way from
// UTF-16 to UTF-8; more make a secret too long for any caller: the longest
// passkey (version 8's) is 1024 bytes, and every character takes at least
// one.
constexpr std::size_t kMostWide = 1025;

// `count` UTF-16 characters as UTF-8, straight into `into`; a text that
// would not fit fills it (too long).
std::size_t Utf8Into(const wchar_t* wide, std::size_t count, std::span<std::uint8_t> into) {
    return Utf8FromUtf16Into(std::u16string_view(reinterpret_cast<const char16_t*>(wide), count), into);
}

// One line from a handle a byte at a time, as the POSIX layer reads it.
std::optional<std::size_t> ReadLine(HANDLE handle, std::span<std::uint8_t> into, bool dropRest, bool* sawAnything) {
    std::size_t length = 0;
    *sawAnything = false;
    for (;;) {
        std::uint8_t spill = 0;
        std::uint8_t* slot = length < into.size() ? into.data() + length : &spill;
        DWORD got = 0;
        if (!ReadFile(handle, slot, 1, &got, nullptr)) {
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) break;
            win32::RememberFailure(code);
            return std::nullopt;
        }
        if (got == 0) break;
        *sawAnything = true;
        const bool lineEnd = *slot == '\n';
        SecureZeroMemory(&spill, sizeof spill);
        if (lineEnd) {
            if (slot != &spill) *slot = 0;
            break;
        }
        if (slot != &spill) ++length;
        if (length == into.size() && !dropRest) break;
    }
    if (length > 0 && length < into.size() && into[length - 1] == '\r') into[--length] = 0;
    return length;
}

// The C run-time keeps copies of the environment of its own (narrow and
// wide) for getenv: the variable's value is overwritten there too.
void ScrubRuntimeCopies(const std::string& name) {
    const std::string prefix = name + "=";
    if (char** entries = _environ) {
        for (; *entries != nullptr; ++entries) {
            if (_strnicmp(*entries, prefix.c_str(), prefix.size()) != 0) continue;
            SecureZeroMemory(*entries + prefix.size(), std::strlen(*entries + prefix.size()));
        }
    }
    const std::wstring widePrefix = win32::Widen(prefix);
    if (wchar_t** entries = _wenviron) {
        for (; *entries != nullptr; ++entries) {
            if (_wcsnicmp(*entries, widePrefix.c_str(), widePrefix.size()) != 0) continue;
            SecureZeroMemory(*entries + widePrefix.size(), std::wcslen(*entries + widePrefix.size()) * sizeof(wchar_t));
        }
    }
}

}  // namespace

std::optional<std::size_t> ReadFirstLine(const std::string& path, std::span<std::uint8_t> into) {
    HANDLE file = CreateFileW(win32::LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        win32::RememberFailure(GetLastError());
        return std::nullopt;
    }
    bool sawAnything = false;
    const auto length = ReadLine(file, into, false, &sawAnything);
    CloseHandle(file);
    return length;
}

std::optional<std::size_t> ReadHiddenLine(const std::string& prompt, std::span<std::uint8_t> into) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    bool sawAnything = false;
    if (GetConsoleMode(input, &mode) == FALSE) {
        // Not a console: bytes as they come.
        const auto length = ReadLine(input, into, true, &sawAnything);
        if (!length || !sawAnything) return std::nullopt;
        return length;
    }
    // A console delivers Unicode: the line is read wide and kept as UTF-8.
    SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    wchar_t line[kMostWide];
    wchar_t chunk[64];
    std::size_t count = 0;
    bool overflow = false;
    bool ended = false;
    DWORD got = 0;
    while (!ended && ReadConsoleW(input, chunk, 64, &got, nullptr) && got > 0) {
        sawAnything = true;
        for (DWORD i = 0; i < got && !ended; ++i) {
            if (chunk[i] == L'\n') {
                ended = true;
            } else if (chunk[i] != L'\r') {
                if (count < kMostWide) {
                    line[count++] = chunk[i];
                } else {
                    overflow = true;
                }
            }
        }
    }
    SecureZeroMemory(chunk, sizeof chunk);
    SetConsoleMode(input, mode);
    std::fputs("\n", stderr);
    const std::size_t length =
        overflow ? into.size() : Utf8Into(line, count, into);
    SecureZeroMemory(line, sizeof line);
    if (!ended && !sawAnything) return std::nullopt;
    return length;
}

std::optional<std::size_t> TakeEnvironmentSecret(const std::string& name, std::span<std::uint8_t> into) {
    const std::wstring wideName = win32::Widen(name);
    wchar_t value[kMostWide];
    SetLastError(ERROR_SUCCESS);
    const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value, kMostWide);
    if (got == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    // Too long for the buffer: `got` is then the room it would need.
    const bool fits = got < kMostWide;
    const std::size_t valueLength = fits ? got : got - 1;
    const std::size_t length = fits ? Utf8Into(value, got, into) : into.size();
    SecureZeroMemory(value, sizeof value);
    ScrubRuntimeCopies(name);
    // The system's block: the value overwritten where it stands (a value of
    // the same length takes its place), then the variable removed.
    const std::wstring blank(valueLength, L'0');
    SetEnvironmentVariableW(wideName.c_str(), blank.c_str());
    SetEnvironmentVariableW(wideName.c_str(), nullptr);
    return length;
}

}  // namespace pelorin::platform

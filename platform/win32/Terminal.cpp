#include "platform/Terminal.h"

#include <windows.h>

#include "platform/CodePage.h"
#include "platform/win32/WidePath.h"

#include <cstdio>
#include <iostream>

namespace pelorin::platform {
namespace {

// A console, not merely a character device: the C run-time's isatty also
// says yes for NUL, where nobody reads a question or types an answer.
bool IsConsole(DWORD which) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(which), &mode) != 0;
}

// A passkey typed or handed over, in the code page the classic archives'
// passkeys are written in; `exact` (when given) turns false when a
// character has no form there.
std::string InCodePage(const std::wstring& wide, bool* exact) {
    std::string utf8 = win32::Narrow(wide);
    auto text = CodePageFromUtf8(utf8, SystemCodePage());
    SecureZeroMemory(utf8.data(), utf8.size());
    if (!text && exact) *exact = false;
    return text ? std::move(*text) : std::string();
}

}  // namespace

bool StandardErrorIsTerminal() { return IsConsole(STD_ERROR_HANDLE); }

bool StandardInputIsTerminal() { return IsConsole(STD_INPUT_HANDLE); }

std::optional<std::string> EnvironmentText(const std::string& name, bool* exact) {
    if (exact) *exact = true;
    const std::wstring wideName = win32::Widen(name);
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (length == 0) return std::nullopt;
    std::wstring value(length, L'\0');
    const DWORD got = GetEnvironmentVariableW(wideName.c_str(), value.data(), length);
    value.resize(got);
    std::string text = InCodePage(value, exact);
    SecureZeroMemory(value.data(), value.size() * sizeof(wchar_t));
    return text;
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt, bool* exact) {
    if (exact) *exact = true;
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode) == FALSE) {
        // Not a console: bytes as they come.
        std::string line;
        if (!std::getline(std::cin, line)) return std::nullopt;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    // A console delivers Unicode; its own code page differs from the
    // system's, which the dialogs use, so the line is read wide.
    SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::wstring line;
    wchar_t buffer[256];
    DWORD got = 0;
    bool ended = false;
    while (!ended && ReadConsoleW(input, buffer, 256, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got && !ended; ++i) {
            if (buffer[i] == L'\n') {
                ended = true;
            } else if (buffer[i] != L'\r') {
                line += buffer[i];
            }
        }
    }
    SecureZeroMemory(buffer, sizeof buffer);
    SetConsoleMode(input, mode);
    std::fputs("\n", stderr);
    if (!ended && line.empty()) return std::nullopt;
    std::string text = InCodePage(line, exact);
    SecureZeroMemory(line.data(), line.size() * sizeof(wchar_t));
    return text;
}

}  // namespace pelorin::platform

namespace pelorin::platform {

int StandardErrorColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

Utf8Output::Utf8Output() {
    if (IsConsole(STD_OUTPUT_HANDLE) || IsConsole(STD_ERROR_HANDLE)) {
        previous_ = GetConsoleOutputCP();
        if (previous_ == CP_UTF8 || !SetConsoleOutputCP(CP_UTF8)) previous_ = 0;
    }
}

Utf8Output::~Utf8Output() {
    if (previous_ != 0) SetConsoleOutputCP(previous_);
}

}  // namespace pelorin::platform

#include "platform/win32/WidePath.h"

#include "platform/File.h"
#include "platform/Utf8.h"

namespace pelorin::platform {
namespace {
thread_local std::string lastFailure;
}

std::string LastFailureText() { return lastFailure; }

namespace win32 {

void RememberFailure(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string words = length > 0 && text != nullptr ? Narrow(std::wstring(text, length)) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.')) {
        words.pop_back();
    }
    lastFailure = words.empty() ? "system error " + std::to_string(code) : words;
}

namespace {

std::wstring WideOf(const std::string& text, char16_t replacement) {
    const std::u16string wide = Utf16FromUtf8(text, replacement);
    return std::wstring(wide.begin(), wide.end());
}

}  // namespace

std::wstring Widen(const std::string& text) { return WideOf(text, u'\uFFFD'); }

std::string Narrow(const std::wstring& text) {
    return Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

std::wstring LongPath(const std::string& path) {
    std::wstring wide = WideOf(path, u'|');
    if (wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0) return wide;
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return wide;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return wide;
    full.resize(length);
    if (full.rfind(L"\\\\.\\", 0) == 0) return full;  // a device: no long form
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace win32
}  // namespace pelorin::platform

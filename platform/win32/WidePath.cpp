#include "platform/win32/WidePath.h"

#include "platform/File.h"
#include "platform/Utf8.h"

#include <vector>

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

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The length of a full name's root: "X:\" or "\\server\share\"; 0 for a
// name the current folder or drive completes.
std::size_t RootLength(const std::wstring& name) {
    if (name.size() >= 3 && name[1] == L':' && IsSeparator(name[2])) return 3;
    if (name.size() < 3 || !IsSeparator(name[0]) || !IsSeparator(name[1])) return 0;
    std::size_t at = 2;
    for (int part = 0; part < 2 && at < name.size(); ++part) {
        while (at < name.size() && !IsSeparator(name[at])) ++at;
        if (at < name.size()) ++at;
    }
    return at;
}

// What the system would start a name of no root from: the current folder,
// the current folder of a drive ("X:name") or the current drive ("\name").
std::wstring BaseOf(const std::wstring& name, std::size_t& consumed) {
    std::wstring start = L".";
    consumed = 0;
    if (name.size() >= 2 && name[1] == L':') {
        start = name.substr(0, 2);
        consumed = 2;
    } else if (!name.empty() && IsSeparator(name[0])) {
        start = L"\\";
        consumed = 1;
    }
    DWORD length = GetFullPathNameW(start.c_str(), 0, nullptr, nullptr);
    if (length == 0) return {};
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(start.c_str(), length, full.data(), nullptr);
    if (length == 0 || length >= full.size()) return {};
    full.resize(length);
    return full;
}

}  // namespace

std::wstring FullName(const std::wstring& name) {
    if (name.rfind(L"\\\\?\\", 0) == 0 || name.rfind(L"\\\\.\\", 0) == 0) return name;
    std::wstring whole = name;
    if (RootLength(whole) == 0) {
        std::size_t consumed = 0;
        const std::wstring base = BaseOf(whole, consumed);
        if (base.empty()) return name;
        whole = base + L"\\" + whole.substr(consumed);
    }
    const std::size_t rootLength = RootLength(whole);
    if (rootLength == 0) return name;
    std::wstring root = whole.substr(0, rootLength);
    for (auto& c : root) {
        if (c == L'/') c = L'\\';
    }
    if (root.back() != L'\\') root += L'\\';
    // Each component as written: unlike GetFullPathNameW, a trailing dot or
    // space is kept, because "name." is another file than "name".
    std::vector<std::wstring> parts;
    std::size_t at = rootLength;
    while (at <= whole.size()) {
        std::size_t end = at;
        while (end < whole.size() && !IsSeparator(whole[end])) ++end;
        const std::wstring part = whole.substr(at, end - at);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::wstring full = root;
    for (std::size_t i = 0; i < parts.size(); ++i) full += (i > 0 ? L"\\" : L"") + parts[i];
    const bool endsInSeparator = !whole.empty() && IsSeparator(whole.back());
    if (endsInSeparator && !parts.empty()) full += L'\\';
    return full;
}

std::wstring LongPath(const std::string& path) {
    const std::wstring wide = WideOf(path, u'|');
    if (wide.find_first_of(L"\\/:") == std::wstring::npos) {
        // A bare "nul" or "con" means the device, as everywhere on Windows.
        wchar_t device[MAX_PATH];
        const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH, device, nullptr);
        if (length > 0 && length < MAX_PATH && std::wstring(device, length).rfind(L"\\\\.\\", 0) == 0) {
            return std::wstring(device, length);
        }
    }
    const std::wstring full = FullName(wide);
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0) return full;
    if (RootLength(full) == 0) return full;
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace win32
}  // namespace pelorin::platform

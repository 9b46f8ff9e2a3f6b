#include "archive/EntryNames.h"

#include <array>
#include <atomic>
#include <string_view>
#include <vector>

#include "archive/HeaderCipher.h"
#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace pelorin::archive {
namespace {

// 0 until set: the system's own.
std::atomic<unsigned> classicCodePage{0};

}  // namespace

unsigned ClassicNameCodePage() {
    const unsigned set = classicCodePage.load();
    return set != 0 ? set : platform::SystemCodePage();
}

void SetClassicNameCodePage(unsigned codePage) { classicCodePage.store(codePage); }

std::optional<std::string> ClassicStoredName(const std::string& name) {
    return platform::CodePageFromUtf8(name, ClassicNameCodePage());
}

EntryNameResult ReadEntryName(ByteSource& source, const OpenedArchive& archive, std::span<const std::uint8_t> passkey,
                              const ReaderState& state) {
    const bool encrypted = HeadersEncrypted(archive.header);
    const std::size_t fieldLength = NameLengthFieldLength(archive.header.version);
    std::array<std::uint8_t, kWideNameLengthLength> field{};
    if (!ReadHeaderItem(source, std::span(field).first(fieldLength), encrypted, passkey, state.keystream())) {
        return {std::nullopt, Damage::EndsInsideEntry};
    }
    const std::int64_t length = DecodeNameLength(field, archive.header.version);
    if (length < 0 || length > kMaxStoredNameLength || StoredItemLength(static_cast<std::uint64_t>(length), encrypted) > source.Remaining()) {
        return {std::nullopt, Damage::ImpossibleNameLength};
    }
    std::string name(static_cast<std::size_t>(length), '\0');
    auto bytes = std::span(reinterpret_cast<std::uint8_t*>(name.data()), name.size());
    if (!ReadHeaderItem(source, bytes, encrypted, passkey, state.keystream())) {
        return {std::nullopt, Damage::EndsInsideEntry};
    }
    return {platform::Utf8FromCodePage(name, ClassicNameCodePage()), Damage::EndsInsideEntry};
}

bool IsWindowsDeviceName(const std::string& component) {
    // Windows reads the part before the first dot, spaces at its end
    // ignored, in any case, as a device: "nul", "CON.txt", "Lpt9 .log".
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    static constexpr std::array<std::string_view, 6> kDevices{"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const std::string_view device : kDevices) {
        if (base == device) return true;
    }
    if (base.rfind("COM", 0) != 0 && base.rfind("LPT", 0) != 0) return false;
    const std::string number = base.substr(3);
    // A digit, or a superscript one, two or three in UTF-8.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

bool HoldsCharacterWindowsForbids(const std::string& component) {
    for (const char c : component) {
        if ((c > 0 && c < 0x20) || std::string_view("<>\"|?*").find(c) != std::string_view::npos) return true;
    }
    return false;
}

bool IsSafeEntryName(const std::string& name) {
    if (name.empty()) return false;
    if (name.front() == '\\' || name.front() == '/') return false;
    if (name.back() == '\\' || name.back() == '/') return false;
    // A last component "." names the folder itself, not a file in it.
    if (name == "." || (name.size() >= 2 && name.compare(name.size() - 2, 2, "\\.") == 0)) return false;
    if (name.find('\0') != std::string::npos || name.find(':') != std::string::npos) return false;
    if (platform::kHostSeparator == '/' && name.find('/') != std::string::npos) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        const std::string component = name.substr(start, end - start);
        if (component == "..") return false;
        // A file of such a name cannot be made on Windows; writing there
        // would reach the device instead, or fail.
        if (platform::kHostSeparator == '\\' && (IsWindowsDeviceName(component) || HoldsCharacterWindowsForbids(component))) {
            return false;
        }
        // Windows ignores trailing dots and spaces, so "..." or ". ." could
        // stand for "..": refuse components made only of them.
        if (!component.empty() && component.find_first_not_of(". ") == std::string::npos && component != ".") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

std::string HostRelativePath(const std::string& name) {
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = platform::kHostSeparator;
    }
    return path;
}

}  // namespace pelorin::archive

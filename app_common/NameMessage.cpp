#include "app_common/NameMessage.h"

#include "platform/Utf8.h"

namespace pelorin {
namespace {

void PutNumber(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

// Takes a 32-bit little-endian number from the front of `bytes`.
std::optional<std::uint32_t> TakeNumber(std::string_view& bytes) {
    if (bytes.size() < 4) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    bytes.remove_prefix(4);
    return value;
}

}  // namespace

std::string EncodeNameMessage(const std::vector<std::string>& names) {
    std::string out(kNameMessageMagic);
    PutNumber(out, static_cast<std::uint32_t>(names.size()));
    for (const auto& name : names) {
        PutNumber(out, static_cast<std::uint32_t>(name.size()));
        out += name;
    }
    return out;
}

std::optional<std::vector<std::string>> DecodeNameMessage(std::string_view bytes) {
    if (bytes.size() > kMostNameMessageBytes || bytes.substr(0, kNameMessageMagic.size()) != kNameMessageMagic) {
        return std::nullopt;
    }
    bytes.remove_prefix(kNameMessageMagic.size());
    const auto count = TakeNumber(bytes);
    if (!count || *count > kMostHandedNames) return std::nullopt;
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < *count; ++i) {
        const auto length = TakeNumber(bytes);
        if (!length || *length == 0 || *length > kMostNameBytes || *length > bytes.size()) return std::nullopt;
        const std::string_view name = bytes.substr(0, *length);
        if (name.find('\0') != std::string_view::npos || !platform::IsUtf8WithSurrogates(name)) return std::nullopt;
        names.emplace_back(name);
        bytes.remove_prefix(*length);
    }
    if (!bytes.empty()) return std::nullopt;
    return names;
}

}  // namespace pelorin

#include "TestHex.h"

#include <algorithm>
#include <stdexcept>

namespace pelorin::test {

std::vector<std::uint8_t> FromHex(std::string_view hex) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c == ' ') continue;
        else throw std::invalid_argument("bad hex");
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0) throw std::invalid_argument("odd hex");
    return out;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> SwapHalves(std::vector<std::uint8_t> data) {
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) std::reverse(data.begin() + i, data.begin() + i + 4);
    return data;
}

std::vector<std::uint8_t> SwapWords(std::vector<std::uint8_t> data) {
    for (std::size_t i = 0; i + 2 <= data.size(); i += 2) std::swap(data[i], data[i + 1]);
    return data;
}

std::vector<std::uint8_t> TestBytes(std::size_t count, std::uint32_t seed) {
    std::vector<std::uint8_t> out(count);
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return out;
}

}  // namespace pelorin::test

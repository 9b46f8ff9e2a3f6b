#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace pelorin::test {

// The Pseudo-RC4 keystream written out step by step (RC4's key setup, then a
// generator that never exchanges), independent of the product's code. With
// `exchange` it is standard RC4.
inline std::vector<std::uint8_t> NaiveKeystream(std::span<const std::uint8_t> key, std::size_t count,
                                                bool exchange = false) {
    std::uint8_t s[256];
    for (int n = 0; n < 256; ++n) s[n] = static_cast<std::uint8_t>(n);
    std::uint8_t x = 0;
    for (int n = 0; n < 256; ++n) {
        x = static_cast<std::uint8_t>(x + s[n] + key[n % key.size()]);
        std::swap(s[n], s[x]);
    }
    std::vector<std::uint8_t> out;
    std::uint8_t i = 0, j = 0;
    for (std::size_t n = 0; n < count; ++n) {
        i = static_cast<std::uint8_t>(i + 1);
        j = static_cast<std::uint8_t>(j + s[i]);
        if (exchange) std::swap(s[i], s[j]);
        out.push_back(s[static_cast<std::uint8_t>(s[i] + s[j])]);
    }
    return out;
}

}  // namespace pelorin::test

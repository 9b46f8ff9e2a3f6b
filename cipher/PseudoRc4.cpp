#include "cipher/PseudoRc4.h"

#include <algorithm>
#include <stdexcept>

#include "cipher/Scramble.h"

namespace pelorin {

PseudoRc4State::PseudoRc4State(std::span<const std::uint8_t> key) : schedule_(kKeyScrubPasses) {
    if (key.empty()) throw std::invalid_argument("Pseudo-RC4 needs at least one key byte");
    PseudoRc4Schedule& st = *schedule_;
    for (int n = 0; n < 256; ++n) st.s[n] = static_cast<std::uint8_t>(n);
    std::uint8_t x = 0;
    std::size_t k = 0;
    for (int n = 0; n < 256; ++n) {
        x = static_cast<std::uint8_t>(x + st.s[n] + key[k]);
        std::swap(st.s[n], st.s[x]);
        k = (k + 1) % key.size();
    }
    std::uint8_t i = 0, j = 0;
    for (std::size_t n = 0; n < kPseudoRc4Period; ++n) {
        i = static_cast<std::uint8_t>(i + 1);
        j = static_cast<std::uint8_t>(j + st.s[i]);
        st.keystream[n] = st.s[static_cast<std::uint8_t>(st.s[i] + st.s[j])];
    }
    std::copy(st.keystream, st.keystream + kPseudoRc4Period, st.keystream + kPseudoRc4Period);
}

std::uint8_t PseudoRc4State::NextByte() {
    const std::uint8_t byte = schedule_->keystream[position_];
    position_ = (position_ + 1) % kPseudoRc4Period;
    return byte;
}

void PseudoRc4State::ApplyAt(std::size_t& position, std::uint8_t* data, std::size_t length) const {
    const std::uint8_t* keystream = schedule_->keystream;
    for (std::size_t done = 0; done < length;) {
        const std::size_t run = std::min(length - done, kPseudoRc4Period);
        const std::uint8_t* stream = keystream + position;
        for (std::size_t n = 0; n < run; ++n) data[done + n] ^= stream[n];
        position = (position + run) % kPseudoRc4Period;
        done += run;
    }
}

void PseudoRc4State::ApplyLegacy(std::uint8_t* data, std::size_t groupCount) const {
    const std::uint8_t* first = schedule_->keystream;
    for (std::size_t g = 0; g < groupCount; ++g) {
        for (int n = 0; n < 8; ++n) data[g * 8 + n] ^= first[n];
    }
}

}  // namespace pelorin

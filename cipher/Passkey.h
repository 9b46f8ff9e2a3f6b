#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "cipher/CipherKey.h"
#include "cipher/SecureBuffer.h"

namespace pelorin {

// The passkey as the user gave it, held once: in locked memory from the
// first byte read into it until it is released, then overwritten. Readers of
// terminals, files and the environment write into it directly (Room, then
// SetLength); whatever needs the passkey (the check value, the header
// cipher, the derivation of an entry's key) takes a view of bytes() for the
// moment it needs it and keeps no copy, so that a job's memory holds the
// passkey exactly once. Not copyable: it is passed by reference, also to an
// archive format added later.
class Passkey {
public:
    // The longest passkey any archive takes (version 8's), and one byte
    // more: a longer one is kept as that many bytes, so that it is refused
    // as too long rather than cut to a passkey that was never typed.
    static constexpr std::size_t kCapacity = kMaxModernPasskeyLength + 1;

    Passkey();
    // From a text the caller scrubs itself (a dialog's field, a test).
    explicit Passkey(std::string_view text);
    Passkey& operator=(std::string_view text);
    Passkey(Passkey&& other) noexcept;
    Passkey& operator=(Passkey&& other) noexcept;
    Passkey(const Passkey&) = delete;
    Passkey& operator=(const Passkey&) = delete;

    std::span<const std::uint8_t> bytes() const { return {buffer_.data(), size_}; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Zero-terminated, for a dialog's field.
    const char* c_str() const { return reinterpret_cast<const char*>(buffer_.data()); }

    // For a reader: the whole capacity to read into, then how much of it
    // the passkey takes (at most kCapacity).
    std::span<std::uint8_t> Room() { return {buffer_.data(), kCapacity}; }
    void SetLength(std::size_t length);

    // Another passkey's bytes (the second copy lives only until the typed
    // twice are compared).
    void CopyFrom(const Passkey& other);
    // Overwrites the bytes now; the passkey is empty afterwards.
    void Clear();
    // The same bytes, compared in a time that does not depend on where they
    // differ.
    bool SameAs(const Passkey& other) const;

private:
    SecureBuffer buffer_;
    std::size_t size_ = 0;
};

}  // namespace pelorin

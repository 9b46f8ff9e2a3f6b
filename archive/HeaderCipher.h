#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "archive/Streams.h"
#include "cipher/Algorithm.h"
#include "cipher/PseudoRc4.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {

// The header cipher: each header item (name length, name, size) is one piece
// whose groups are XORed with a Pseudo-RC4 keystream keyed by the passkey as
// typed, set up afresh for every item. Archives before version 7 used the
// legacy keystream that restarts for every group.

// While it lives, header items of this passkey on the calling thread start
// from one keyed state instead of keying the header cipher afresh for each
// item: the stored bytes are the same, the key setup and the scrub of its
// state happen once per job instead of three times per entry. Scopes nest;
// the state is scrubbed when the scope ends. The scope keeps no copy of the
// passkey: it answers for the very bytes it was given (the job's one
// Passkey, which outlives it); a copy of them elsewhere is keyed afresh.
class HeaderKeyScope {
public:
    explicit HeaderKeyScope(std::span<const std::uint8_t> passkey);
    ~HeaderKeyScope();
    HeaderKeyScope(const HeaderKeyScope&) = delete;
    HeaderKeyScope& operator=(const HeaderKeyScope&) = delete;

    // The keyed state for `passkey` from the innermost scope of this thread,
    // or nullptr when no scope holds that passkey.
    static const PseudoRc4State* For(std::span<const std::uint8_t> passkey);

private:
    std::span<const std::uint8_t> passkey_;
    std::unique_ptr<PseudoRc4State> state_;
    HeaderKeyScope* outer_;
};

// Writes `item` enciphered. False when the sink did not take every byte.
bool WriteEncryptedHeader(ByteSink& sink, std::span<const std::uint8_t> item, std::span<const std::uint8_t> passkey);

// Reads one enciphered item of out.size() bytes. False when the source ends
// (or fails) before the whole stored piece was read; `out` is then undefined.
bool ReadEncryptedHeader(ByteSource& source, std::span<std::uint8_t> out, std::span<const std::uint8_t> passkey,
                         KeystreamVariant variant);

// A header item as the archive stores it: enciphered when `encrypted`, plain
// otherwise.
bool WriteHeaderItem(ByteSink& sink, std::span<const std::uint8_t> item, bool encrypted,
                     std::span<const std::uint8_t> passkey);
bool ReadHeaderItem(ByteSource& source, std::span<std::uint8_t> out, bool encrypted,
                    std::span<const std::uint8_t> passkey, KeystreamVariant variant);

}  // namespace pelorin::archive

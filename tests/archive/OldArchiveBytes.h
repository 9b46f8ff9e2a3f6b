// Pieces of archives in the layouts of older versions, assembled byte by
// byte without the writer, so that the reader is checked against the layout
// and not only against its own writer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "cipher/Des.h"
#include "support/NaiveRc4.h"

namespace pelorin::test::old_archive {

using Bytes = std::vector<std::uint8_t>;

// The first 8 bytes of the Pseudo-RC4 keystream, step by step.
inline Bytes FirstKeystreamBytes(const Bytes& key) { return NaiveKeystream(key, 8); }

// A piece: whole groups through `group`, then pad byte and padded group.
template <class GroupFunction>
Bytes Piece(const Bytes& plain, GroupFunction group) {
    Bytes out;
    std::size_t n = 0;
    for (; n + 8 <= plain.size(); n += 8) {
        Bytes g(plain.begin() + n, plain.begin() + n + 8);
        group(g.data());
        out.insert(out.end(), g.begin(), g.end());
    }
    if (n < plain.size()) {
        Bytes tail(plain.begin() + n, plain.end());
        std::uint8_t pad = 0;
        while (std::find(tail.begin(), tail.end(), pad) != tail.end()) ++pad;
        tail.resize(8, pad);
        group(tail.data());
        out.push_back(pad);
        out.insert(out.end(), tail.begin(), tail.end());
    }
    return out;
}

inline auto LegacyXor(const Bytes& key) {
    const Bytes stream = FirstKeystreamBytes(key);
    return [stream](std::uint8_t* g) {
        for (int k = 0; k < 8; ++k) g[k] ^= stream[k];
    };
}

inline void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline Bytes Header(std::uint8_t version, std::uint8_t algorithm, std::uint8_t encrypted, std::uint8_t hashed) {
    Bytes h(128, 0);
    h[0] = version;
    h[1] = algorithm;
    h[2] = encrypted;
    h[3] = hashed;
    return h;
}

inline Bytes BigEndian32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

inline const Bytes kSalt = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};

// A version 3 archive (no salt or check value, 2-byte name length, plain
// headers, unhashed passkey) holding one file enciphered with DES.
inline Bytes Version3DesArchive(const std::string& name, const Bytes& data, const std::string& passkey) {
    Bytes archive = Header(3, 2, 0, 0);
    Append(archive, {0x00, static_cast<std::uint8_t>(name.size())});
    Append(archive, Span(name));
    Append(archive, BigEndian32(static_cast<std::uint32_t>(data.size())));
    Append(archive, kSalt);
    Bytes key = Span(passkey);
    for (std::size_t i = 0; i < key.size(); ++i) key[i] ^= kSalt[i % 8];
    const DesKey des(key);
    Append(archive, Piece(data, [&](std::uint8_t* g) { des.EncryptBlock(g); }));
    return archive;
}

}  // namespace pelorin::test::old_archive

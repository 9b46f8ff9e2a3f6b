#include "archive/HeaderCipher.h"

#include "cipher/Piece.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {

bool WriteEncryptedHeader(ByteSink& sink, std::span<const std::uint8_t> item, std::span<const std::uint8_t> passkey) {
    auto cipher = MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), passkey);
    SecureBuffer stored(StoredPieceLength(item.size()), kDataScrubPasses);
    EncipherPiece(*cipher, item, stored.bytes());
    return sink.Write(stored.bytes());
}

bool ReadEncryptedHeader(ByteSource& source, std::span<std::uint8_t> out, std::span<const std::uint8_t> passkey,
                         KeystreamVariant variant) {
    SecureBuffer stored(StoredPieceLength(out.size()), kDataScrubPasses);
    if (source.Read(stored.bytes()) != stored.size()) return false;
    auto cipher = MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), passkey, variant);
    DecipherPiece(*cipher, stored.bytes(), out);
    return true;
}

bool WriteHeaderItem(ByteSink& sink, std::span<const std::uint8_t> item, bool encrypted,
                     std::span<const std::uint8_t> passkey) {
    return encrypted ? WriteEncryptedHeader(sink, item, passkey) : sink.Write(item);
}

bool ReadHeaderItem(ByteSource& source, std::span<std::uint8_t> out, bool encrypted,
                    std::span<const std::uint8_t> passkey, KeystreamVariant variant) {
    if (encrypted) return ReadEncryptedHeader(source, out, passkey, variant);
    return source.Read(out) == out.size();
}

}  // namespace pelorin::archive

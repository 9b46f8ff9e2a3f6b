#include "archive/HeaderCipher.h"

#include <algorithm>

#include "cipher/Piece.h"
#include "cipher/Scramble.h"
#include "cipher/SecureBuffer.h"

namespace pelorin::archive {
namespace {

thread_local HeaderKeyScope* innermostScope = nullptr;

std::unique_ptr<GroupCipher> HeaderCipher(std::span<const std::uint8_t> passkey, KeystreamVariant variant) {
    if (const PseudoRc4State* keyed = HeaderKeyScope::For(passkey)) return MakePseudoRc4Cipher(*keyed, variant);
    return MakeGroupCipher(static_cast<int>(Algorithm::PseudoRc4), passkey, variant);
}

}  // namespace

HeaderKeyScope::HeaderKeyScope(std::span<const std::uint8_t> passkey)
    : passkey_(passkey),
      state_(passkey.empty() ? nullptr : std::make_unique<PseudoRc4State>(passkey)),
      outer_(innermostScope) {
    innermostScope = this;
}

HeaderKeyScope::~HeaderKeyScope() { innermostScope = outer_; }

const PseudoRc4State* HeaderKeyScope::For(std::span<const std::uint8_t> passkey) {
    const HeaderKeyScope* scope = innermostScope;
    if (scope == nullptr || !scope->state_) return nullptr;
    if (scope->passkey_.data() != passkey.data() || scope->passkey_.size() != passkey.size()) return nullptr;
    return scope->state_.get();
}

bool WriteEncryptedHeader(ByteSink& sink, std::span<const std::uint8_t> item, std::span<const std::uint8_t> passkey) {
    auto cipher = HeaderCipher(passkey, KeystreamVariant::Current);
    SecureBuffer stored(StoredPieceLength(item.size()), kDataScrubPasses);
    EncipherPiece(*cipher, item, stored.bytes());
    return sink.Write(stored.bytes());
}

bool ReadEncryptedHeader(ByteSource& source, std::span<std::uint8_t> out, std::span<const std::uint8_t> passkey,
                         KeystreamVariant variant) {
    SecureBuffer stored(StoredPieceLength(out.size()), kDataScrubPasses);
    if (source.Read(stored.bytes()) != stored.size()) return false;
    auto cipher = HeaderCipher(passkey, variant);
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

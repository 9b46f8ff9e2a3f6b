#include "cipher/Algorithm.h"

#include <stdexcept>

#include "cipher/Blowfish.h"
#include "cipher/Des.h"
#include "cipher/Idea.h"
#include "cipher/NewDes.h"
#include "cipher/PseudoRc4.h"
#include "cipher/Safer.h"
#include "cipher/ShiftCiphers.h"

namespace pelorin {
namespace {

// Any key object with EncryptGroups / DecryptGroups over whole groups.
template <class Key>
class KeyedGroupCipher final : public GroupCipher {
public:
    explicit KeyedGroupCipher(std::span<const std::uint8_t> key) : key_(key) {}
    void Encrypt(std::span<std::uint8_t> groups) override {
        key_.EncryptGroups(groups.data(), GroupCount(groups));
    }
    void Decrypt(std::span<std::uint8_t> groups) override {
        key_.DecryptGroups(groups.data(), GroupCount(groups));
    }

private:
    static std::size_t GroupCount(std::span<std::uint8_t> groups) {
        if (groups.size() % kGroupSize != 0) throw std::invalid_argument("data must be whole groups");
        return groups.size() / kGroupSize;
    }
    Key key_;
};

class PseudoRc4GroupCipher final : public GroupCipher {
public:
    PseudoRc4GroupCipher(std::span<const std::uint8_t> key, KeystreamVariant variant)
        : owned_(std::make_unique<PseudoRc4State>(key)), state_(*owned_), variant_(variant) {}
    PseudoRc4GroupCipher(const PseudoRc4State& keyed, KeystreamVariant variant) : state_(keyed), variant_(variant) {}
    void Encrypt(std::span<std::uint8_t> groups) override { Apply(groups); }
    void Decrypt(std::span<std::uint8_t> groups) override { Apply(groups); }
    bool GroupsIndependent() const override { return false; }

private:
    void Apply(std::span<std::uint8_t> groups) {
        if (groups.size() % kGroupSize != 0) throw std::invalid_argument("data must be whole groups");
        if (variant_ == KeystreamVariant::Legacy) {
            state_.ApplyLegacy(groups.data(), groups.size() / kGroupSize);
        } else {
            state_.ApplyAt(position_, groups.data(), groups.size());
        }
    }
    std::unique_ptr<PseudoRc4State> owned_;
    const PseudoRc4State& state_;
    KeystreamVariant variant_;
    std::size_t position_ = 0;
};

}  // namespace

const AlgorithmInfo* FindAlgorithm(int number) {
    if (number < 0 || number >= kAlgorithmCount) return nullptr;
    return &kAlgorithms[static_cast<std::size_t>(number)];
}

std::unique_ptr<GroupCipher> MakeGroupCipher(int number, std::span<const std::uint8_t> key,
                                             KeystreamVariant variant) {
    const AlgorithmInfo* info = FindAlgorithm(number);
    if (info == nullptr) return nullptr;
    if (key.size() < static_cast<std::size_t>(info->keyBytesRequired)) {
        throw std::invalid_argument("key shorter than the cipher reads");
    }
    switch (info->number) {
        case Algorithm::Ascii: return std::make_unique<KeyedGroupCipher<AsciiKey>>(key);
        case Algorithm::Blowfish: return std::make_unique<KeyedGroupCipher<BlowfishKey>>(key);
        case Algorithm::Des: return std::make_unique<KeyedGroupCipher<DesKey>>(key);
        case Algorithm::Idea: return std::make_unique<KeyedGroupCipher<IdeaKey>>(key);
        case Algorithm::NewDes: return std::make_unique<KeyedGroupCipher<NewDesKey>>(key);
        case Algorithm::PseudoRc4: return std::make_unique<PseudoRc4GroupCipher>(key, variant);
        case Algorithm::Safer: return std::make_unique<KeyedGroupCipher<SaferKey>>(key);
        case Algorithm::Vigenere: return std::make_unique<KeyedGroupCipher<VigenereKey>>(key);
    }
    return nullptr;
}

std::unique_ptr<GroupCipher> MakePseudoRc4Cipher(const PseudoRc4State& keyed, KeystreamVariant variant) {
    return std::make_unique<PseudoRc4GroupCipher>(keyed, variant);
}

}  // namespace pelorin

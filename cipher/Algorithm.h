#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "cipher/GroupCipher.h"

namespace pelorin {

// Algorithm numbers as stored in byte 1 of an archive header.
enum class Algorithm : std::uint8_t {
    Ascii = 0,
    Blowfish = 1,
    Des = 2,
    Idea = 3,
    NewDes = 4,
    PseudoRc4 = 5,
    Safer = 6,
    Vigenere = 7,
};

inline constexpr int kAlgorithmCount = 8;

enum class AlgorithmKind { PositionShift, BlockCipher, StreamCipher };

struct AlgorithmInfo {
    Algorithm number;
    std::string_view dialogLabel;   // radio button text, with its mnemonic
    std::string_view messageName;   // how messages name it
    AlgorithmKind kind;
    int minimumUnhashedPasskey;     // bytes required while the passkey is not hashed
    int keyBytesRead;               // most key bytes the cipher reads; 0 = all
    int keyBytesRequired;           // fewest key bytes the cipher can be built from
};

inline constexpr std::array<AlgorithmInfo, kAlgorithmCount> kAlgorithms = {{
    {Algorithm::Ascii, "&ASCII", "ASCII", AlgorithmKind::PositionShift, 1, 0, 1},
    {Algorithm::Blowfish, "&BlowFish", "BlowFish", AlgorithmKind::BlockCipher, 4, 72, 1},
    {Algorithm::Des, "&DES", "DES", AlgorithmKind::BlockCipher, 8, 8, 8},
    {Algorithm::Idea, "&IDEA", "IDEA", AlgorithmKind::BlockCipher, 16, 16, 16},
    {Algorithm::NewDes, "&NewDES", "NewDES", AlgorithmKind::BlockCipher, 16, 15, 15},
    {Algorithm::PseudoRc4, "Pseudo-&RC4", "RC4", AlgorithmKind::StreamCipher, 1, 0, 1},
    {Algorithm::Safer, "&Safer", "Safer", AlgorithmKind::BlockCipher, 16, 16, 16},
    {Algorithm::Vigenere, "&Vigenere", "Vigenere", AlgorithmKind::PositionShift, 1, 8, 1},
}};

// The table row for a stored number, or nullptr for an unknown algorithm.
const AlgorithmInfo* FindAlgorithm(int number);

// Archives before version 7 used a Pseudo-RC4 generator that restarts for
// every group of 8 bytes; everything written today uses the continuing one.
enum class KeystreamVariant { Current, Legacy };

// Builds the bulk cipher for a stored algorithm number from key material.
// Returns nullptr for an unknown number. Throws std::invalid_argument when the
// key holds fewer bytes than the cipher reads (keyBytesRequired).
std::unique_ptr<GroupCipher> MakeGroupCipher(int number, std::span<const std::uint8_t> key,
                                             KeystreamVariant variant = KeystreamVariant::Current);

class PseudoRc4State;

// A Pseudo-RC4 cipher over a state keyed earlier, its keystream starting
// afresh: what MakeGroupCipher gives for the same key, without keying again.
// The state must outlive the cipher.
std::unique_ptr<GroupCipher> MakePseudoRc4Cipher(const PseudoRc4State& keyed,
                                                 KeystreamVariant variant = KeystreamVariant::Current);

}  // namespace pelorin

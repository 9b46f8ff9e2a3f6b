#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pelorin::cli {

inline constexpr int kUsageError = 2;
// A job cancelled, stopped by a signal, or declined at its question.
inline constexpr int kStopped = 13;

// What a command accepts: options that stand alone, options that take a
// value (as "--name VALUE" or "--name=VALUE"), and whether a value option
// may be given more than once.
struct CommandOptions {
    std::set<std::string> flags;
    std::set<std::string> valued;
    std::set<std::string> repeatable;
};

struct ParsedArguments {
    std::set<std::string> flags;
    std::map<std::string, std::vector<std::string>> values;
    std::vector<std::string> names;

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
};

// Reads a command's arguments. Everything after "--" is a name, taken as it
// is; before it, a word beginning with '-' (other than "-" itself) must be a
// known option. An unknown option, a value option without its value or one
// given twice is a usage error: it is reported with `usage` on standard
// error and nothing is returned.
std::optional<ParsedArguments> ParseArguments(const std::vector<std::string>& arguments,
                                              const CommandOptions& accepted, const char* usage);

// --yes or --no, which answer the programs' questions; both together are a
// usage error (reported; false).
bool ReadPresetAnswer(const ParsedArguments& parsed, std::optional<bool>& answer, const char* usage);

// A passkey is never taken from the command line, where other users can
// read it: "--passkey" is refused with a word on where it may come from.
bool PasskeyOnCommandLine(const std::vector<std::string>& arguments);

// An algorithm as a number 0..7 or 9 or its name (ASCII, BlowFish, DES,
// IDEA, NewDES, RC4 or Pseudo-RC4, Safer, Vigenere, ChaCha20-Poly1305 or
// ChaCha20), in any letter case.
inline constexpr int kModernAlgorithmNumber = 9;
std::optional<int> AlgorithmFromText(const std::string& text);

// A name as the programs take it: made absolute against the current folder
// (the Windows programs are handed full paths, and the wipe routines need
// them), with "." and ".." resolved as the system resolves them (on Linux
// through links: "link/.." is the parent of the link's target), and with
// trailing separators trimmed ("D//" is the folder D).
std::string AbsoluteName(const std::string& name);

}  // namespace pelorin::cli

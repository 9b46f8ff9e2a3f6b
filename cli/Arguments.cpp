#include "cli/Arguments.h"

#include <algorithm>
#include <cctype>
#include <iostream>

#include "cipher/Algorithm.h"
#include "platform/Paths.h"

namespace pelorin::cli {

std::optional<std::string> ParsedArguments::Value(const std::string& option) const {
    const auto found = values.find(option);
    if (found == values.end() || found->second.empty()) return std::nullopt;
    return found->second.back();
}

std::optional<ParsedArguments> ParseArguments(const std::vector<std::string>& arguments,
                                              const CommandOptions& accepted, const char* usage) {
    ParsedArguments parsed;
    const auto refuse = [&](const std::string& why) -> std::optional<ParsedArguments> {
        std::cerr << "pelorin: " << why << "\n" << usage;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--") {
            parsed.names.insert(parsed.names.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                arguments.end());
            break;
        }
        if (word.size() < 2 || word[0] != '-') {
            parsed.names.push_back(word);
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string option = word.substr(0, equals);
        if (accepted.flags.count(option) != 0 && equals == std::string::npos) {
            parsed.flags.insert(option);
            continue;
        }
        if (accepted.valued.count(option) == 0) return refuse("unknown option " + word);
        std::string value;
        if (equals != std::string::npos) {
            value = word.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return refuse(option + " needs a value");
        }
        auto& given = parsed.values[option];
        if (!given.empty() && accepted.repeatable.count(option) == 0) return refuse(option + " is given twice");
        given.push_back(value);
    }
    return parsed;
}

bool ReadPresetAnswer(const ParsedArguments& parsed, std::optional<bool>& answer, const char* usage) {
    if (parsed.Has("--yes") && parsed.Has("--no")) {
        std::cerr << "pelorin: give --yes or --no, not both\n" << usage;
        return false;
    }
    if (parsed.Has("--yes")) answer = true;
    if (parsed.Has("--no")) answer = false;
    return true;
}

bool PasskeyOnCommandLine(const std::vector<std::string>& arguments) {
    for (const auto& word : arguments) {
        if (word == "--") break;
        if (word == "--passkey" || word.rfind("--passkey=", 0) == 0) {
            std::cerr << "pelorin: a passkey is never taken from the command line (other users can read it there); "
                         "use PELORIN_PASSKEY or --passkey-file\n";
            return true;
        }
    }
    return false;
}

std::optional<int> AlgorithmFromText(const std::string& text) {
    const auto lower = [](std::string word) {
        std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::tolower(c); });
        return word;
    };
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '7') return text[0] - '0';
    // The ninth: ChaCha20-Poly1305, whose archives are of version 8.
    if (text == "9" || lower(text) == "chacha20-poly1305" || lower(text) == "chacha20") return kModernAlgorithmNumber;
    for (const auto& info : kAlgorithms) {
        if (lower(text) == lower(std::string(info.messageName))) return static_cast<int>(info.number);
    }
    if (lower(text) == "pseudo-rc4" || lower(text) == "pseudorc4") return static_cast<int>(Algorithm::PseudoRc4);
    return std::nullopt;
}

namespace {

}  // namespace

std::string AbsoluteName(const std::string& name) {
    std::string full = platform::AbsolutePath(name);
    // A root keeps its separator ("/", "C:\").
    const std::size_t keep = full.size() >= 3 && full[1] == ':' ? 3 : 1;
    while (full.size() > keep && (full.back() == platform::kHostSeparator || full.back() == '/')) full.pop_back();
    return full;
}

}  // namespace pelorin::cli

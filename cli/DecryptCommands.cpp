#include "cli/DecryptCommands.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>

#include "app_common/ForwardingUi.h"
#include "app_common/JobExit.h"
#include "app_common/OpenError.h"
#include "archive/ArchiveFormat.h"
#include "archive/EntryNames.h"
#include "archive/HeaderCheck.h"
#include "archive/HeaderCipher.h"
#include "archive/ModernFormat.h"
#include "archive/ModernOpening.h"
#include "archive/ReaderMessages.h"
#include "cipher/Algorithm.h"
#include "cipher/PasskeyCheck.h"
#include "cipher/Scramble.h"
#include "cli/Arguments.h"
#include "cli/ClassicCodePage.h"
#include "cli/CommandHelp.h"
#include "cli/ModernListing.h"
#include "cli/PasskeyInput.h"
#include "cli/TerminalUi.h"
#include "platform/Terminal.h"
#include "platform/FileStatus.h"
#include "decrypt_app/DecryptJob.h"
#include "decrypt_app/DecryptModels.h"
#include "decrypt_app/DecryptSettings.h"
#include "platform/File.h"

namespace pelorin::cli {
namespace {

constexpr const char* kDecryptUsage = UsageOf("decrypt");
constexpr const char* kImportUsage = UsageOf("import");
constexpr const char* kListUsage = UsageOf("list");

struct Options {
    std::vector<std::string> names;
    std::vector<std::string> selected;
    bool deleteArchives = false;
    std::optional<std::string> passkeyFile;
    std::optional<bool> answer;
    std::optional<int> algorithm;
    std::optional<std::int64_t> padding;
};

std::optional<Options> Parse(const std::vector<std::string>& arguments, const CommandOptions& accepted,
                             const char* usage) {
    if (PasskeyOnCommandLine(arguments)) return std::nullopt;
    CommandOptions withCodePage = accepted;
    withCodePage.valued.insert(kCodePageOption);
    const auto parsed = ParseArguments(arguments, withCodePage, usage);
    if (!parsed || !ChooseClassicCodePage(*parsed, usage)) return std::nullopt;
    Options options;
    if (!ReadPresetAnswer(*parsed, options.answer, usage)) return std::nullopt;
    if (const auto found = parsed->values.find("--select"); found != parsed->values.end()) {
        options.selected = found->second;
    }
    options.deleteArchives = parsed->Has("--delete-archives");
    options.passkeyFile = parsed->Value("--passkey-file");
    if (const auto text = parsed->Value("--algorithm")) {
        options.algorithm = AlgorithmFromText(*text);
        if (!options.algorithm) {
            std::cerr << "pelorin: unknown algorithm " << *text << "\n" << usage;
            return std::nullopt;
        }
    }
    if (const auto text = parsed->Value("--padding")) {
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
        if (text->empty() || error != std::errc() || end != text->data() + text->size() || value < 0) {
            std::cerr << "pelorin: --padding needs a whole number of 0 or more, not \"" << *text << "\"\n";
            return std::nullopt;
        }
        options.padding = value;
    }
    if (parsed->names.empty()) {
        std::cerr << usage;
        return std::nullopt;
    }
    for (const auto& name : parsed->names) options.names.push_back(AbsoluteName(name));
    return options;
}

class CommandLineDecryptUi final : public ForwardingUi<decrypt::DecryptUi> {
public:
    CommandLineDecryptUi(TerminalUi& terminal, const Options& options, platform::SettingsStore& settings)
        : ForwardingUi(terminal), terminal_(terminal), options_(options), settings_(settings) {
        terminal.presetAnswer = options.answer;
    }
    bool RunDecryptDialog(decrypt::DecryptDialogModel& model) override {
        if (!ReadClassicPasskey(options_.passkeyFile, model.passkey, model.passkeyAsGiven)) {
            refused = true;
            return false;
        }
        model.decryptAll = options_.selected.empty();
        // Archives are deleted only when this command line says so.
        model.deleteSources = options_.deleteArchives;
        model.remembersChoices = false;
        if (!model.ValidateOk(*this, settings_)) {
            const std::size_t longest = model.modernHeader ? kMaxModernPasskeyLength : kMaxPasskeyLength;
            if ((model.verify || model.modernHeader) && !model.passkey.empty() && model.passkey.size() <= longest &&
                !options_.names.empty()) {
                ShowMessage("the passkey does not open " + options_.names.front(), std::nullopt,
                            MessageIcon::Exclamation);
            }
            refused = true;
            return false;
        }
        return true;
    }
    bool RunChooseFiles(const std::string&, const std::vector<std::string>& names,
                        std::vector<std::string>& chosen) override {
        chosen.clear();
        for (const auto& name : names) {
            if (std::find(options_.selected.begin(), options_.selected.end(), name) != options_.selected.end()) {
                chosen.push_back(name);
                matched.insert(name);
            }
        }
        return true;
    }
    bool ConfirmSelections() override {
        bool all = true;
        for (const auto& name : options_.selected) {
            if (matched.count(name) != 0) continue;
            ShowMessage("no archive holds an entry named \"" + name + "\"; nothing was restored or deleted",
                        std::nullopt, MessageIcon::Exclamation);
            all = false;
        }
        return all;
    }
    // --yes and --no answer it, or it is asked on a terminal; without either
    // the archive stays.
    bool ConfirmWipeLeavingEntries(const std::string& archivePath, std::size_t leftOut) override {
        const bool nobodyToAsk = !terminal_.presetAnswer && !TerminalCanAsk();
        if (AskYesNo(decrypt::LeftOutQuestionText(archivePath, leftOut), std::nullopt, MessageIcon::Warning)) {
            return true;
        }
        if (nobodyToAsk) {
            ShowMessage(archivePath + " was not deleted: with no terminal to ask, --yes deletes it all the same",
                        std::nullopt, MessageIcon::Warning);
        }
        return false;
    }
    // Only someone who has seen what was restored can say whether the
    // passkey was right: asked on a terminal even with --yes.
    bool ConfirmWipeUnchecked(const std::string& archivePath) override {
        const std::string question = decrypt::UncheckedWipeQuestionText(archivePath);
        if (terminal_.presetAnswer == false) return AskYesNo(question, std::nullopt, MessageIcon::Warning);
        if (!TerminalCanAsk()) {
            ShowMessage(archivePath + " was not deleted: it carries no passkey check value, so whether what was "
                                      "restored is right can only be told by looking at it; that is asked on a "
                                      "terminal only, and --yes does not answer it",
                        std::nullopt, MessageIcon::Warning);
            return false;
        }
        return terminal_.AskOnTerminal(question, std::nullopt);
    }
    bool RunImportOptions(const std::string&, int& algorithm, std::int64_t& padding) override {
        algorithm = options_.algorithm.value_or(-1);
        padding = options_.padding.value_or(0);
        return true;
    }

    bool refused = false;
    std::set<std::string> matched;  // the --select names some archive holds

private:
    TerminalUi& terminal_;
    const Options& options_;
    platform::SettingsStore& settings_;
};

int RunDriver(const Options& options, bool import) {
    platform::SettingsStore settings(decrypt::kSettingsKey);
    TerminalUi terminal;
    CommandLineDecryptUi ui(terminal, options, settings);
    TerminalProgress progress;
    if (platform::StandardErrorIsTerminal()) {
        // The archives' lengths: the entries' data and their small headers.
        std::uint64_t total = 0;
        for (const auto& name : options.names) {
            if (const auto status = platform::StatusOf(name)) total += status->size;
        }
        progress.SetTotalBytes(total);
    }
    try {
        const int status = decrypt::RunDecryptJob(options.names, import, ui, progress, settings);
        if (status == decrypt::kExitDone || status == kExitIncomplete) progress.ShowSummary();
        return ui.refused ? kUsageError : status;
    } catch (const JobExit& exit) {
        if (terminal.cancelConfirmed) ReportStop("");
        return exit.status();
    }
}

// The passkey of a listing, read once the first archive needs it, in both
// the forms a classic archive may have been written under.
struct ListPasskey {
    Passkey passkey;
    Passkey asGiven;
    bool read = false;
};

// Lists one archive: its header line on standard output, then a line per
// entry with its size and name. False when the archive is damaged (told).

bool ListArchive(const std::string& path, const std::optional<std::string>& passkeyFile, ListPasskey& given,
                 TerminalUi& ui, archive::ModernKeyRing& ring) {
    platform::FileError error = platform::FileError::None;
    platform::File file = platform::File::Open(path, archive::ArchiveReading(), &error);
    if (!file.IsOpen()) ShowOpenError(ui, error, path);
    const bool modern = archive::ArchiveVersionOf(file) == archive::kModernVersion;
    archive::FileSource source(file, archive::kArchiveReadAhead);
    if (modern) {
        // Names of version 8 are always enciphered.
        if (!given.read) {
            if (!ReadClassicPasskey(passkeyFile, given.passkey, given.asGiven)) throw JobExit(kUsageError);
            given.read = true;
        }
        // Version 8 takes the passkey as given, never in a code page.
        const Passkey& asGiven = given.asGiven.empty() ? given.passkey : given.asGiven;
        return ListModernArchive(path, source, asGiven.bytes(), ring, ui);
    }
    archive::ReaderState state;
    const auto opened = archive::CheckArchiveHeader(source, path, archive::HeaderCheckForm::Scanning, ui, state);
    if (!opened) return false;
    const auto& h = opened->header;
    const AlgorithmInfo* info = FindAlgorithm(h.algorithm);
    std::cout << EscapedName(path) << ": version " << int(h.version) << ", algorithm " << int(h.algorithm) << " ("
              << (info ? std::string(info->messageName) : std::string("unknown")) << "), headers "
              << (archive::HeadersEncrypted(h) ? "encrypted" : "plain") << ", passkey "
              << (archive::EntryHashing(h) == PasskeyHashing::On ? "hashed" : "not hashed") << "\n";
    const bool encrypted = archive::HeadersEncrypted(h);
    if (encrypted && !given.read) {
        if (!ReadClassicPasskey(passkeyFile, given.passkey, given.asGiven)) throw JobExit(kUsageError);
        given.read = true;
    }
    auto key = given.passkey.bytes();
    // Names read under another passkey would only look damaged.
    if (encrypted && opened->hasCheck) {
        const auto matching =
            decrypt::PasskeyMatching(key, given.asGiven.bytes(), opened->salt, opened->check);
        if (!matching) {
            ui.ShowMessage(std::string(decrypt::kIncorrectPasskeyText) + "\n" + path +
                               " was encrypted with another passkey; its names cannot be listed.",
                           std::nullopt, MessageIcon::Exclamation);
            return false;
        }
        key = *matching;
    }
    while (!source.AtEnd()) {
        const auto name = archive::ReadEntryName(source, *opened, key, state);
        std::array<std::uint8_t, archive::kSizeFieldLength> field{};
        if (!name.name) {
            archive::ShowDamagedArchive(ui, path, name.damage);
            return false;
        }
        if (!archive::ReadHeaderItem(source, field, encrypted, key, state.keystream())) {
            archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
            return false;
        }
        const std::uint32_t size = archive::DecodeSizeField(field);
        std::vector<std::uint8_t> skip(64 * 1024);
        for (std::uint64_t left = kEntrySaltSize + StoredPieceLength(size); left > 0;) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, skip.size()));
            if (source.Read(std::span(skip).first(want)) != want) {
                archive::ShowDamagedArchive(ui, path, archive::Damage::EndsInsideEntry);
                return false;
            }
            left -= want;
        }
        std::cout << "  " << size << "\t" << EscapedName(*name.name) << "\n";
    }
    return true;
}

}  // namespace

int RunDecrypt(const std::vector<std::string>& arguments) {
    const auto options = Parse(
        arguments, {{"--delete-archives", "--yes", "--no"}, {"--select", "--passkey-file"}, {"--select"}},
        kDecryptUsage);
    return options ? RunDriver(*options, false) : kUsageError;
}

int RunImport(const std::vector<std::string>& arguments) {
    const auto options =
        Parse(arguments, {{"--delete-archives"}, {"--algorithm", "--padding", "--passkey-file"}, {}}, kImportUsage);
    if (!options) return kUsageError;
    if (!options->algorithm || !options->padding) {
        std::cerr << "pelorin: import needs --algorithm and --padding\n" << kImportUsage;
        return kUsageError;
    }
    if (*options->algorithm == kModernAlgorithmNumber) {
        std::cerr << "pelorin: import takes the classic algorithms 0 to 7; ChaCha20-Poly1305 is only ever stored in "
                     "archives of version 8, which pelorin decrypt reads\n";
        return kUsageError;
    }
    if (options->deleteArchives) {
        // Import cannot check the passkey: a mistyped one gives garbage, and
        // the input would be gone.
        std::cerr << "pelorin: import never deletes its input; --delete-archives is not taken here\n";
        return kUsageError;
    }
    return RunDriver(*options, true);
}

int RunList(const std::vector<std::string>& arguments) {
    const auto options = Parse(arguments, {{"--yes", "--no"}, {"--passkey-file"}, {}}, kListUsage);
    if (!options) return kUsageError;
    TerminalUi ui;
    ui.presetAnswer = options->answer;
    ListPasskey passkey;
    archive::ModernKeyRing ring;
    // A passkey handed over in the environment leaves it at once, whether
    // or not an archive's names will need it.
    if (!options->passkeyFile && std::getenv(kPasskeyVariable) != nullptr) {
        if (!ReadClassicPasskey(std::nullopt, passkey.passkey, passkey.asGiven)) return kUsageError;
        passkey.read = true;
    }
    int status = 0;
    try {
        for (const auto& path : options->names) {
            if (!ListArchive(path, options->passkeyFile, passkey, ui, ring)) status = kExitIncomplete;
        }
    } catch (const JobExit& exit) {
        return exit.status();
    }
    return status;
}

}  // namespace pelorin::cli

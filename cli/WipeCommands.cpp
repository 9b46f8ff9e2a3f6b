#include "cli/WipeCommands.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "platform/Paths.h"
#include "platform/Terminal.h"
#include "wipe/sdk/PeloSDK.h"

namespace pelorin::cli {
namespace {

constexpr int kUsageError = 2;

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int) { interrupted = true; }

// Ctrl-C does not kill the process mid-write: the library's continue
// callback says stop, and the operation cleans up (a stopped free-space wipe
// leaves no fill file).
int KeepGoing(int) { return interrupted ? 0 : 1; }

int DrawProgress(long long written, long long total, const char* name, int) {
    const int percent = total > 0 ? static_cast<int>(written * 100 / total) : 100;
    const int filled = percent / 5;
    std::fprintf(stderr, "\r[%-20.*s] %3d%%  %s", filled, "####################", percent,
                 name ? name : "free space");
    std::fflush(stderr);
    return 0;
}

struct Options {
    std::optional<int> passes;
    std::vector<std::string> names;
};

std::optional<Options> Parse(const std::vector<std::string>& arguments, const char* usage) {
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--passes" || a.rfind("--passes=", 0) == 0) {
            std::string value;
            if (a == "--passes") {
                if (i + 1 >= arguments.size()) break;
                value = arguments[++i];
            } else {
                value = a.substr(9);
            }
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || n < 0 || n > 1000000) {
                std::cerr << "pelorin: --passes needs a whole number from 0 to 1000000, not \"" << value << "\"\n";
                return std::nullopt;
            }
            options.passes = static_cast<int>(n);
        } else if (a == "--") {
            options.names.insert(options.names.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                 arguments.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            std::cerr << "pelorin: unknown option " << a << "\n" << usage;
            return std::nullopt;
        } else {
            options.names.push_back(a);
        }
    }
    if (options.names.empty()) {
        std::cerr << usage;
        return std::nullopt;
    }
    return options;
}

// Brackets one command's library use as the drive wipe program does.
class LibrarySession {
public:
    explicit LibrarySession(const Options& options) {
        InitPelorinSDK();
        SetContinueCallback(KeepGoing, 0);
        if (platform::StandardErrorIsTerminal()) SetProgressCallback(DrawProgress, 0);
        if (options.passes) SetDiskPasses(*options.passes);
        previous_ = std::signal(SIGINT, OnInterrupt);
    }
    ~LibrarySession() {
        std::signal(SIGINT, previous_);
        KillPelorinSDK();
    }
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    // Reports a result; returns it.
    static int Report(int code, const std::string& name) {
        if (platform::StandardErrorIsTerminal()) std::fputs("\r\033[K", stderr);
        if (code != SdkErrorNone) std::cerr << "pelorin: " << name << ": " << GetErrorText(code) << "\n";
        return code;
    }

private:
    void (*previous_)(int) = nullptr;
};

std::string Absolute(const std::string& name) {
    std::error_code error;
    const auto path = std::filesystem::absolute(name, error);
    return error ? name : path.string();
}

int RunOverFiles(const std::vector<std::string>& arguments, const char* usage, int (*operation)(const char*)) {
    const auto options = Parse(arguments, usage);
    if (!options) return kUsageError;
    LibrarySession session(*options);
    int status = 0;
    for (const auto& name : options->names) {
        if (interrupted) return SdkErrorAborted;
        const std::string full = Absolute(name);
        const int code = LibrarySession::Report(operation(full.c_str()), name);
        if (code != SdkErrorNone) status = code;
    }
    return status;
}

}  // namespace

int RunWipeFile(const std::vector<std::string>& arguments) {
    return RunOverFiles(arguments, "usage: pelorin wipe-file [--passes N] FILE...\n", WipeFile);
}

int RunWipeSlack(const std::vector<std::string>& arguments) {
    return RunOverFiles(arguments, "usage: pelorin wipe-slack [--passes N] FILE...\n", WipeFileSlack);
}

int RunWipeFree(const std::vector<std::string>& arguments) {
    const char* usage = "usage: pelorin wipe-free [--passes N] FOLDER\n";
    const auto options = Parse(arguments, usage);
    if (!options) return kUsageError;
    if (options->names.size() != 1) {
        std::cerr << usage;
        return kUsageError;
    }
    // The library wants a drive root: "x:\" on Windows, an absolute folder
    // path ending with '/' on Linux.
    std::string root = Absolute(options->names[0]);
    if (root.empty() || root.back() != platform::kHostSeparator) root += platform::kHostSeparator;
    LibrarySession session(*options);
    return LibrarySession::Report(WipeFreeSpace(root.c_str()), options->names[0]);
}

}  // namespace pelorin::cli

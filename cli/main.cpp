// pelorin: the suite's jobs for scripts and terminal users.
#include <iostream>
#include <string>
#include <vector>

#include "cli/DecryptCommands.h"
#include "cli/DeleteCommand.h"
#include "cli/EncryptCommands.h"
#include "cli/SettingsCommand.h"
#include "cli/WipeCommands.h"
#include "cli/WipeDriveCommand.h"
#include "app_common/TemporaryFiles.h"
#include "archive/WorkerPool.h"

namespace {

constexpr const char* kUsage =
    "usage: pelorin COMMAND [OPTIONS] ARGUMENTS\n"
    "\n"
    "commands:\n"
    "  encrypt [OPTIONS] NAME...         encrypt files and folders into one .pvb archive\n"
    "  decrypt [OPTIONS] ARCHIVE...      restore the entries of archives next to them\n"
    "  import --algorithm A --padding N FILE...  decipher headerless input\n"
    "  list ARCHIVE...                   show archive headers and entry names and sizes\n"
    "  delete [--passes N] [--yes] PATH...  overwrite and delete files and folders\n"
    "  settings encrypt|decrypt|wipe|delete [NAME [VALUE]]  show or change settings\n"
    "  wipe-file [--passes N] FILE...   overwrite and delete files\n"
    "  wipe-free [--passes N] FOLDER    overwrite the free space of FOLDER's volume\n"
    "  wipe-slack [--passes N] FILE...  overwrite the slack behind each file's end\n"
    "  wipe-drive --mode M [--passes N] [--memory-passes N] [--yes] VOLUME...\n"
    "                                    wipe whole volumes: standard, thorough or complete\n"
    "\n"
    "N is the number of overwrite passes (default 3). Ctrl-C stops a wipe cleanly.\n"
    "encrypt: see `pelorin encrypt` without names; exit 0 done, 1 cancelled, 5 no names,\n"
    "45 the archive could not be written, 2 usage or a refused passkey.\n"
    "delete: exit 0 when everything named is gone, 1 when something stayed, 13 stopped, 2 usage.\n"
    "wipe exit status: 0 when every job succeeded, otherwise the error code of the last\n"
    "failure (1 open, 6 name, 7 drive, 8 delete, 11 resize, 13 stopped), 2 for usage.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kUsage;
        return 2;
    }
    // A fill file that a killed run left behind holds a volume's free
    // space, and a killed restore's file may hold plaintext: they go first,
    // and the user hears of it.
    for (const auto& removed : pelorin::RemoveLeftoverTemporaries()) {
        std::cerr << "pelorin: removed " << removed << ", a temporary file left behind by an interrupted job\n";
    }
    pelorin::archive::StartJobWorkers();
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "encrypt") return pelorin::cli::RunEncrypt(arguments);
    if (command == "settings") return pelorin::cli::RunSettings(arguments);
    if (command == "decrypt") return pelorin::cli::RunDecrypt(arguments);
    if (command == "import") return pelorin::cli::RunImport(arguments);
    if (command == "list") return pelorin::cli::RunList(arguments);
    if (command == "delete") return pelorin::cli::RunDelete(arguments);
    if (command == "wipe-file") return pelorin::cli::RunWipeFile(arguments);
    if (command == "wipe-free") return pelorin::cli::RunWipeFree(arguments);
    if (command == "wipe-slack") return pelorin::cli::RunWipeSlack(arguments);
    if (command == "wipe-drive") return pelorin::cli::RunWipeDrive(arguments);
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    std::cerr << "pelorin: unknown command " << command << "\n" << kUsage;
    return 2;
}

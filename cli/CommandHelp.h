#pragma once

#include <span>
#include <string_view>

namespace pelorin::cli {

// What an option's value is, so that the shell completions can offer it.
enum class ValueKind {
    None,       // the option stands alone
    Number,     // a whole number: nothing to offer
    Text,       // free text, such as a name stored in an archive
    File,       // a file name
    Algorithm,  // a classic cipher's number or name (cipher/Algorithm.h)
    AnyAlgorithm,  // the same, or the ninth: 9, ChaCha20-Poly1305, ChaCha20
    Choice,     // one of the option's `choices`
};

// One line of a command's options: the option (or the options that share
// the line, as "--yes, --no"), its value's placeholder and kind, and what it
// does, with '\n' where the help breaks the line.
struct OptionHelp {
    std::string_view names;
    std::string_view argument;
    ValueKind value;
    std::string_view text;
    std::span<const std::string_view> choices = {};
    bool repeatable = false;  // may be given more than once
};

// What the words after a command's options are.
enum class OperandKind {
    Names,     // files and folders
    Folders,   // folders only
    Settings,  // a program, then one of its settings
};

// One command of the tool: its name, the line the overview gives it, the
// usage lines a usage error repeats on standard error, what it does, its
// options and its exit statuses. The overview, `pelorin help COMMAND`,
// `pelorin COMMAND --help` and `pelorin --help`, from which the manual page
// is made, all print from this one table, and the zsh and fish completions
// are made from it at build time (cli/MakeCompletions.cpp).
struct CommandHelp {
    std::string_view name;
    std::string_view summary;
    const char* usage;
    std::string_view about;
    std::span<const OptionHelp> options;
    std::string_view statuses;  // from "exit status:" on
    OperandKind operands = OperandKind::Names;
};

inline constexpr std::string_view kPasskeyFileText = "read the passkey from the first line of FILE";
inline constexpr std::string_view kCodePageText =
    "the Windows code page of a classic archive's names and\npasskey (default: the setting archives codepage, else\n"
    "1252 on Linux and the system's own on Windows)";

inline constexpr OptionHelp kEncryptOptions[] = {
    {"--algorithm", "A", ValueKind::AnyAlgorithm,
     "the cipher; without it, the remembered one when the\nsetting lastalg is 1, else 9 (ChaCha20-Poly1305)"},
    {"--kdf-memory", "MIB", ValueKind::Number,
     "the key derivation's memory for algorithm 9 in MiB, a\npower of two from 8 to 4096 (default: the setting\nkdfmemory, 256)"},
    {"--delete-sources", "", ValueKind::None,
     "wipe each source once its entry was stored completely,\nits name overwritten too (not one that changed\n"
     "meanwhile or that another program has open)"},
    {"--passkey-file", "FILE", ValueKind::File, kPasskeyFileText},
    {"--code-page", "N", ValueKind::Number, kCodePageText},
    {"--yes, --no", "", ValueKind::None, "answer the job's questions, such as whether to stop"},
};

inline constexpr OptionHelp kDecryptOptions[] = {
    {"--select", "NAME", ValueKind::Text,
     "restore only the entry stored as NAME (with\nbackslashes); may be given more than once", {}, true},
    {"--delete-archives", "", ValueKind::None,
     "wipe each archive that was read to its end with every\n"
     "entry restored, through the handle that read it and\n"
     "only if it did not change meanwhile and no other\n"
     "program has it open; when --select\n"
     "left entries in it, only after a yes (on a terminal,\n"
     "or --yes); without a check value, only after a yes\n"
     "typed on a terminal (--yes does not answer that)"},
    {"--passkey-file", "FILE", ValueKind::File, kPasskeyFileText},
    {"--code-page", "N", ValueKind::Number, kCodePageText},
    {"--yes, --no", "", ValueKind::None, "answer the header warnings and the other questions"},
};

inline constexpr OptionHelp kImportOptions[] = {
    {"--algorithm", "A", ValueKind::Algorithm, "the cipher, a number 0..7 or a name as for encrypt"},
    {"--padding", "N", ValueKind::Number, "the number of leading bytes to skip, 0 or more"},
    {"--passkey-file", "FILE", ValueKind::File, kPasskeyFileText},
    {"--code-page", "N", ValueKind::Number, kCodePageText},
};

inline constexpr OptionHelp kTestOptions[] = {
    {"--passkey-file", "FILE", ValueKind::File, kPasskeyFileText},
    {"--code-page", "N", ValueKind::Number, kCodePageText},
    {"--yes, --no", "", ValueKind::None, "answer the header warnings"},
};

inline constexpr OptionHelp kListOptions[] = {
    {"--passkey-file", "FILE", ValueKind::File, kPasskeyFileText},
    {"--code-page", "N", ValueKind::Number, kCodePageText},
    {"--yes, --no", "", ValueKind::None, "answer the header warnings"},
};

// What every wipe command takes beside its own options.
inline constexpr OptionHelp kVerifyHelp = {"--verify", "", ValueKind::None,
                                           "read the last pass back from the disk, past the system's\n"
                                           "cache, and compare it; a file that does not read back as\n"
                                           "written is kept"};
inline constexpr OptionHelp kReportFileHelp = {
    "--report", "FILE", ValueKind::File,
    "write the erasure report, a JSON document (`pelorin help\nreport`), to FILE when the job ends"};
inline constexpr OptionHelp kReportNamesHelp = {
    "--report-names", "", ValueKind::None, "name the files left in the report (withheld otherwise)"};

inline constexpr OptionHelp kDeleteOptions[] = {
    {"--passes", "N", ValueKind::Number, "overwrite each file N times, 1 to 1000000 (default 3)"},
    {"--yes", "", ValueKind::None, "delete without asking"},
    {"--verify", "", ValueKind::None,
     "read back each file's last pass before deleting it\n(default: the setting verify)"},
    kReportFileHelp,
    kReportNamesHelp,
};

inline constexpr OptionHelp kWipeOptions[] = {
    {"--passes", "N", ValueKind::Number, "the number of overwrite passes, 1 to 1000000 (default 3)"},
    kVerifyHelp,
    kReportFileHelp,
    kReportNamesHelp,
};

inline constexpr std::string_view kWipeDriveModes[] = {"standard", "thorough", "complete"};

inline constexpr OptionHelp kWipeDriveOptions[] = {
    {"--mode", "M", ValueKind::Choice, "standard, thorough or complete", kWipeDriveModes},
    {"--passes", "N", ValueKind::Number, "disk passes, 1 to 1000000 (default: the setting NumDisk)"},
    {"--memory-passes", "N", ValueKind::Number, "memory passes, 1 to 1000000 (default: the setting NumMem)"},
    {"--yes", "", ValueKind::None, "let complete delete without asking"},
    {"--verify", "", ValueKind::None,
     "read back the last pass of the fill and of each file\ncomplete overwrites (default: the setting verify)"},
    kReportFileHelp,
    kReportNamesHelp,
};

inline constexpr CommandHelp kCommandHelp[] = {
    {"encrypt", "encrypt files and folders into one .pvb archive",
     "usage: pelorin encrypt [--algorithm A] [--kdf-memory MIB] [--delete-sources] [--passkey-file FILE]\n"
     "                       [--code-page N] [--yes|--no] [--] NAME...\n"
     "  A is a number 0..7 or 9 or a name: ASCII, BlowFish, DES, IDEA, NewDES, RC4, Safer, Vigenere,\n"
     "  ChaCha20-Poly1305 (or ChaCha20).\n"
     "  The passkey comes from the first line of FILE, PELORIN_PASSKEY, or is typed twice.\n",
     "Writes every named file and folder (folders depth first) into one archive\n"
     "next to the first name: report.txt gives report.pvb, or a free name such as\n"
     "report4711.pvb when that exists (unless the setting overwrite is 1).\n"
     "Algorithm 9, ChaCha20-Poly1305, writes an archive of version 8, the one used\n"
     "when no algorithm is given or remembered: every regular file whatever its\n"
     "size, empty files and folders, modification times and permissions, names\n"
     "of any characters as UTF-8; every 64 KiB chunk is authenticated, and the\n"
     "key comes from the passkey (1 to 1024 bytes of UTF-8) through Argon2id with\n"
     "the memory of --kdf-memory or the setting kdfmemory (256 MiB: about a\n"
     "second). A file that changes while it is stored is written again once,\n"
     "else left out and named; links, devices, pipes and sockets are named and\n"
     "never stored. The classic algorithms 0..7 write version 7, for\n"
     "installations that cannot read version 8: files of 2 GiB or more are\n"
     "reported and left alone, empty files and folders inside folders are not\n"
     "stored, and names and the passkey are kept as text of a Windows code page\n"
     "(Windows-1252 unless --code-page says otherwise): a name it cannot hold is\n"
     "named and left alone, a passkey it cannot hold is refused. Links inside\n"
     "folders are never followed or wiped, and what is mounted inside a folder\n"
     "is stored but not wiped. With --delete-sources a folder is removed only\n"
     "when everything in it was stored and wiped.\n",
     kEncryptOptions,
     "exit status:\n"
     "  0   done\n"
     "  1   cancelled\n"
     "  2   a usage error, or a passkey the rules of the dialog refuse\n"
     "  4   done, but something named was not stored or not wiped (each is named),\n"
     "      or the key derivation's memory could not be had\n"
     "  5   no names\n"
     "  45  the archive could not be created or written\n"},
    {"decrypt", "restore the entries of archives next to them",
     "usage: pelorin decrypt [--select NAME]... [--delete-archives] [--passkey-file FILE] [--code-page N]\n"
     "                       [--yes|--no] [--] ARCHIVE...\n",
     "Checks the passkey against every archive that carries a check value (an\n"
     "archive under another passkey is reported and left alone), then restores\n"
     "every entry, or only those named by --select, below the archive's folder.\n"
     "A restored file replaces one of the same name only once it is complete.\n"
     "An archive without a check value (version 0 to 3) opens under any\n"
     "passkey: its entries never replace a file, they go beside it under a free\n"
     "numbered name. Header warnings are asked once per archive, on a terminal\n"
     "or answered by --yes or --no. Classic names are read as text of the code\n"
     "page (--code-page) and restored as UTF-8; a UTF-8 passkey is tried as that\n"
     "code page's text, then as given, which opens archives of earlier versions.\n"
     "An archive of version 8 is opened by its key (\"Incorrect Passkey\" when\n"
     "the passkey does not open it; a header that asks for more than 4 GiB of\n"
     "memory or 10 passes is refused before anything is taken); every chunk is\n"
     "authenticated before its bytes are written, folders, times and permissions\n"
     "come back, and an archive cut short or extended (it ends before its end\n"
     "record, the end record counts other entries, or bytes follow it) is\n"
     "reported while what was restored from it stays. An entry that cannot be\n"
     "restored whole is kept as NAME.incomplete with the bytes that\n"
     "authenticated. --delete-archives wipes an archive of version 8 only when\n"
     "its end record verified and every entry came back.\n",
     kDecryptOptions,
     "exit status:\n"
     "  0   done\n"
     "  1   a file could not be opened, or a cancel was confirmed\n"
     "  2   a header warning answered no, a usage error or a refused passkey\n"
     "  4   done, but something was not restored or not deleted (an archive\n"
     "      under another passkey, damaged, cut short or extended, a failed\n"
     "      authentication, a header that asks too much, an entry refused or\n"
     "      incomplete, a --select name no archive holds, an archive that could\n"
     "      not be wiped, changed while it was read, open in another program, or\n"
     "      was kept after a no)\n"},
    {"import", "decipher headerless input",
     "usage: pelorin import --algorithm A --padding N [--passkey-file FILE] [--code-page N] [--] FILE...\n",
     "Skips N bytes of padding at the start of each FILE, deciphers the rest with\n"
     "algorithm A and writes it to \"default output.txt\" beside it; when that\n"
     "name is taken (from before, or by another input) the output gets a free\n"
     "numbered name and nothing is replaced. The passkey cannot be checked\n"
     "here, so the input is never deleted. Archives of version 8 (algorithm 9)\n"
     "are never import input: they are refused, and pelorin decrypt reads them.\n",
     kImportOptions,
     "exit status:\n"
     "  0   done\n"
     "  1   a file could not be opened, or a cancel was confirmed\n"
     "  2   a usage error, such as no --algorithm or no --padding\n"
     "  4   done, but something was not written completely\n"},
    {"list", "show archive headers and entry names and sizes",
     "usage: pelorin list [--passkey-file FILE] [--code-page N] [--yes|--no] [--] ARCHIVE...\n",
     "Shows each archive's header on one line, then a line per entry with its\n"
     "size and stored name, as UTF-8 (classic names read in the code page); for\n"
     "version 8 a line per entry with its kind (file or folder), size,\n"
     "modification time (UTC) and name. A passkey is needed when the names are\n"
     "encrypted, as they always are in version 8; an archive under another\n"
     "passkey is reported as \"Incorrect Passkey\" and not listed.\n",
     kListOptions,
     "exit status:\n"
     "  0   every archive was listed\n"
     "  1   an archive could not be opened\n"
     "  2   a usage error, a header warning answered no, or no passkey\n"
     "  4   an archive was damaged or under another passkey\n"},
    {"test", "read archives to the end and check that they are whole",
     "usage: pelorin test [--passkey-file FILE] [--code-page N] [--yes|--no] [--] ARCHIVE...\n",
     "Reads every archive to its end and writes nothing. Version 8: the header's\n"
     "ranges, the key, every entry's metadata and every chunk are authenticated,\n"
     "and the end record's count and total are checked, with nothing after it.\n"
     "Versions 0 to 7: the passkey against the check value where there is one,\n"
     "every length and every pad byte; these versions carry no integrity check,\n"
     "so changed contents cannot be found. One line per archive on standard\n"
     "output; each fault on standard error with the byte it was found at.\n",
     kTestOptions,
     "exit status:\n"
     "  0   every archive is whole\n"
     "  1   an archive could not be opened, or a cancel was confirmed\n"
     "  2   a usage error, a header warning answered no, or no passkey\n"
     "  4   an archive is damaged, cut short or extended, under another passkey,\n"
     "      or asks for more than an archive may\n"},
    {"delete", "overwrite and delete files and folders",
     "usage: pelorin delete [--passes N] [--yes] [--verify] [--report FILE [--report-names]] [--] PATH...\n"
     "  overwrites every file named, and every file in every folder named, N times (default 3), then deletes\n"
     "  them and removes the folders. Links are removed, never followed; folders whose names begin with '.'\n"
     "  stay. Asks first on a terminal unless --yes is given or `pelorin settings delete SecDelDoNotRemind 0`.\n",
     "Every file is overwritten with 0x00, 0xFF and random bytes, each pass forced\n"
     "to disk, then its name is overwritten and it is deleted. Without a terminal\n"
     "and without --yes nothing is deleted, unless the question was turned off\n"
     "with `pelorin settings delete SecDelDoNotRemind 0` (then nothing is asked\n"
     "anywhere, as in Secure Delete). Ctrl-C is asked about before the next\n"
     "file; a signal that ends programs stops there without asking. A file system\n"
     "mounted or bound onto a name is left alone, and every item that stayed is\n"
     "named with the reason.\n"
     "At the end it tells, for each volume it reached, what overwriting reached\n"
     "there: the file system and the disk under it (spinning, solid-state,\n"
     "memory, network, virtual), in one sentence.\n",
     kDeleteOptions,
     "exit status:\n"
     "  0   everything named is gone (a name that did not exist is mentioned)\n"
     "  1   something stayed\n"
     "  2   a usage error, or the question is on, with no terminal to ask and no --yes\n"
     "      (or a report path refused: nothing was deleted)\n"
     "  13  stopped, or the question answered no\n"
     "  16  everything named is gone, but the report could not be written\n"},
    {"settings", "show or change the settings of the programs",
     "usage: pelorin settings PROGRAM [NAME [VALUE]]\n"
     "  PROGRAM is encrypt decrypt wipe delete archives\n",
     "Shows all settings of a program as NAME=VALUE lines, the value of one, or\n"
     "sets one to VALUE, a whole number in the setting's range:\n"
     "\n"
     "  encrypt  encheaders, hashpasskey, numpasses (0..1000000), lastalg,\n"
     "           actualalg (0..8), stickydelete, havedelete, overwrite\n"
     "  decrypt  stickdel, actualdel, numiter (0..1000000)\n"
     "  wipe     NumDisk, NumMem (0..10000), what (1..3)\n"
     "  delete   SecDelDoNotRemind\n"
     "  archives codepage (0..65535): the Windows code page of classic\n"
     "           archives' names and passkeys for the tool, 0 for 1252 on Linux\n"
     "           and the system's own on Windows\n"
     "\n"
     "The others are switches, 0 or 1. Setting lastalg to 0 also sets actualalg\n"
     "to 0, and stickdel to 0 sets actualdel to 0. They are the settings the\n"
     "Windows programs keep in the registry; here each key is a file under\n"
     "$XDG_CONFIG_HOME/Software/Tarn6 Software/ (default ~/.config), such as\n"
     "Pelorin.conf and Pelorin/Global.conf. A value a file holds outside its\n"
     "range (or no whole number) is named with its file on standard error and\n"
     "read, and shown, as the setting's default.\n",
     {},
     "exit status:\n"
     "  0   shown or set\n"
     "  1   the value could not be stored\n"
     "  2   a usage error: an unknown program or name, a value out of range\n",
     OperandKind::Settings},
    {"wipe-file", "overwrite and delete files",
     "usage: pelorin wipe-file [--passes N] [--verify] [--report FILE [--report-names]] [--] FILE...\n",
     "Overwrites each file N times (0x00, 0xFF, random, the complement of the\n"
     "random block, then again), then deletes it. A file that could not be\n"
     "deleted afterwards (its folder is not writable, it is read-only, it or\n"
     "its folder is append-only or immutable) is not overwritten at all, and\n"
     "every message says whether a file was overwritten. A sparse file is\n"
     "overwritten where it holds data, never in its holes. Links are never\n"
     "followed, and a file with other names (hard links) is never overwritten.\n"
     "A progress bar is drawn when standard error is a terminal.\n"
     "At the end it tells, for each volume it reached, what overwriting reached\n"
     "there: the file system and the disk under it (spinning, solid-state,\n"
     "memory, network, virtual), in one sentence.\n",
     kWipeOptions,
     "exit status:\n"
     "  0   every file was wiped\n"
     "  2   a usage error\n"
     "  otherwise the library's error code of the last failure:\n"
     "  1   a file could not be opened, or was refused\n"
     "  7   the volume that holds a file could not be read\n"
     "  8   a file could not be deleted; it was not overwritten either\n"
     "  13  stopped\n"
     "  14  a file's last pass did not read back as written (--verify); it was kept\n"
     "  16  every file was wiped, but the report could not be written\n"},
    {"wipe-free", "overwrite the free space of a folder's volume",
     "usage: pelorin wipe-free [--passes N] [--verify] [--report FILE [--report-names]] [--] FOLDER\n",
     "Fills the free space of the volume that holds FOLDER with a file it\n"
     "overwrites N times, down to the last block the volume gives, then deletes\n"
     "that file. On a volume that keeps small files' contents in their inodes\n"
     "(ext4 with inline_data) it then claims the free inodes too, while the fill\n"
     "holds the free space, and says how many. A stopped wipe leaves no fill\n"
     "file; one left by a killed run is removed the next time the tool starts.\n"
     "Once the fill is gone, the free space is trimmed (FITRIM, which needs\n"
     "root) where the disk takes TRIM.\n"
     "At the end it tells, for each volume it reached, what overwriting reached\n"
     "there: the file system and the disk under it (spinning, solid-state,\n"
     "memory, network, virtual), in one sentence.\n",
     kWipeOptions,
     "exit status:\n"
     "  0   done\n"
     "  2   a usage error\n"
     "  otherwise the library's error code:\n"
     "  1   FOLDER is a link, or the fill file could not be created\n"
     "  7   FOLDER is not a folder, or its volume could not be read\n"
     "  8   the fill file could not be deleted\n"
     "  13  stopped\n"
     "  14  the fill did not read back as written (--verify)\n"
     "  16  done, but the report could not be written\n",
     OperandKind::Folders},
    {"wipe-slack", "overwrite the slack behind each file's end",
     "usage: pelorin wipe-slack [--passes N] [--verify] [--report FILE [--report-names]] [--] FILE...\n",
     "Overwrites the space between each file's end and the end of its last block\n"
     "N times; the content and the time of last change stay as they were. A file\n"
     "that another program makes longer meanwhile is left as it is, so that\n"
     "nothing appended is lost.\n"
     "At the end it tells, for each volume it reached, what overwriting reached\n"
     "there: the file system and the disk under it (spinning, solid-state,\n"
     "memory, network, virtual), in one sentence.\n",
     kWipeOptions,
     "exit status:\n"
     "  0   every file was done\n"
     "  2   a usage error\n"
     "  otherwise the library's error code of the last failure:\n"
     "  1   a file could not be opened, or was refused\n"
     "  7   the volume that holds a file could not be read\n"
     "  11  a file changed length meanwhile\n"
     "  13  stopped\n"
     "  14  a file's slack did not read back as written (--verify)\n"
     "  16  every file was done, but the report could not be written\n"},
    {"wipe-drive", "wipe whole volumes: standard, thorough or complete",
     "usage: pelorin wipe-drive --mode standard|thorough|complete [--passes N] [--memory-passes N] [--yes] [--verify]\n"
     "                         [--report FILE [--report-names]] [--] "
     "VOLUME...\n"
     "  VOLUME is the folder a volume is mounted on. standard wipes its free space; thorough also the slack behind\n"
     "  every file; complete deletes every file and folder on it, then wipes its free space.\n",
     "Runs Pelorin Wipe's procedure on each volume; a folder inside a volume, or\n"
     "a link, is refused. Complete overwrites each file where it lies before it\n"
     "deletes it and keeps the volume's lost+found, which fsck needs; it asks\n"
     "first on a terminal and needs --yes without one. Links and mount points\n"
     "are never followed, and files whose names begin with a dot are left\n"
     "alone. The status line and bar go to standard error; files left as they\n"
     "were are named and counted. Once a volume's fill is gone, its free space\n"
     "is trimmed where the disk takes TRIM.\n"
     "At the end it tells, for each volume it reached, what overwriting reached\n"
     "there: the file system and the disk under it (spinning, solid-state,\n"
     "memory, network, virtual), in one sentence.\n",
     kWipeDriveOptions,
     "exit status:\n"
     "  0   every volume done\n"
     "  1   a file or folder was left as it was\n"
     "  2   a usage error, or no disk pass (NumDisk 0 and no --passes), or a\n"
     "      NumDisk or NumMem outside its range that no option replaces\n"
     "  13  stopped, or the question answered no\n"
     "  14  a fill did not read back as written (--verify)\n"
     "  16  every volume done, but the report could not be written\n"
     "  otherwise the library's error code of the last failure\n",
     OperandKind::Folders},
};

// `pelorin help report`, and the end of `pelorin --help`: the erasure
// report's fields.
inline constexpr std::string_view kReportTopic = "report";
inline constexpr std::string_view kReportHelp =
    "Erasure report (--report FILE):\n"
    "  One JSON document, written when the job ends (also when it was stopped):\n"
    "  a new file beside FILE, forced to the disk, then renamed to FILE. FILE must\n"
    "  be new or an earlier report; a link, a folder, a device or any other file\n"
    "  is refused before the job starts, and so is a place the job deletes. A\n"
    "  report that cannot be written is an error (exit status 16). Fields:\n"
    "    tool, version        \"pelorin\" and its version\n"
    "    command              the command's words; names stand as \"(withheld)\"\n"
    "                         unless --report-names is given\n"
    "    started, finished    UTC, ISO 8601 (2025-03-01T12:00:00Z)\n"
    "    exit_status          the tool's exit status\n"
    "    names                \"withheld\" or \"included\"\n"
    "    volumes[]            path, filesystem, data_mode (ext3/ext4), device,\n"
    "                         medium (rotational, solid-state, memory, network,\n"
    "                         virtual, unknown), mount_discards, verdict (the\n"
    "                         sentence), trim (done, unsupported, not-permitted,\n"
    "                         not-applicable, failed), trim_reason, trimmed_bytes,\n"
    "                         files_not_reached\n"
    "    jobs[]               kind (files, free-space, slack), volume, passes,\n"
    "                         patterns (of the first passes; they repeat), verify,\n"
    "                         bytes_overwritten, bytes_verified, verify_failures,\n"
    "                         files_overwritten, files_left[] (reason, and name\n"
    "                         with --report-names)\n"
    "  Text that is not UTF-8 appears with U+FFFD in place of its odd bytes.\n";

inline constexpr const CommandHelp* FindCommandHelp(std::string_view name) {
    for (const auto& command : kCommandHelp) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

// The usage lines of a command named in the table (a name that is not there
// does not compile where the result is a constant).
inline constexpr const char* UsageOf(std::string_view name) { return FindCommandHelp(name)->usage; }

}  // namespace pelorin::cli

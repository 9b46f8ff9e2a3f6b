// The real PelorinDecrypt.exe, driven the way a user drives it, on archives
// made by the real PelorinEncrypt.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <fstream>
#include <string>
#include <vector>

#include "TestHex.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/ImportPass.h"
#include "archive/OldArchiveBytes.h"
#include "cipher/Algorithm.h"
#include "decrypt_app/DecryptSettings.h"
#include "decrypt_app/win32/resource.h"
#include "e2e/EncryptWithProgram.h"
#include "e2e/ProgramDriver.h"
#include "encrypt_app/EncryptSettings.h"
#include "platform/Settings.h"
#include "platform/win32/WidePath.h"
#include "support/TempFolder.h"
#include "wipe/ProgramWipes.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;
using pelorin::test::Span;
using Names = std::vector<std::string>;

constexpr const char* kPasskey = "a passkey long enough for every cipher unhashed 0123456789";

struct DecryptProgramTest : ::testing::Test {
    pelorin::platform::SettingsStore decryptSettings{pelorin::decrypt::kSettingsKey};
    pelorin::platform::SettingsStore encryptSettings{pelorin::encrypt::kSettingsKey};
    pelorin::test::TempFolder folder;

    // The defaults before and after: other tests of the prefix run the
    // programs under them.
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    void Reset() {
        for (const auto& s : pelorin::decrypt::kAllSettings) decryptSettings.Write(s.name, s.defaultValue);
        for (const auto& s : pelorin::encrypt::kAllSettings) encryptSettings.Write(s.name, s.defaultValue);
    }

    // The main dialog: the passkey typed, the choices set, Ok pressed.
    static void Answer(HWND dialog, const std::string& passkey, bool decryptAll, bool deleteSources = false) {
        SetDlgItemTextA(dialog, IDC_PASSKEY, passkey.c_str());
        CheckDlgButton(dialog, IDC_DECRYPT_ALL, decryptAll ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_DELETE, deleteSources ? BST_CHECKED : BST_UNCHECKED);
        Press(dialog, IDOK);
    }

    // The list's number of selected items once it reaches `expected`, or
    // what it is after two seconds.
    static LRESULT SelectedCountBecomes(HWND chooser, LRESULT expected) {
        LRESULT count = -1;
        for (int i = 0; i < 100 && (count = SendDlgItemMessageA(chooser, IDC_FILE_LIST, LB_GETSELCOUNT, 0, 0)) != expected;
             ++i) {
            Sleep(20);
        }
        return count;
    }

    // Whether the button is the box's default, the one Enter presses.
    static bool IsDefault(HWND box, int id) {
        return (GetWindowLongA(GetDlgItem(box, id), GWL_STYLE) & BS_DEFPUSHBUTTON) != 0;
    }

    static Names ListItems(HWND chooser) {
        Names items;
        const auto count = SendDlgItemMessageA(chooser, IDC_FILE_LIST, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            // Across processes Wine hands list-box texts over only in the wide form.
            wchar_t text[512] = {};
            SendDlgItemMessageW(chooser, IDC_FILE_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            items.push_back(pelorin::platform::win32::Narrow(text));
        }
        return items;
    }
};

TEST_F(DecryptProgramTest, WrongThenRightPasskeyThenAChoiceOfFiles) {
    folder.Write("zeta.txt", Span("last letter"));
    folder.Write("alpha.txt", Span("first letter"));
    fs::create_directories(folder.path() / "Mid");
    folder.Write("Mid\\beta.txt", Span("second letter"));
    ASSERT_EQ(EncryptWithProgram({folder.Path("zeta.txt"), folder.Path("alpha.txt"), folder.Path("Mid")}, 1, kPasskey),
              0);
    for (const char* name : {"zeta.txt", "alpha.txt", "Mid\\beta.txt"}) fs::remove(folder.Path(name));

    Program program("PelorinDecrypt.exe", {folder.Path("zeta.pvb")});
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_DECRYPT_ALL));
    Snapshot("decrypt-dialog");
    Answer(dialog, "not the passkey", false);
    HWND box = program.Dialog("Pelorin Decrypt", dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), "Incorrect Passkey");
    Snapshot("incorrect-passkey-box");
    CloseBox(box);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(ControlTextOf(dialog, IDC_PASSKEY), "not the passkey");  // the typed text stays
    // ...selected, so that typing replaces it.
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PASSKEY, EM_GETSEL, 0, 0), MAKELRESULT(0, 15));

    Answer(dialog, kPasskey, false);
    HWND chooser = program.Dialog("Choose Files");
    ASSERT_NE(chooser, nullptr);
    // Sorted by the list, while the archive holds zeta.txt first.
    EXPECT_EQ(ListItems(chooser), (Names{"alpha.txt", "Mid\\beta.txt", "zeta.txt"}));
    EXPECT_EQ(SendDlgItemMessageA(chooser, IDC_FILE_LIST, LB_GETSELCOUNT, 0, 0), 3);
    Press(chooser, IDC_DESELECT_ALL);
    EXPECT_EQ(SelectedCountBecomes(chooser, 0), 0);
    Press(chooser, IDC_SELECT_ALL);
    EXPECT_EQ(SelectedCountBecomes(chooser, 3), 3);
    Press(chooser, IDC_DESELECT_ALL);
    EXPECT_EQ(SelectedCountBecomes(chooser, 0), 0);
    SendDlgItemMessageA(chooser, IDC_FILE_LIST, LB_SETSEL, TRUE, 1);  // Mid\beta.txt
    SendDlgItemMessageA(chooser, IDC_FILE_LIST, LB_SETSEL, TRUE, 2);  // zeta.txt
    Snapshot("choose-files-dialog");
    Press(chooser, IDOK);
    ASSERT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(folder.Read("zeta.txt"), Span("last letter"));
    EXPECT_EQ(folder.Read("Mid\\beta.txt"), Span("second letter"));
    EXPECT_FALSE(fs::exists(folder.Path("alpha.txt")));
    EXPECT_TRUE(fs::exists(folder.Path("zeta.pvb")));  // deletion was not chosen
}

// Names above 0x7F come back as they went (the classic archive holds them
// in the code page), listed in Choose Files as they are; the passkey too is
// typed with such characters.
TEST_F(DecryptProgramTest, NamesAndPasskeysOfTheCodePageComeBack) {
    const std::string work = folder.Prefix() + "Gr\xc3\xbc\xc3\x9f" "e";  // the prefix is ASCII
    const std::string inner = "\xc3\xbc" "ber";
    fs::create_directories(PathOf(work + "\\" + inner));
    const std::string western = "caf\xc3\xa9 \xe2\x82\xac.txt";
    std::ofstream(PathOf(work + "\\" + western), std::ios::binary) << "western";
    std::ofstream(PathOf(work + "\\" + inner + "\\" + "\xc3\x9f.txt"), std::ios::binary) << "sharp s";
    const std::string passkey = "Gr\xc3\xbc\xc3\x9f" "e \xc3\xa9\xe2\x82\xac";
    ASSERT_EQ(EncryptWithProgram({work}, 1, passkey), 0);
    fs::remove_all(PathOf(work));

    Program program("PelorinDecrypt.exe", {work + ".pvb"});
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextW(dialog, IDC_PASSKEY, pelorin::platform::win32::Widen(passkey).c_str());
    CheckDlgButton(dialog, IDC_DECRYPT_ALL, BST_UNCHECKED);
    Press(dialog, IDOK);
    HWND chooser = program.Dialog("Choose Files");
    ASSERT_NE(chooser, nullptr);
    const std::string top = "Gr\xc3\xbc\xc3\x9f" "e\\";
    EXPECT_EQ(ListItems(chooser), (Names{top + western, top + inner + "\\\xc3\x9f.txt"}));
    SendDlgItemMessageA(chooser, IDC_FILE_LIST, LB_SETSEL, FALSE, 1);
    Snapshot("choose-files-names-of-the-code-page");
    Press(chooser, IDOK);
    ASSERT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(ReadAll(work + "\\" + western), Span("western"));
    EXPECT_FALSE(fs::exists(PathOf(work + "\\" + inner)));
}

// Every algorithm under each header and hashing setting, from one real
// program to the other, byte for byte; the archive is wiped afterwards.
TEST_F(DecryptProgramTest, EveryAlgorithmAndSettingRoundTripsBetweenThePrograms) {
    const auto big = pelorin::test::TestBytes(70000, 5);
    const auto odd = pelorin::test::TestBytes(13, 6);
    for (int algorithm = 0; algorithm < 8; ++algorithm) {
        for (const std::uint32_t headers : {0u, 1u}) {
            for (const std::uint32_t hash : {0u, 1u}) {
                const std::string name = std::string(pelorin::kAlgorithms[algorithm].messageName) +
                                         " headers=" + std::to_string(headers) + " hash=" + std::to_string(hash);
                encryptSettings.Write(pelorin::encrypt::kEncHeaders.name, headers);
                encryptSettings.Write(pelorin::encrypt::kHashPasskey.name, hash);
                pelorin::test::TempFolder work;
                work.Write("big.bin", big);
                fs::create_directories(work.path() / "F");
                work.Write("F\\odd.bin", odd);
                ASSERT_EQ(EncryptWithProgram({work.Path("big.bin"), work.Path("F")}, algorithm, kPasskey), 0) << name;
                fs::remove_all(work.path() / "F");
                fs::remove(work.Path("big.bin"));

                Program program("PelorinDecrypt.exe", {work.Path("big.pvb")});
                HWND dialog = program.Dialog("Pelorin Decrypt");
                ASSERT_NE(dialog, nullptr) << name;
                Answer(dialog, kPasskey, true, true);
                ASSERT_EQ(program.ExitCode(), 0) << name;
                EXPECT_EQ(work.Read("big.bin"), big) << name;
                EXPECT_EQ(work.Read("F\\odd.bin"), odd) << name;
                EXPECT_FALSE(fs::exists(work.Path("big.pvb"))) << name;
            }
        }
    }
}

// A subset chosen with deletion on: before the archive goes, the user is
// asked about the entries it still holds, with No as the default; No keeps
// it (status 4), Yes deletes it.
TEST_F(DecryptProgramTest, EntriesNotChosenAreAskedAboutBeforeTheArchiveIsDeleted) {
    const Names names = {"one.txt", "two.txt", "three.txt"};
    for (const auto& name : names) folder.Write(name, Span(name));
    ASSERT_EQ(EncryptWithProgram({folder.Path("one.txt"), folder.Path("two.txt"), folder.Path("three.txt")}, 1, kPasskey),
              0);
    for (const auto& name : names) fs::remove(folder.Path(name));
    const std::string archive = folder.Path("one.pvb");
    for (const bool yes : {false, true}) {
        Program program("PelorinDecrypt.exe", {archive});
        HWND dialog = program.Dialog("Pelorin Decrypt");
        ASSERT_NE(dialog, nullptr);
        Answer(dialog, kPasskey, false, true);
        HWND chooser = program.Dialog("Choose Files");
        ASSERT_NE(chooser, nullptr);
        Press(chooser, IDC_DESELECT_ALL);
        ASSERT_EQ(SelectedCountBecomes(chooser, 0), 0);
        SendDlgItemMessageA(chooser, IDC_FILE_LIST, LB_SETSEL, TRUE, 1);  // sorted: one, three, two
        Press(chooser, IDOK);
        HWND box = program.Dialog("Pelorin Decrypt");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(StaticTextOf(box),
                  "2 entries of " + archive + " were not restored and would be lost. Delete the archive anyway?");
        EXPECT_TRUE(IsDefault(box, IDNO));
        if (!yes) Snapshot("entries-left-behind-question");
        Press(box, yes ? IDYES : IDNO);
        EXPECT_EQ(program.ExitCode(), yes ? 0 : 4);
        EXPECT_EQ(folder.Read("three.txt"), Span("three.txt"));
        EXPECT_FALSE(fs::exists(folder.Path("one.txt")));
        EXPECT_EQ(fs::exists(archive), !yes);
    }
}

// An archive without a check value (version 3): the restore goes beside an
// existing file, and the archive is deleted only when the user says so for
// it (No is the default).
TEST_F(DecryptProgramTest, AnArchiveWithoutACheckValueIsAskedAboutAndReplacesNothing) {
    const auto data = pelorin::test::TestBytes(21, 9);
    folder.Write("old.pvb", pelorin::test::old_archive::Version3DesArchive("old.doc", data, "eightkey"));
    folder.Write("old.doc", Span("the user's own"));
    Program program("PelorinDecrypt.exe", {folder.Path("old.pvb")});
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    Answer(dialog, "eightkey", true, true);
    WaitGone(dialog);
    HWND told = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(told, nullptr);
    EXPECT_NE(StaticTextOf(told).find(folder.Path("old.doc") + ", which was left as it was."), std::string::npos)
        << StaticTextOf(told);
    CloseBox(told);
    HWND box = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box).rfind(folder.Path("old.pvb") + " carries no passkey check value", 0), 0u)
        << StaticTextOf(box);
    EXPECT_TRUE(IsDefault(box, IDNO));
    Snapshot("unchecked-archive-question");
    Press(box, IDNO);
    EXPECT_EQ(program.ExitCode(), 4);
    EXPECT_TRUE(fs::exists(folder.Path("old.pvb")));
    EXPECT_EQ(folder.Read("old.doc"), Span("the user's own"));
    bool restored = false;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        restored = restored || ReadAll(entry.path().string()) == data;
    }
    EXPECT_TRUE(restored);
}

// The file name field of the system's Open dialog (a combo box in the
// explorer style, an edit box in the old style).
HWND FileNameField(HWND open) {
    for (const int id : {0x47c, 0x480}) {
        if (HWND field = GetDlgItem(open, id); field != nullptr) return field;
    }
    return nullptr;
}

TEST_F(DecryptProgramTest, WithoutNamesTheOpenDialogAsks) {
    {
        Program program("PelorinDecrypt.exe", {});
        HWND open = program.Dialog("Open");
        ASSERT_NE(open, nullptr);
        Snapshot("open-dialog");
        Press(open, IDCANCEL);
        EXPECT_EQ(program.ExitCode(), 0);
    }
    folder.Write("only.txt", Span("chosen in the Open dialog"));
    ASSERT_EQ(EncryptWithProgram({folder.Path("only.txt")}, 3, kPasskey), 0);
    fs::remove(folder.Path("only.txt"));
    Program program("PelorinDecrypt.exe", {"/E"});  // "E" is ignored: still no names
    HWND open = program.Dialog("Open");
    ASSERT_NE(open, nullptr);
    HWND field = FileNameField(open);
    ASSERT_NE(field, nullptr);
    SetWindowTextA(field, folder.Path("only.pvb").c_str());
    Press(open, IDOK);
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    Answer(dialog, kPasskey, true);
    ASSERT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(folder.Read("only.txt"), Span("chosen in the Open dialog"));
}

TEST_F(DecryptProgramTest, ImportAsksForTheAlgorithmAndPadding) {
    auto plain = pelorin::test::TestBytes(16, 7);
    auto enciphered = plain;
    pelorin::MakeGroupCipher(7, Span("k"))->Encrypt(enciphered);
    auto input = enciphered;
    input.insert(input.begin(), 12, 'P');  // the padding
    folder.Write("old.enc", input);

    Program program("PelorinDecrypt.exe", {"/I", folder.Path("old.enc")});
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    // A mistyped passkey cannot be noticed in import mode: inputs are never wiped.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)));
    Answer(dialog, "k", true, true);  // nothing to check the passkey against
    HWND options = program.Dialog("Import Options");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(ControlTextOf(options, IDC_IMPORT_PADDING), "0");
    Press(options, IDOK);
    HWND box = program.Dialog("Error", options);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), "Please choose an algorithm");
    CloseBox(box);
    SendDlgItemMessageA(options, IDC_IMPORT_VIGENERE, BM_CLICK, 0, 0);
    SetDlgItemTextA(options, IDC_IMPORT_PADDING, "twelve");
    Press(options, IDOK);
    box = program.Dialog("Pelorin Decrypt", options);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(StaticTextOf(box), "Please enter an integer.");
    CloseBox(box);
    SetDlgItemTextA(options, IDC_IMPORT_PADDING, "12");
    Snapshot("import-options-dialog");
    Press(options, IDOK);
    ASSERT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(folder.Read(pelorin::archive::kImportOutputName), plain);
    EXPECT_EQ(folder.Read("old.enc"), input);

    Program cancelled("PelorinDecrypt.exe", {"-I", folder.Path("old.enc")});
    dialog = cancelled.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    Answer(dialog, "k", true);
    options = cancelled.Dialog("Import Options");
    ASSERT_NE(options, nullptr);
    Press(options, IDCANCEL);
    EXPECT_EQ(cancelled.ExitCode(), 3);
}

TEST_F(DecryptProgramTest, OptionsRetainedDeleteAndAbout) {
    folder.Write("a.txt", Span("x"));
    ASSERT_EQ(EncryptWithProgram({folder.Path("a.txt")}, 2, kPasskey), 0);
    decryptSettings.Write("stickdel", 1);
    decryptSettings.Write("actualdel", 1);
    Program program("PelorinDecrypt.exe", {folder.Path("a.pvb")});
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsDlgButtonChecked(dialog, IDC_DELETE));  // the retained choice

    Press(dialog, IDC_OPTIONS_BUTTON);
    HWND options = program.Dialog("Options", dialog);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(ControlTextOf(options, IDC_OPT_PASSES), "3");
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(options, IDC_OPT_PASSES), GWL_STYLE) & ES_NUMBER);
    Snapshot("decrypt-options-dialog");
    SendDlgItemMessageA(options, IDC_OPT_RETAIN, BM_CLICK, 0, 0);  // off: actualdel = 0 at once
    for (int i = 0; i < 100 && decryptSettings.Read("actualdel") != std::optional<std::uint32_t>(0); ++i) Sleep(20);
    EXPECT_EQ(decryptSettings.Read("actualdel"), std::optional<std::uint32_t>(0));
    Press(options, IDCANCEL);
    WaitGone(options);
    EXPECT_EQ(decryptSettings.Read("stickdel"), std::optional<std::uint32_t>(1));  // Cancel wrote nothing

    PostMessageA(dialog, WM_SYSCOMMAND, kAboutCommandNumber, 0);
    HWND about = program.Dialog("About Pelorin Decrypt", dialog);
    ASSERT_NE(about, nullptr);
    Snapshot("decrypt-about-box");
    Press(about, IDOK);
    WaitGone(about);
    Press(dialog, IDCANCEL);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_TRUE(fs::exists(folder.Path("a.pvb")));
}

// What a tree holds, by relative name (wide, as the system names it): a
// folder's bytes are empty and marked by `folder`.
struct TreeItem {
    bool folder = false;
    std::vector<std::uint8_t> bytes;
    bool operator==(const TreeItem&) const = default;
};
std::map<std::wstring, TreeItem> TreeOf(const fs::path& root) {
    std::map<std::wstring, TreeItem> items;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        TreeItem item;
        item.folder = entry.is_directory();
        if (!item.folder) {
            std::ifstream in(entry.path(), std::ios::binary);
            item.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        items[fs::relative(entry.path(), root).wstring()] = item;
    }
    return items;
}

// An archive of version 8 from one real program to the other: names of
// Japanese, Greek and an emoji, an empty file and an empty folder, a time
// and the read-only and hidden attributes, under a passkey no code page
// holds. A wrong passkey is refused by the key's tag; Choose Files offers
// every name as it is; the tree comes back into a fresh folder name for
// name and byte for byte. The same archive extended by one byte restores
// as well and is reported as not whole.
TEST_F(DecryptProgramTest, Version8NamesOfAnyCharactersTimesAndAttributesComeBack) {
    using pelorin::platform::win32::Widen;
    encryptSettings.Write(pelorin::encrypt::kKdfMemory.name, 8);
    const std::string tree = folder.Prefix() + "Tree";
    const std::string japanese = std::string(kJapaneseName);
    const std::string greekFile = japanese + "\\" + kGreekName + ".txt";
    const std::string emojiFile = std::string(kEmojiName) + ".bin";
    fs::create_directories(PathOf(tree + "\\" + japanese));
    fs::create_directories(PathOf(tree + "\\Leer"));
    std::ofstream(PathOf(tree + "\\" + greekFile), std::ios::binary) << "Greek in Japanese";
    const auto big = pelorin::test::TestBytes(70000, 3);
    std::ofstream(PathOf(tree + "\\" + emojiFile), std::ios::binary)
        .write(reinterpret_cast<const char*>(big.data()), static_cast<std::streamsize>(big.size()));
    std::ofstream(PathOf(tree + "\\empty.txt"), std::ios::binary);
    const auto stamp = fs::last_write_time(PathOf(tree + "\\" + greekFile)) - std::chrono::hours(24 * 400);
    fs::last_write_time(PathOf(tree + "\\" + greekFile), stamp);
    const std::wstring marked = Widen(tree + "\\" + emojiFile);
    SetFileAttributesW(marked.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const std::string passkey = "\xe9\x8d\xb5 \xce\xba\xce\xbb\xce\xb5\xce\xb9\xce\xb4\xce\xaf \xf0\x9f\x94\x91";
    ASSERT_EQ(EncryptWithProgram({tree}, 9, passkey), 0);

    for (const bool extended : {false, true}) {
        pelorin::test::TempFolder fresh;
        fs::copy_file(PathOf(tree + ".pvb"), fresh.path() / "Tree.pvb");
        if (extended) std::ofstream(fresh.path() / "Tree.pvb", std::ios::binary | std::ios::app) << '!';
        Program program("PelorinDecrypt.exe", {fresh.Path("Tree.pvb")});
        HWND dialog = program.Dialog("Pelorin Decrypt");
        ASSERT_NE(dialog, nullptr);
        if (!extended) {
            Answer(dialog, "not the passkey", true);
            HWND box = program.Dialog("Pelorin Decrypt", dialog);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(StaticTextOf(box), "Incorrect Passkey");
            CloseBox(box);
        }
        SetDlgItemTextW(dialog, IDC_PASSKEY, Widen(passkey).c_str());
        CheckDlgButton(dialog, IDC_DECRYPT_ALL, extended ? BST_CHECKED : BST_UNCHECKED);
        Press(dialog, IDOK);
        if (!extended) {
            HWND chooser = program.Dialog("Choose Files");
            ASSERT_NE(chooser, nullptr);
            Names offered = ListItems(chooser);
            std::sort(offered.begin(), offered.end());
            Names expected = {"Tree", "Tree\\" + japanese, "Tree\\" + greekFile, "Tree\\" + emojiFile,
                              "Tree\\empty.txt", "Tree\\Leer"};
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(offered, expected);
            Snapshot("choose-files-version-8");
            Press(chooser, IDOK);
        } else {
            HWND box = program.Dialog("Error");
            ASSERT_NE(box, nullptr);
            EXPECT_NE(StaticTextOf(box).find("is not whole: bytes follow its end record"), std::string::npos)
                << StaticTextOf(box);
            CloseBox(box);
        }
        ASSERT_EQ(program.ExitCode(), extended ? 4 : 0);
        EXPECT_EQ(TreeOf(fresh.path() / "Tree"), TreeOf(PathOf(tree)));
        EXPECT_EQ(fs::last_write_time(fresh.path() / PathOf("Tree\\" + greekFile)), stamp);
        const std::wstring restored = Widen(fresh.Prefix() + "Tree\\" + emojiFile);
        EXPECT_EQ(GetFileAttributesW(restored.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
                  static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        SetFileAttributesW(restored.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can go
    }
    SetFileAttributesW(marked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The key of an archive of version 8 is derived in the dialog's OK: the
// dialog takes no input meanwhile, the progress window says what happens,
// and its Cancel, confirmed, ends the program with status 1 and nothing
// restored.
TEST_F(DecryptProgramTest, ACancelWhileTheKeyIsDerivedEndsWithOne) {
    encryptSettings.Write(pelorin::encrypt::kKdfMemory.name, 1024);
    folder.Write("slow.txt", Span("slow to open"));
    ASSERT_EQ(EncryptWithProgram({folder.Path("slow.txt")}, 9, kPasskey), 0);
    fs::remove(folder.Path("slow.txt"));
    Program program("PelorinDecrypt.exe", {folder.Path("slow.pvb")});
    HWND dialog = program.Dialog("Pelorin Decrypt");
    ASSERT_NE(dialog, nullptr);
    Answer(dialog, kPasskey, true);
    HWND progress = program.Dialog("Decrypting...");
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(IsWindowEnabled(dialog));
    // What happens first, the archive's name last (a narrow line keeps its end).
    const std::string status = ControlTextOf(progress, IDC_PROGRESS_STATUS);
    EXPECT_EQ(status.rfind("Deriving the key from the passkey (1 GiB, about ", 0), 0u) << status;
    EXPECT_EQ(status.substr(status.size() - 8), "slow.pvb") << status;
    Snapshot("deriving-the-key");
    Press(progress, IDCANCEL);
    HWND question = program.Dialog("Pelorin Decrypt", dialog);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(StaticTextOf(question), "Are you sure you want to Cancel?");
    Press(question, IDYES);
    EXPECT_EQ(program.ExitCode(), 1);
    EXPECT_FALSE(fs::exists(folder.Path("slow.txt")));
}

TEST(DecryptProgramResources, StringsAndDialogs) {
    HMODULE exe = LoadLibraryExA("PelorinDecrypt.exe", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    const auto text = [&](int id) {
        char buffer[256] = {};
        LoadStringA(exe, id, buffer, sizeof buffer);
        return std::string(buffer);
    };
    EXPECT_EQ(text(IDS_ABOUTBOX), "&About Pelorin Decrypt...");
    EXPECT_EQ(text(IDS_PROGRESS_CAPTION), "Decrypting...");
    EXPECT_EQ(text(IDS_IMPORT_OUTPUT_NAME), pelorin::archive::kImportOutputName);
    EXPECT_EQ(text(IDS_WIPE_TEMP_NAME), pelorin::wipe::kInputWipeTempName);
    for (const int dialog : {IDD_PROGRESS, IDD_CHOOSE_FILES, IDD_IMPORT_OPTIONS}) {
        EXPECT_NE(FindResourceA(exe, MAKEINTRESOURCEA(dialog), RT_DIALOG), nullptr) << dialog;
    }
    EXPECT_NE(FindResourceA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON), nullptr);
    FreeLibrary(exe);
}

}  // namespace

// A selection of five items given to "Encrypt with Pelorin" and "Secure
// Delete" the way Explorer gives it: the verb's command from the registry,
// started once per item with the item's name in place of %1. Started
// together, the five instances make one job (one archive, one
// confirmation); started five seconds apart, five jobs. The installer test
// runs this after installing, with PELORIN_GATHER_FOLDER naming a folder on
// its own volume.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "e2e/ProgramDriver.h"
#include "encrypt_app/win32/resource.h"
#include "secure_delete_app/SecureDeleteTexts.h"
#include "wipe/ErasureRecord.h"

namespace {

namespace fs = std::filesystem;
using namespace pelorin::e2e;
using namespace std::chrono_literals;

constexpr char kPasskey[] = "gathered passkey";
// Names as users give them: spaces, quotes, letters of other scripts.
const std::vector<std::wstring> kNames = {L"first file.txt", L"it\u2019s \u201cquoted\u201d.txt",
                                          L"r\u00e9sum\u00e9 \u00fcber \u20ac.txt", L"two  spaces .txt",
                                          L"\u540d\u524d \u2713 \U0001F600.txt"};
constexpr auto kApart = 5s;

std::wstring Verb(const wchar_t* key) {
    wchar_t command[1024] = {};
    DWORD size = sizeof command;
    const std::wstring path = std::wstring(L"Software\\Classes\\*\\shell\\") + key + L"\\command";
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, command, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return command;
}

// The command with the item's name where Explorer puts it.
std::wstring CommandFor(std::wstring command, const fs::path& item) {
    const auto at = command.find(L"%1");
    return at == std::wstring::npos ? command : command.replace(at, 2, item.wstring());
}

std::string Utf8(const fs::path& path) {
    const auto text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path Folder(const std::wstring& name) {
    const char* root = std::getenv("PELORIN_GATHER_FOLDER");
    const fs::path folder = fs::path(root != nullptr ? root : "T:\\gathered") / name;
    fs::create_directories(folder);
    return folder;
}

// The five items, each holding its own name.
std::vector<fs::path> MakeItems(const fs::path& folder) {
    std::vector<fs::path> items;
    for (const auto& name : kNames) {
        items.push_back(folder / name);
        std::ofstream(items.back(), std::ios::binary) << Utf8(items.back().filename());
    }
    return items;
}

std::vector<std::unique_ptr<Program>> StartEach(const std::wstring& verb, const std::vector<fs::path>& items,
                                                std::chrono::milliseconds apart) {
    std::vector<std::unique_ptr<Program>> programs;
    for (const auto& item : items) {
        if (!programs.empty()) std::this_thread::sleep_for(apart);
        programs.push_back(std::make_unique<Program>(CommandFor(verb, item)));
    }
    return programs;
}

// Started together, all but one hand their names over and end at once,
// without a window; the one left is returned.
Program* TheOneLeft(std::vector<std::unique_ptr<Program>>& programs) {
    for (auto deadline = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < deadline;) {
        const auto running = std::count_if(programs.begin(), programs.end(), [](auto& p) { return !p->Ended(); });
        if (running <= 1) break;
        std::this_thread::sleep_for(20ms);
    }
    Program* left = nullptr;
    for (auto& program : programs) {
        if (!program->Ended()) {
            EXPECT_EQ(left, nullptr) << "more than one instance goes on";
            left = program.get();
        } else {
            EXPECT_EQ(program->ExitCode(), 0);
        }
    }
    return left;
}

void AnswerEncrypt(Program& program) {
    HWND dialog = program.Dialog("Pelorin");
    ASSERT_NE(dialog, nullptr);
    // Version 8, which stores names of any characters.
    SendDlgItemMessageA(dialog, IDC_ALG_CHACHA, BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, IDC_PASSKEY, kPasskey);
    SetDlgItemTextA(dialog, IDC_VERIFY, kPasskey);
    Press(dialog, IDOK);
    EXPECT_EQ(program.ExitCode(), 0);
}

void AnswerDelete(Program& program) {
    HWND dialog = program.Dialog(pelorin::secure_delete::kApplicationTitle);
    ASSERT_NE(dialog, nullptr);
    Press(dialog, IDOK);
    WaitGone(dialog);
    // A run that deleted ends with its message of what overwriting reached.
    HWND verdicts = program.Dialog(pelorin::secure_delete::kApplicationTitle);
    ASSERT_NE(verdicts, nullptr);
    EXPECT_NE(StaticTextOf(verdicts).find(pelorin::wipe::kVerdictHeading), std::string::npos);
    CloseBox(verdicts);
    EXPECT_EQ(program.ExitCode(), 0);
}

std::vector<fs::path> Archives(const fs::path& folder) {
    std::vector<fs::path> archives;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".pvb") archives.push_back(entry.path());
    }
    return archives;
}

// The stored names of an archive's entries, each checked against its data
// (the item's own name as it was written).
std::multiset<std::string> Entries(const fs::path& archive) {
    std::ifstream in(archive, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto back = pelorin::test::ReadModernTestArchive(bytes, kPasskey);
    std::multiset<std::string> names;
    for (const auto& entry : back.entries) names.insert(std::string(entry.data.begin(), entry.data.end()));
    return names;
}

std::multiset<std::string> AllNames() {
    std::multiset<std::string> names;
    for (const auto& name : kNames) names.insert(Utf8(name));
    return names;
}

TEST(GatherByVerb, FiveEncryptsStartedTogetherMakeOneArchiveOfAllFive) {
    const auto verb = Verb(L"Pelorin.Encrypt");
    ASSERT_FALSE(verb.empty());
    const fs::path folder = Folder(L"encrypt together");
    auto programs = StartEach(verb, MakeItems(folder), 20ms);
    Program* left = TheOneLeft(programs);
    ASSERT_NE(left, nullptr);
    AnswerEncrypt(*left);
    const auto archives = Archives(folder);
    ASSERT_EQ(archives.size(), 1u);
    EXPECT_EQ(Entries(archives[0]), AllNames());
}

TEST(GatherByVerb, FiveEncryptsStartedApartMakeFiveArchives) {
    const auto verb = Verb(L"Pelorin.Encrypt");
    ASSERT_FALSE(verb.empty());
    const fs::path folder = Folder(L"encrypt apart");
    auto programs = StartEach(verb, MakeItems(folder), kApart);
    for (auto& program : programs) AnswerEncrypt(*program);
    const auto archives = Archives(folder);
    ASSERT_EQ(archives.size(), 5u);
    std::multiset<std::string> names;
    for (const auto& archive : archives) {
        const auto entries = Entries(archive);
        EXPECT_EQ(entries.size(), 1u) << archive;
        names.insert(entries.begin(), entries.end());
    }
    EXPECT_EQ(names, AllNames());
}

TEST(GatherByVerb, FiveDeletesStartedTogetherAskOnceAndDeleteAllFive) {
    const auto verb = Verb(L"Pelorin.SecureDelete");
    ASSERT_FALSE(verb.empty());
    const fs::path folder = Folder(L"delete together");
    const auto items = MakeItems(folder);
    std::ofstream(folder / L"kept.txt") << "not selected";
    auto programs = StartEach(verb, items, 20ms);
    Program* left = TheOneLeft(programs);
    ASSERT_NE(left, nullptr);
    AnswerDelete(*left);
    for (const auto& item : items) EXPECT_FALSE(fs::exists(item)) << item;
    EXPECT_TRUE(fs::exists(folder / L"kept.txt"));
}

TEST(GatherByVerb, FiveDeletesStartedApartAskFiveTimes) {
    const auto verb = Verb(L"Pelorin.SecureDelete");
    ASSERT_FALSE(verb.empty());
    const fs::path folder = Folder(L"delete apart");
    const auto items = MakeItems(folder);
    auto programs = StartEach(verb, items, kApart);
    for (auto& program : programs) AnswerDelete(*program);
    for (const auto& item : items) EXPECT_FALSE(fs::exists(item)) << item;
}

}  // namespace

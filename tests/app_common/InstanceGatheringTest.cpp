// The instances of a program that start together with kGatherSwitch make
// one list of names, with every character intact; other starts keep their
// own names. Runs pelorin_gather_probe (beside this test), which reads its
// names as the programs do and writes what it got.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app_common/win32/StartNames.h"
#include "platform/win32/WidePath.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using pelorin::platform::win32::Narrow;

// Names with spaces, quotes, letters of other scripts and a character
// outside the 16-bit range.
const std::vector<std::wstring> kNames = {L"a b.txt", L"it's \u201cso\u201d", L"r\u00e9sum\u00e9 \u20ac",
                                          L"\u540d\u524d \u2713", L"smile \U0001F600"};

struct Result {
    bool gathered = false;
    std::vector<std::string> names;
};

// Starts one probe per name, all at once; what each wrote.
std::vector<Result> RunProbes(const fs::path& folder, const std::wstring& leading) {
    const fs::path out = folder / "out";
    fs::create_directories(out);
    SetEnvironmentVariableW(L"PELORIN_GATHER_PROBE_OUT", out.wstring().c_str());
    std::vector<PROCESS_INFORMATION> started;
    for (const auto& name : kNames) {
        std::wstring line = L"pelorin_gather_probe.exe " + leading + L"\"" + (folder / name).wstring() + L"\"";
        STARTUPINFOW startup{sizeof startup};
        PROCESS_INFORMATION process{};
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        started.push_back(process);
    }
    for (auto& process : started) {
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::vector<Result> results;
    for (const auto& file : fs::directory_iterator(out)) {
        std::ifstream in(file.path(), std::ios::binary);
        Result result;
        std::string line;
        std::getline(in, line);
        result.gathered = line == "gathered";
        while (std::getline(in, line)) result.names.push_back(line);
        results.push_back(result);
    }
    return results;
}

std::set<std::string> Expected(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& name : kNames) names.insert(Narrow((folder / name).wstring()));
    return names;
}

TEST(InstanceGathering, InstancesStartedTogetherHandTheirNamesToOne) {
    pelorin::test::TempFolder folder;
    const auto results = RunProbes(folder.path(), L"/gather ");
    ASSERT_EQ(results.size(), kNames.size());
    int gathering = 0;
    for (const auto& result : results) {
        if (!result.gathered) {
            EXPECT_TRUE(result.names.empty());
            continue;
        }
        ++gathering;
        EXPECT_EQ(result.names.size(), kNames.size());
        EXPECT_EQ(std::set<std::string>(result.names.begin(), result.names.end()), Expected(folder.path()));
    }
    EXPECT_EQ(gathering, 1);
}

TEST(InstanceGathering, WithoutTheSwitchEachKeepsItsOwnName) {
    pelorin::test::TempFolder folder;
    const auto results = RunProbes(folder.path(), L"");
    ASSERT_EQ(results.size(), kNames.size());
    std::set<std::string> names;
    for (const auto& result : results) {
        EXPECT_TRUE(result.gathered);
        ASSERT_EQ(result.names.size(), 1u);
        names.insert(result.names[0]);
    }
    EXPECT_EQ(names, Expected(folder.path()));
}

}  // namespace

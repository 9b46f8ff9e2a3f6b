// The built library itself: its sixteen first exports by name (and on
// Windows by ordinal, 1 to 16 in alphabetical order), then those added since
// at 17 and on, loaded the way a client loads it.
#include <gtest/gtest.h>

#include <array>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

constexpr std::array<const char*, 16> kExportsInOrdinalOrder = {
    "GetDiskPasses",       "GetErrorText",        "GetMemPasses", "InitPelorinSDK", "KillPelorinSDK", "ScrambleMemory",
    "SecureRand",          "SetContinueCallback", "SetDiskPasses", "SetMemPasses",  "SetOverwriteCallback",
    "SetProgressCallback", "WipeFile",            "WipeFileSlack", "WipeFreeSpace", "memrand"};
// After them, keeping their ordinals: reading the last pass back.
constexpr std::array<const char*, 3> kAddedExports = {"GetVerify", "GetWipeTotals", "SetVerify"};

TEST(ExportTableTest, SixteenExportsByNameAndOrdinalThenTheAddedOnes) {
    for (std::size_t i = 1; i < kExportsInOrdinalOrder.size(); ++i) {
        EXPECT_LT(std::string(kExportsInOrdinalOrder[i - 1]), std::string(kExportsInOrdinalOrder[i]));
    }
#if defined(_WIN32)
    HMODULE library = LoadLibraryA("PeloSDK.dll");
    ASSERT_NE(library, nullptr);
    for (std::size_t i = 0; i < kExportsInOrdinalOrder.size(); ++i) {
        FARPROC byName = GetProcAddress(library, kExportsInOrdinalOrder[i]);
        FARPROC byOrdinal = GetProcAddress(library, MAKEINTRESOURCEA(i + 1));
        EXPECT_NE(byName, nullptr) << kExportsInOrdinalOrder[i];
        EXPECT_EQ(byName, byOrdinal) << kExportsInOrdinalOrder[i];
    }
    for (std::size_t i = 0; i < kAddedExports.size(); ++i) {
        FARPROC byName = GetProcAddress(library, kAddedExports[i]);
        EXPECT_NE(byName, nullptr) << kAddedExports[i];
        EXPECT_EQ(byName, GetProcAddress(library, MAKEINTRESOURCEA(17 + i))) << kAddedExports[i];
    }
    EXPECT_EQ(GetProcAddress(library, MAKEINTRESOURCEA(17 + kAddedExports.size())), nullptr);
    EXPECT_EQ(GetProcAddress(library, "wipefile"), nullptr);  // names are case-sensitive
    FreeLibrary(library);
#else
    void* library = dlopen(PELOSDK_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name : kExportsInOrdinalOrder) EXPECT_NE(dlsym(library, name), nullptr) << name;
    for (const char* name : kAddedExports) EXPECT_NE(dlsym(library, name), nullptr) << name;
    using GetErrorTextFunction = char* (*)(int);
    auto getErrorText = reinterpret_cast<GetErrorTextFunction>(dlsym(library, "GetErrorText"));
    EXPECT_STREQ(getErrorText(15), "ERROR: Unrecognized error code");
    dlclose(library);
#endif
}

}  // namespace

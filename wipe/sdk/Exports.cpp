// The exports of PeloSDK: the sixteen of the first interface, then those added since.
#include <algorithm>
#include <cstring>
#include <memory>

#include "app_common/SharedRandom.h"
#include "platform/CodePage.h"
#include "wipe/Patterns.h"
#include "wipe/sdk/ErrorTexts.h"
#include "wipe/sdk/LibraryState.h"
#include "wipe/sdk/LibraryWipes.h"
#include "wipe/sdk/PeloSDK.h"

using pelorin::sdk::State;

namespace {

// Names come in as UTF-8, or as text of the code page from callers written
// before names were UTF-8; inside the library they are UTF-8.
std::string NameGiven(const char* text) { return pelorin::platform::NameFromCallerText(text); }

}  // namespace

extern "C" {

void InitPelorinSDK(void) {
    auto& s = State();
    s.errorText = std::make_unique<char[]>(pelorin::sdk::kErrorTextSize);
    s.progress = nullptr;
    s.progressUser = 0;
    s.keepGoing = nullptr;
    s.keepGoingUser = 0;
    s.overwrite = nullptr;
    s.overwriteUser = 0;
    s.totals = {};
    pelorin::SeedSharedRandomFromClock();
}

void KillPelorinSDK(void) { State().errorText.reset(); }

int SetProgressCallback(ProgressCallback callback, int userValue) {
    State().progress = callback;
    State().progressUser = userValue;
    return 0;
}

int SetContinueCallback(ContinueCallback callback, int userValue) {
    State().keepGoing = callback;
    State().keepGoingUser = userValue;
    return 0;
}

int SetOverwriteCallback(OverwriteCallback callback, int userValue) {
    State().overwrite = callback;
    State().overwriteUser = userValue;
    return 0;
}

int SetDiskPasses(int passes) { return State().diskPasses = passes; }
int SetMemPasses(int passes) { return State().memPasses = passes; }
int GetDiskPasses(void) { return State().diskPasses; }
int GetMemPasses(void) { return State().memPasses; }

char* GetErrorText(int errorCode) {
    // Before InitPelorinSDK and after KillPelorinSDK there is no buffer: the
    // text then goes to a buffer of the library's own that lives as long as
    // the process, so the call is always safe.
    static char outsideSession[pelorin::sdk::kErrorTextSize];
    char* buffer = State().errorText ? State().errorText.get() : outsideSession;
    std::memset(buffer, 0, pelorin::sdk::kErrorTextSize);
    const auto text = pelorin::sdk::ErrorText(errorCode);
    std::memcpy(buffer, text.data(), std::min(text.size(), pelorin::sdk::kErrorTextSize - 1));
    return buffer;
}

int SetVerify(int verify) { return State().verify = verify; }
int GetVerify(void) { return State().verify; }

int GetWipeTotals(PeloWipeTotals* totals) {
    if (totals == nullptr || totals->size < sizeof(PeloWipeTotals)) return SdkErrorNullArgument;
    *totals = State().totals;
    totals->size = sizeof(PeloWipeTotals);
    return SdkErrorNone;
}

// The progress callback hears of a file by the caller's own text.
int WipeFile(const char* fileName) {
    if (fileName == nullptr) return pelorin::sdk::WipeFileNamed(nullptr, nullptr);
    return pelorin::sdk::WipeFileNamed(NameGiven(fileName).c_str(), fileName);
}

int WipeFreeSpace(const char* driveRoot) {
    if (driveRoot == nullptr) return pelorin::sdk::WipeFreeSpaceOf(nullptr);
    return pelorin::sdk::WipeFreeSpaceOf(NameGiven(driveRoot).c_str());
}

int WipeFileSlack(const char* fileName) {
    if (fileName == nullptr) return pelorin::sdk::WipeSlackOf(nullptr);
    return pelorin::sdk::WipeSlackOf(NameGiven(fileName).c_str());
}

int SecureRand(void) {
    int value;
    do {
        value = pelorin::NextSharedRandom();
    } while (value % 257 == 256);
    return static_cast<signed char>(value & 0xFF);
}

void* memrand(void* buffer, int length) {
    pelorin::wipe::FillRandom(static_cast<std::uint8_t*>(buffer), length);
    return buffer;
}

void* ScrambleMemory(void* buffer, unsigned int length) {
    if (buffer == nullptr) return nullptr;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (int pass = 0; pass < State().memPasses; ++pass) {
        switch (pass % 3) {
            case 0: std::memset(bytes, 0x00, length); break;
            case 1: std::memset(bytes, 0xFF, length); break;
            default: memrand(bytes, static_cast<int>(length)); break;
        }
    }
    return buffer;
}

}  // extern "C"

// Started by InstanceGatheringTest as a program of the suite is started:
// reads its names with ReadStartNames and writes what it got into the
// folder PELORIN_GATHER_PROBE_OUT, in a file named after its process id:
// "handed over", or "gathered" and then each name (UTF-8) on a line.
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app_common/win32/StartNames.h"

int main() {
    const auto start = pelorin::win32::ReadStartNames(L"PelorinGatherProbe");
    const char* folder = std::getenv("PELORIN_GATHER_PROBE_OUT");
    if (folder == nullptr) return 2;
    std::ofstream out(std::filesystem::path(folder) / (std::to_string(GetCurrentProcessId()) + ".txt"),
                      std::ios::binary);
    out << (start.handedOver ? "handed over" : "gathered") << "\n";
    for (const auto& name : start.names) out << name << "\n";
    return out ? 0 : 1;
}

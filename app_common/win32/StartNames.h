#pragma once

#include <string>
#include <vector>

namespace pelorin::win32 {

// The switch that the Explorer menu's commands put before the item's name
// ("PelorinEncrypt.exe" /gather "%1"): the instances that Explorer starts
// for a selection gather their names into one job.
inline constexpr wchar_t kGatherSwitch[] = L"/gather";

// The names a program was started with, as UTF-8 (see platform/Utf8.h).
struct StartNames {
    // Another instance of the program took the names: this one ends now.
    bool handedOver = false;
    std::vector<std::string> names;
};

// Reads the program's command line as the system holds it (wide, so that
// no character of a name is lost). Led by kGatherSwitch, the names are made
// full paths and gathered with those of the instances that start together
// (see InstanceGathering.h); otherwise they are the arguments as given.
StartNames ReadStartNames(const std::wstring& program);

}  // namespace pelorin::win32

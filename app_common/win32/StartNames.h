#pragma once

#include <string>
#include <vector>

namespace pelorin::win32 {

// The switch that the Explorer menu's commands put before the item's name
// ("PelorinEncrypt.exe" /gather "%1"): the instances that Explorer starts
// for a selection gather their names into one job.
inline constexpr wchar_t kGatherSwitch[] = L"/gather";

// The names a program was started with, as UTF-8.
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

// The names in the text the programs take for now, the system's code page.
// A name the code page cannot hold goes by its short form, which reaches
// the same item; without one, each character that does not fit becomes
// '|', which no name holds and no search takes for a wildcard (the system's
// '?' would be one, and its closest fits could name another item), so that
// the program reports the name as not found rather than work on another.
std::vector<std::string> ProgramTexts(const std::vector<std::string>& names);

// UTF-8 to and from the wide text of the system's calls.
std::string Utf8FromWide(const std::wstring& wide);
std::wstring WideFromUtf8(const std::string& utf8);

}  // namespace pelorin::win32

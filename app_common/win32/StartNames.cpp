#include "app_common/win32/StartNames.h"

#include <windows.h>
#include <shellapi.h>

#include "app_common/win32/InstanceGathering.h"
#include "platform/win32/WidePath.h"

namespace pelorin::win32 {
namespace {

std::vector<std::wstring> WideArguments() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return {};
    std::vector<std::wstring> wide(arguments + (count > 0 ? 1 : 0), arguments + count);
    LocalFree(arguments);
    return wide;
}

}  // namespace

StartNames ReadStartNames(const std::wstring& program) {
    const auto arguments = WideArguments();
    StartNames start;
    if (arguments.empty() || arguments.front() != kGatherSwitch) {
        for (const auto& argument : arguments) start.names.push_back(platform::win32::Narrow(argument));
        return start;
    }
    std::vector<std::string> names;
    for (auto argument = arguments.begin() + 1; argument != arguments.end(); ++argument) {
        if (!argument->empty()) names.push_back(platform::win32::Narrow(platform::win32::FullName(*argument)));
    }
    auto gathered = GatherInstanceNames(program, names);
    if (gathered) {
        start.names = std::move(*gathered);
    } else {
        start.handedOver = true;
    }
    return start;
}

}  // namespace pelorin::win32

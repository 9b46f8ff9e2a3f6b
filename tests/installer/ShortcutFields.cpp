// Prints what a shortcut (.lnk) holds as the shell reads it, one
// "Name=Value" line each: the target, the arguments, the folder it starts
// in, the icon and the comment. The installer test compares them with what
// each shortcut should start. Exit status 1 when the file cannot be read as
// a shortcut.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string Narrow(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? static_cast<std::size_t>(size - 1) : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}

int Print(const char* file) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return 1;
    }
    IPersistFile* persist = nullptr;
    wchar_t name[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, file, -1, name, MAX_PATH);
    int status = 1;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(persist->Load(name, STGM_READ))) {
        wchar_t text[1024] = {};
        int icon = 0;
        link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
        std::printf("Target=%s\n", Narrow(text).c_str());
        text[0] = L'\0';
        link->GetArguments(text, 1024);
        std::printf("Arguments=%s\n", Narrow(text).c_str());
        text[0] = L'\0';
        link->GetWorkingDirectory(text, 1024);
        std::printf("WorkingDirectory=%s\n", Narrow(text).c_str());
        text[0] = L'\0';
        link->GetIconLocation(text, 1024, &icon);
        std::printf("Icon=%s,%d\n", Narrow(text).c_str(), icon);
        text[0] = L'\0';
        link->GetDescription(text, 1024);
        std::printf("Description=%s\n", Narrow(text).c_str());
        status = 0;
    }
    if (persist != nullptr) persist->Release();
    link->Release();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelorin_shortcut_fields FILE.lnk\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    const int status = Print(argv[1]);
    if (status != 0) std::fprintf(stderr, "%s: not readable as a shortcut\n", argv[1]);
    CoUninitialize();
    return status;
}

// Prints a file's version resource as Windows reads it, one "Name=Value"
// line each: the fixed file and product versions, the file type, and the
// strings of the language the Translation entry names. The installer test
// compares them with what each file should say. Exit status 1 when the file
// has no readable version resource.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Dotted(DWORD high, DWORD low) {
    return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) +
           "." + std::to_string(LOWORD(low));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pelorin_version_fields FILE\n");
        return 2;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(argv[1], &ignored);
    if (size == 0) {
        std::fprintf(stderr, "%s: no version resource (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(argv[1], 0, size, block.data())) return 1;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || length < sizeof *fixed ||
        fixed->dwSignature != VS_FFI_SIGNATURE) {
        return 1;
    }
    std::printf("Fixed.FileVersion=%s\n", Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str());
    std::printf("Fixed.ProductVersion=%s\n", Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str());
    std::printf("Fixed.FileType=%s\n", fixed->dwFileType == VFT_APP   ? "app"
                                       : fixed->dwFileType == VFT_DLL ? "dll"
                                                                      : "other");

    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof *translation) {
        return 1;
    }
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
    for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                             "OriginalFilename", "ProductName", "ProductVersion"}) {
        char* value = nullptr;
        const std::string path = std::string(prefix) + name;
        if (VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) && length > 0) {
            std::printf("%s=%s\n", name, value);
        } else {
            std::printf("%s=(missing)\n", name);
        }
    }
    return 0;
}

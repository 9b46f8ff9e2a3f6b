#include "platform/win32/FileInformation.h"

#include <cstring>

namespace pelorin::platform::win32 {

std::optional<FileInformation> InformationOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
    FileInformation result;
    FileStatus& status = result.status;
    status.identity = {info.dwVolumeSerialNumber,
                       (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    status.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    status.modified = static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                                info.ftLastWriteTime.dwLowDateTime);
    status.names = info.nNumberOfLinks;
    status.attributes = info.dwFileAttributes;
    result.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    status.compressed = (info.dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED) != 0;
    status.encrypted = (info.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED) != 0;
    status.sparse = (info.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0;
    bool link = false;
    if (result.reparsePoint) {
        FILE_ATTRIBUTE_TAG_INFO tag{};
        // When the tag cannot be read, the reparse point is taken for a link:
        // it is then left alone rather than followed.
        link = !GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) ||
               IsLinkReparseTag(tag.ReparseTag);
    }
    if (link) {
        status.kind = FileKind::Link;
    } else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        status.kind = FileKind::Folder;
    } else if (GetFileType(handle) != FILE_TYPE_DISK) {
        status.kind = FileKind::Other;
    } else {
        status.kind = FileKind::Regular;
    }
    return result;
}

std::optional<FileBirth> BirthOf(HANDLE handle) {
    const auto information = InformationOf(handle);
    FILE_BASIC_INFO basic{};
    if (!information || !GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        return std::nullopt;
    }
    FileBirth birth;
    birth.identity = information->status.identity;
    birth.born = basic.CreationTime.QuadPart;
    // Volumes with 128-bit file ids (ReFS) give only part of one as the index.
    FILE_ID_INFO id{};
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
        std::uint64_t upper = 0;
        std::memcpy(&upper, id.FileId.Identifier + 8, sizeof upper);
        birth.generation = upper;
    }
    return birth;
}

}  // namespace pelorin::platform::win32

#include "platform/File.h"

#include "platform/Folder.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <utility>

#include "platform/win32/FileInformation.h"
#include "platform/win32/WidePath.h"

namespace pelorin::platform {
namespace {

using win32::RememberFailure;

FileError FromLastError(DWORD code) {
    switch (code) {
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT: return FileError::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return FileError::InUse;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return FileError::Exists;
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_NAME: return FileError::InvalidArgument;
        case ERROR_TOO_MANY_OPEN_FILES: return FileError::TooManyOpen;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE: return FileError::NotFound;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return FileError::NoSpace;
        case ERROR_CANT_ACCESS_FILE:
        case ERROR_CANT_RESOLVE_FILENAME: return FileError::IsLink;
        default: return FileError::Other;
    }
}

// Remembers the system's words and returns the kind of the last error.
FileError Fail() {
    const DWORD code = GetLastError();
    RememberFailure(code);
    return FromLastError(code);
}

inline HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Reads and writes go in pieces that a DWORD count can carry.
constexpr std::size_t kMaxTransfer = 1u << 30;

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)),
      readBack_(std::exchange(other.readBack_, -1)),
      lastError_(other.lastError_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, -1);
        readBack_ = std::exchange(other.readBack_, -1);
        lastError_ = other.lastError_;
    }
    return *this;
}

File File::Open(const std::string& path, const OpenOptions& options, FileError* error) {
    DWORD access = 0;
    if (options.read || !options.write) access |= GENERIC_READ;
    if (options.write) access |= GENERIC_WRITE;
    // Nothing is truncated by the open itself: that waits until the name is
    // known to be a regular file and not a link.
    DWORD disposition = options.exclusive ? CREATE_NEW : options.create ? OPEN_ALWAYS : OPEN_EXISTING;
    // Holding a file, shared or exclusively, means no other writer.
    DWORD share = options.lock == FileLock::None ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    if (options.allowRename) share |= FILE_SHARE_DELETE;
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (options.sequential) flags |= FILE_FLAG_SEQUENTIAL_SCAN;
    const auto refuse = [&](FileError kind) {
        if (error) *error = kind;
        return File();
    };
    const std::wstring name = win32::LongPath(path);
    File file;
    HANDLE h = CreateFileW(name.c_str(), access, share, nullptr, disposition,
                           flags | (options.noFollow ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
    if (h == INVALID_HANDLE_VALUE) return refuse(Fail());
    file.handle_ = reinterpret_cast<std::intptr_t>(h);
    auto opened = win32::InformationOf(h);
    if (!opened) return refuse(Fail());
    if (opened->status.kind == FileKind::Link) {
        win32::RememberFailure(ERROR_CANT_ACCESS_FILE);
        return refuse(FileError::IsLink);
    }
    if (options.noFollow && opened->reparsePoint) {
        // A reparse point that is no link (a cloud placeholder, a
        // deduplicated file) is opened for what it presents, which must be
        // the same file.
        HANDLE presented =
            CreateFileW(name.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
        if (presented == INVALID_HANDLE_VALUE) return refuse(Fail());
        file = File();
        file.handle_ = reinterpret_cast<std::intptr_t>(presented);
        const auto same = win32::InformationOf(presented);
        if (!same || !(same->status.identity == opened->status.identity)) {
            win32::RememberFailure(ERROR_CANT_ACCESS_FILE);
            return refuse(FileError::IsLink);
        }
        opened = same;
    }
    if (opened->status.kind == FileKind::Folder) {
        win32::RememberFailure(ERROR_ACCESS_DENIED);
        return refuse(FileError::AccessDenied);
    }
    if (opened->status.kind != FileKind::Regular) {
        win32::RememberFailure(ERROR_BAD_FILE_TYPE);
        return refuse(FileError::NotRegular);
    }
    if (options.truncate && !file.SetLength(0)) return refuse(file.lastError());
    if (error) *error = FileError::None;
    return file;
}

bool File::IsOpen() const { return handle_ != -1; }

std::int64_t File::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const DWORD want = static_cast<DWORD>(count - done < kMaxTransfer ? count - done : kMaxTransfer);
        DWORD got = 0;
        if (!ReadFile(Handle(handle_), out + done, want, &got, nullptr)) {
            lastError_ = Fail();
            return -1;
        }
        if (got == 0) break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t File::Write(const void* buffer, std::size_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const DWORD want = static_cast<DWORD>(count - done < kMaxTransfer ? count - done : kMaxTransfer);
        DWORD put = 0;
        if (!WriteFile(Handle(handle_), in + done, want, &put, nullptr)) {
            lastError_ = Fail();
            done += put;
            break;
        }
        if (put == 0) {
            win32::RememberFailure(ERROR_DISK_FULL);
            lastError_ = FileError::NoSpace;
            break;
        }
        done += put;
    }
    return static_cast<std::int64_t>(done);
}

File File::OpenIn(const Folder& folder, const std::string& name, const OpenOptions& options, FileError* error) {
    return Open(folder.PathOf(name), options, error);
}

// Unbuffered writing is a choice made when a file is opened on Windows.
bool File::BypassCache() { return false; }

bool File::StartReadBack() {
    if (!Flush()) return false;
    // A second handle that reads from the disk: an unbuffered read first
    // has the cache write what it holds of the range, then reads the disk.
    if (readBack_ == -1) {
        HANDLE again = ReOpenFile(Handle(handle_), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  FILE_FLAG_NO_BUFFERING);
        if (again != INVALID_HANDLE_VALUE) readBack_ = reinterpret_cast<std::intptr_t>(again);
    }
    return true;
}

std::int64_t File::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const DWORD want = static_cast<DWORD>(count - done < kMaxTransfer ? count - done : kMaxTransfer);
        OVERLAPPED at{};
        const std::uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        DWORD got = 0;
        const HANDLE from = Handle(readBack_ != -1 ? readBack_ : handle_);
        if (!ReadFile(from, out + done, want, &got, &at)) {
            const DWORD code = GetLastError();
            if (code == ERROR_HANDLE_EOF) break;
            // The unbuffered handle refuses this size or place: the file's
            // own handle from now on.
            if (readBack_ != -1 && code == ERROR_INVALID_PARAMETER) {
                CloseHandle(Handle(readBack_));
                readBack_ = -1;
                continue;
            }
            lastError_ = Fail();
            return -1;
        }
        if (got == 0) break;
        done += got;
    }
    return static_cast<std::int64_t>(done);
}

bool DeleteFileIfSame(const std::string& path, const FileIdentity& identity) {
    // The name's own handle: what it leads to is compared and deleted
    // through it, so nothing can take the name in between.
    HANDLE named = CreateFileW(win32::LongPath(path).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (named == INVALID_HANDLE_VALUE) {
        Fail();
        return false;
    }
    const auto theirs = win32::InformationOf(named);
    bool deleted = false;
    if (!theirs || !(theirs->status.identity == identity)) {
        RememberFailure(ERROR_FILE_NOT_FOUND);
    } else {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = TRUE;
        deleted = SetFileInformationByHandle(named, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
        if (!deleted) Fail();
    }
    CloseHandle(named);
    return deleted;
}

std::int64_t File::Seek(std::int64_t offset, SeekFrom from) {
    const DWORD method = from == SeekFrom::Start ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!SetFilePointerEx(Handle(handle_), distance, &result, method)) {
        lastError_ = Fail();
        return -1;
    }
    return result.QuadPart;
}

std::int64_t File::Position() { return Seek(0, SeekFrom::Current); }

std::int64_t File::Length() {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(Handle(handle_), &size)) {
        lastError_ = Fail();
        return -1;
    }
    return size.QuadPart;
}

bool File::AtEnd() {
    const std::int64_t position = Position();
    const std::int64_t length = Length();
    return position < 0 || length < 0 || position >= length;
}

bool File::SetLength(std::int64_t length) {
    const std::int64_t saved = Position();
    if (Seek(length, SeekFrom::Start) < 0) return false;
    const bool ok = SetEndOfFile(Handle(handle_)) != FALSE;
    if (!ok) lastError_ = Fail();
    if (saved >= 0) Seek(saved, SeekFrom::Start);
    return ok;
}

namespace {

bool IsSparse(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0;
}

}  // namespace

std::optional<std::vector<FileRange>> File::DataRanges() {
    const std::int64_t length = Length();
    if (length < 0) return std::nullopt;
    if (length == 0) return std::vector<FileRange>{};
    // Only a sparse file has holes; the others are allocated throughout.
    if (!IsSparse(Handle(handle_))) return std::vector<FileRange>{{0, static_cast<std::uint64_t>(length)}};
    std::vector<FileRange> ranges;
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.FileOffset.QuadPart = 0;
    query.Length.QuadPart = length;
    FILE_ALLOCATED_RANGE_BUFFER found[64];
    while (query.Length.QuadPart > 0) {
        DWORD bytes = 0;
        const BOOL done = DeviceIoControl(Handle(handle_), FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, found,
                                          sizeof found, &bytes, nullptr);
        const DWORD error = done ? ERROR_SUCCESS : GetLastError();
        if (!done && error != ERROR_MORE_DATA) {
            lastError_ = Fail();
            return std::nullopt;
        }
        const std::size_t count = bytes / sizeof found[0];
        for (std::size_t i = 0; i < count; ++i) {
            ranges.push_back({static_cast<std::uint64_t>(found[i].FileOffset.QuadPart),
                              static_cast<std::uint64_t>(found[i].Length.QuadPart)});
        }
        if (done || count == 0) break;
        // More than fit: ask again from the end of the last one.
        const LONGLONG next = found[count - 1].FileOffset.QuadPart + found[count - 1].Length.QuadPart;
        query.Length.QuadPart = length - next;
        query.FileOffset.QuadPart = next;
    }
    return ranges;
}

bool File::Deallocate(FileRange range) {
    if (range.length == 0) return true;
    // On a file that is not sparse this would write zeros, not free space.
    if (!IsSparse(Handle(handle_))) return false;
    FILE_ZERO_DATA_INFORMATION zero{};
    zero.FileOffset.QuadPart = static_cast<LONGLONG>(range.offset);
    zero.BeyondFinalZero.QuadPart = static_cast<LONGLONG>(range.offset + range.length);
    DWORD bytes = 0;
    if (DeviceIoControl(Handle(handle_), FSCTL_SET_ZERO_DATA, &zero, sizeof zero, nullptr, 0, &bytes, nullptr)) {
        return true;
    }
    lastError_ = Fail();
    return false;
}

bool File::Flush() {
    if (!FlushFileBuffers(Handle(handle_))) {
        lastError_ = Fail();
        return false;
    }
    return true;
}

// Windows forces a volume's own records to the disk only for the
// administrator's volume handle; the file's own flush is what a fill can do.
bool File::FlushVolume() { return Flush(); }

std::int64_t File::AllocatedLength() {
    FILE_STANDARD_INFO information{};
    if (!GetFileInformationByHandleEx(Handle(handle_), FileStandardInfo, &information, sizeof information)) {
        lastError_ = Fail();
        return -1;
    }
    return information.AllocationSize.QuadPart;
}

namespace {

// FILETIME counts 100 ns from 1601-01-01; this many of them lie before 1970.
constexpr std::int64_t kTicksBefore1970 = 116444736000000000;
constexpr std::int64_t kTicksPerSecond = 10000000;

}  // namespace

UnixTime UnixTimeOf(std::int64_t modified) {
    const std::int64_t since1970 = modified - kTicksBefore1970;
    std::int64_t seconds = since1970 / kTicksPerSecond;
    std::int64_t rest = since1970 % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    return {seconds, static_cast<std::uint32_t>(rest * 100)};
}

std::optional<std::int64_t> ModifiedOf(const UnixTime& time) {
    constexpr std::int64_t kLatest = (INT64_MAX - kTicksBefore1970) / kTicksPerSecond - 1;
    constexpr std::int64_t kEarliest = -kTicksBefore1970 / kTicksPerSecond;
    if (time.seconds > kLatest || time.seconds < kEarliest || time.nanoseconds >= 1000000000u) return std::nullopt;
    return kTicksBefore1970 + time.seconds * kTicksPerSecond + time.nanoseconds / 100;
}

namespace win32 {

// Gives a handle opened for writing attributes the read-only and hidden
// attributes of `stored`, keeping its others.
bool ApplyStoredAttributes(HANDLE handle, std::uint32_t stored) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) return false;
    DWORD attributes = (basic.FileAttributes & ~kKept) | (stored & kKept);
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
    FILE_BASIC_INFO change{};
    change.FileAttributes = attributes;  // times of 0 stay as they are
    return SetFileInformationByHandle(handle, FileBasicInfo, &change, sizeof change) != 0;
}

}  // namespace win32

bool File::ApplyAccess(const StoredAccess& access) {
    if (!access.attributes) return true;
    if (win32::ApplyStoredAttributes(Handle(handle_), *access.attributes)) return true;
    lastError_ = Fail();
    return false;
}

bool File::SetModified(std::int64_t modified) {
    const auto ticks = static_cast<std::uint64_t>(modified);
    const FILETIME written{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
    if (::SetFileTime(Handle(handle_), nullptr, nullptr, &written)) return true;
    lastError_ = Fail();
    return false;
}

std::optional<FileStatus> File::Status() {
    const auto information = win32::InformationOf(Handle(handle_));
    if (!information) {
        lastError_ = Fail();
        return std::nullopt;
    }
    return information->status;
}

std::optional<FileBirth> File::Birth() {
    auto birth = win32::BirthOf(Handle(handle_));
    if (!birth) lastError_ = Fail();
    return birth;
}

// An open without write sharing already keeps every writer out: one that
// held the file made the open fail.
File::Alone File::KeepOthersOut() { return Alone::Yes; }

// A handle with write access already keeps the suite's other programs out
// (none of them shares writing); one without it cannot take more.
bool File::Relock(FileLock) { return true; }

void File::Close() {
    if (readBack_ != -1) {
        CloseHandle(Handle(readBack_));
        readBack_ = -1;
    }
    if (handle_ != -1) {
        CloseHandle(Handle(handle_));
        handle_ = -1;
    }
}

}  // namespace pelorin::platform

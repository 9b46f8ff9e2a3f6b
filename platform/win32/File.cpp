#include "platform/File.h"

#include <windows.h>

#include <utility>

namespace pelorin::platform {
namespace {

FileError FromLastError(DWORD code) {
    switch (code) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT: return FileError::AccessDenied;
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

inline HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Reads and writes go in pieces that a DWORD count can carry.
constexpr std::size_t kMaxTransfer = 1u << 30;

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), lastError_(other.lastError_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, -1);
        lastError_ = other.lastError_;
    }
    return *this;
}

File File::Open(const std::string& path, const OpenOptions& options, FileError* error) {
    DWORD access = 0;
    if (options.read || !options.write) access |= GENERIC_READ;
    if (options.write) access |= GENERIC_WRITE;
    DWORD disposition;
    if (options.exclusive) {
        disposition = CREATE_NEW;
    } else if (options.create && options.truncate) {
        disposition = CREATE_ALWAYS;
    } else if (options.create) {
        disposition = OPEN_ALWAYS;
    } else if (options.truncate) {
        disposition = TRUNCATE_EXISTING;
    } else {
        disposition = OPEN_EXISTING;
    }
    DWORD flags = FILE_ATTRIBUTE_NORMAL;
    if (options.sequential) flags |= FILE_FLAG_SEQUENTIAL_SCAN;
    if (options.noFollow) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    File file;
    HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition, flags,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error) *error = FromLastError(GetLastError());
        return file;
    }
    if (options.noFollow) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            CloseHandle(h);
            if (error) *error = FileError::IsLink;
            return file;
        }
    }
    file.handle_ = reinterpret_cast<std::intptr_t>(h);
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
            lastError_ = FromLastError(GetLastError());
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
            lastError_ = FromLastError(GetLastError());
            done += put;
            break;
        }
        if (put == 0) {
            lastError_ = FileError::NoSpace;
            break;
        }
        done += put;
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t File::Seek(std::int64_t offset, SeekFrom from) {
    const DWORD method = from == SeekFrom::Start ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!SetFilePointerEx(Handle(handle_), distance, &result, method)) {
        lastError_ = FromLastError(GetLastError());
        return -1;
    }
    return result.QuadPart;
}

std::int64_t File::Position() { return Seek(0, SeekFrom::Current); }

std::int64_t File::Length() {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(Handle(handle_), &size)) {
        lastError_ = FromLastError(GetLastError());
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
    if (!ok) lastError_ = FromLastError(GetLastError());
    if (saved >= 0) Seek(saved, SeekFrom::Start);
    return ok;
}

bool File::Flush() {
    if (!FlushFileBuffers(Handle(handle_))) {
        lastError_ = FromLastError(GetLastError());
        return false;
    }
    return true;
}

void File::Close() {
    if (handle_ != -1) {
        CloseHandle(Handle(handle_));
        handle_ = -1;
    }
}

}  // namespace pelorin::platform

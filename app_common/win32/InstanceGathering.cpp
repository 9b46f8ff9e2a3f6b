#include "app_common/win32/InstanceGathering.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "app_common/NameMessage.h"

namespace pelorin::win32 {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long one read or write on the pipe may take before the other side
// counts as gone.
constexpr milliseconds kTransferTime{10000};
// A later instance waits this long between tries to reach the first.
constexpr DWORD kRetryPause = 25;
constexpr char kTaken = 'K';
// How long the instance that gathers waits for another to hang up after
// its names were taken.
constexpr milliseconds kHangUpTime{2000};

class Handle {
public:
    explicit Handle(HANDLE handle = nullptr) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~Handle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Handle& operator=(Handle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

// How long ago this process was created.
milliseconds Age() {
    FILETIME created{}, exited{}, kernel{}, user{}, now{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return {};
    GetSystemTimeAsFileTime(&now);
    const auto ticks = [](FILETIME time) {  // 100 ns each
        return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return milliseconds(std::max<std::int64_t>(0, (ticks(now) - ticks(created)) / 10000));
}

DWORD Remaining(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<DWORD>(left);
}

// The user this process runs as: its SID, and that SID as text.
struct User {
    std::unique_ptr<std::uint8_t[]> token;
    PSID sid = nullptr;
    std::wstring text;
};

std::optional<User> CurrentUser() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::nullopt;
    const Handle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return std::nullopt;
    User user;
    user.token = std::make_unique<std::uint8_t[]>(size);
    if (!GetTokenInformation(token.get(), TokenUser, user.token.get(), size, &size)) return std::nullopt;
    user.sid = reinterpret_cast<TOKEN_USER*>(user.token.get())->User.Sid;
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(user.sid, &text)) return std::nullopt;
    user.text = text;
    LocalFree(text);
    return user;
}

// Security attributes that give the user, and no one else, every right.
class OnlyTheUser {
public:
    explicit OnlyTheUser(const User& user) {
        const std::wstring sddl = L"O:" + user.text + L"D:P(A;;GA;;;" + user.text + L")";
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_,
                                                                 nullptr)) {
            attributes_.lpSecurityDescriptor = descriptor_;
        }
    }
    ~OnlyTheUser() {
        if (descriptor_ != nullptr) LocalFree(descriptor_);
    }
    OnlyTheUser(const OnlyTheUser&) = delete;
    OnlyTheUser& operator=(const OnlyTheUser&) = delete;
    SECURITY_ATTRIBUTES* get() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{sizeof attributes_, nullptr, FALSE};
};

// Reads or writes all of `size` bytes on an overlapped handle, or fails
// when the other side goes or takes longer than `deadline`.
bool Transfer(HANDLE pipe, bool write, void* data, DWORD size, Clock::time_point deadline) {
    auto* bytes = static_cast<char*>(data);
    const Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) return false;
    while (size > 0) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event.get();
        ResetEvent(event.get());
        const BOOL done = write ? WriteFile(pipe, bytes, size, nullptr, &overlapped)
                                : ReadFile(pipe, bytes, size, nullptr, &overlapped);
        if (!done && GetLastError() != ERROR_IO_PENDING) return false;
        if (WaitForSingleObject(event.get(), Remaining(deadline)) != WAIT_OBJECT_0) {
            CancelIo(pipe);
            DWORD ignored = 0;
            GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
            return false;
        }
        DWORD moved = 0;
        if (!GetOverlappedResult(pipe, &overlapped, &moved, FALSE) || moved == 0) return false;
        bytes += moved;
        size -= moved;
    }
    return true;
}

struct Names {
    std::wstring mutex;
    std::wstring pipe;
};

// Per program and user, and for the pipe (whose names are not per session)
// per session as well.
Names NamesFor(const std::wstring& program, const User& user) {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    const std::wstring stem = L"Pelorin-gather-" + program + L"-" + user.text;
    return {L"Local\\" + stem, L"\\\\.\\pipe\\" + stem + L"-" + std::to_wstring(session)};
}

Handle NewPipeInstance(const Names& names, OnlyTheUser& security, bool first) {
    const DWORD mode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return Handle(CreateNamedPipeW(names.pipe.c_str(), mode,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                   PIPE_UNLIMITED_INSTANCES, 65536, 65536, 0, security.get()));
}

// Waits for the next instance on `pipe` until `deadline`; true when one came.
bool AwaitClient(HANDLE pipe, Clock::time_point deadline) {
    const Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.get();
    if (ConnectNamedPipe(pipe, &overlapped)) return true;
    switch (GetLastError()) {
        case ERROR_PIPE_CONNECTED: return true;
        case ERROR_NO_DATA: return true;  // came and went already: its names are not read, it tries again
        case ERROR_IO_PENDING: break;
        default: return false;
    }
    if (WaitForSingleObject(event.get(), Remaining(deadline)) == WAIT_OBJECT_0) {
        DWORD ignored = 0;
        return GetOverlappedResult(pipe, &overlapped, &ignored, FALSE) != FALSE;
    }
    CancelIo(pipe);
    DWORD ignored = 0;
    return GetOverlappedResult(pipe, &overlapped, &ignored, TRUE) != FALSE;
}

// One instance's names from a connected pipe, answered with kTaken once
// they are kept.
bool TakeNames(HANDLE pipe, std::vector<std::string>& gathered) {
    const auto deadline = Clock::now() + kTransferTime;
    std::uint32_t size = 0;
    if (!Transfer(pipe, false, &size, sizeof size, deadline) || size > kMostNameMessageBytes) return false;
    std::string message(size, '\0');
    if (!Transfer(pipe, false, message.data(), size, deadline)) return false;
    auto names = DecodeNameMessage(message);
    if (!names) return false;
    // Kept first, then answered: a name taken is never also worked on by
    // the instance that handed it over.
    const auto before = gathered.size();
    gathered.insert(gathered.end(), names->begin(), names->end());
    char taken = kTaken;
    if (!Transfer(pipe, true, &taken, 1, deadline)) {
        gathered.resize(before);
        return false;
    }
    // The answer is read before this end goes (closing it first could
    // drop it): the other instance hangs up once it has it.
    char more = 0;
    Transfer(pipe, false, &more, 1, std::min(deadline, Clock::now() + kHangUpTime));
    return true;
}

std::vector<std::string> Gather(const Names& names, OnlyTheUser& security, std::vector<std::string> gathered,
                                const GatherTimes& times) {
    Handle pipe = NewPipeInstance(names, security, true);
    // Another program holds the name: no one can be gathered safely.
    if (!pipe) return gathered;
    const milliseconds quiet = std::clamp(Age() * 3 / 2, times.quiet, times.mostQuiet);
    const auto last = Clock::now() + times.longest;
    auto deadline = std::min(Clock::now() + quiet, last);
    while (AwaitClient(pipe.get(), deadline)) {
        // The next instance can connect while this one is read.
        Handle next = NewPipeInstance(names, security, false);
        TakeNames(pipe.get(), gathered);
        pipe = std::move(next);
        if (!pipe) break;
        deadline = std::min(Clock::now() + quiet, last);
    }
    return gathered;
}

// True when the pipe's server runs as `user` (so that no other user's
// program can take the names by creating the pipe first).
bool ServerIsUser(HANDLE pipe, const User& user) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool same = owner != nullptr && EqualSid(owner, user.sid);
    LocalFree(descriptor);
    return same;
}

enum class HandOver { Taken, NoOneThere, Refused };

HandOver HandNamesOver(const Names& names, const User& user, const std::string& message) {
    Handle pipe(CreateFileW(names.pipe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (!pipe) {
        if (GetLastError() == ERROR_PIPE_BUSY) WaitNamedPipeW(names.pipe.c_str(), 500);
        return HandOver::NoOneThere;
    }
    if (!ServerIsUser(pipe.get(), user)) return HandOver::Refused;
    const auto deadline = Clock::now() + kTransferTime;
    auto size = static_cast<std::uint32_t>(message.size());
    std::string bytes = message;
    char answer = 0;
    if (!Transfer(pipe.get(), true, &size, sizeof size, deadline) ||
        !Transfer(pipe.get(), true, bytes.data(), size, deadline) ||
        !Transfer(pipe.get(), false, &answer, 1, deadline) || answer != kTaken) {
        return HandOver::NoOneThere;
    }
    return HandOver::Taken;
}

}  // namespace

std::optional<std::vector<std::string>> GatherInstanceNames(const std::wstring& program,
                                                            const std::vector<std::string>& names,
                                                            const GatherTimes& times) {
    const auto user = CurrentUser();
    if (!user) return names;
    const Names objects = NamesFor(program, *user);
    OnlyTheUser security(*user);
    const std::string message = EncodeNameMessage(names);
    // Names no instance would take (none can be that long) stay here.
    if (!DecodeNameMessage(message)) return names;
    const auto giveUp = Clock::now() + times.handOver;
    for (;;) {
        const Handle mutex(CreateMutexW(security.get(), FALSE, objects.mutex.c_str()));
        if (!mutex) return names;
        const DWORD wait = WaitForSingleObject(mutex.get(), 0);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            auto gathered = Gather(objects, security, names, times);
            ReleaseMutex(mutex.get());
            return gathered;
        }
        switch (HandNamesOver(objects, *user, message)) {
            case HandOver::Taken: return std::nullopt;
            case HandOver::Refused: return names;
            case HandOver::NoOneThere: break;
        }
        if (Clock::now() >= giveUp) return names;
        Sleep(kRetryPause);
    }
}

}  // namespace pelorin::win32

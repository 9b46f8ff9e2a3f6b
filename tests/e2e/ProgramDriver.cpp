#include "e2e/ProgramDriver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <utility>

#include "platform/win32/WidePath.h"

namespace pelorin::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

// Asked of the window itself: GetWindowText would give another process's
// controls' texts only where they are captions.
std::string WindowTextOf(HWND window) {
    wchar_t text[1024] = {};
    SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

}  // namespace

Program::Program(const std::string& exe, const std::vector<std::string>& arguments) {
    std::string commandLine = "\"" + exe + "\"";
    for (const auto& a : arguments) commandLine += " \"" + a + "\"";
    Start(exe.c_str(), std::move(commandLine));
}

Program::Program(const std::string& commandLine) { Start(nullptr, commandLine); }

Program::Program(const std::wstring& commandLine) {
    STARTUPINFOW startup{sizeof startup};
    std::wstring line = commandLine;
    EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process_));
}

void Program::Start(const char* exe, std::string commandLine) {
    STARTUPINFOW startup{sizeof startup};
    const std::wstring program = exe != nullptr ? Widen(exe) : std::wstring();
    std::wstring line = Widen(commandLine);
    EXPECT_TRUE(CreateProcessW(exe != nullptr ? program.c_str() : nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &process_))
        << commandLine;
    WaitForInputIdle(process_.hProcess, 10000);
}

Program::~Program() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

int Program::ExitCode() {
    if (WaitForSingleObject(process_.hProcess, 60000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

bool Program::Ended() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }

HWND Program::Dialog(const std::string& caption, HWND owner, std::chrono::milliseconds wait) {
    struct Search {
        DWORD pid;
        std::string caption;
        HWND owner;
        HWND found;
    } search{process_.dwProcessId, caption, owner, nullptr};
    for (auto deadline = std::chrono::steady_clock::now() + wait; std::chrono::steady_clock::now() < deadline;) {
        EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                auto* s = reinterpret_cast<Search*>(parameter);
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                char className[64] = {};
                GetClassNameA(window, className, sizeof className);
                if (pid == s->pid && std::string(className) == "#32770" && s->caption == WindowTextOf(window) &&
                    IsWindowVisible(window) && (s->owner == nullptr || GetWindow(window, GW_OWNER) == s->owner)) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        std::this_thread::sleep_for(20ms);
    }
    return nullptr;
}

namespace {

// Memory in the program's own address space, where a list view's messages
// must find their items.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    void* address() const { return address_; }
    void Write(std::size_t offset, const void* data, std::size_t size) const {
        WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
    }
    void Read(std::size_t offset, void* data, std::size_t size) const {
        ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_;
};

}  // namespace

std::vector<std::string> Program::ListViewTexts(HWND list) {
    std::vector<std::string> texts;
    const auto count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    constexpr std::size_t kTextChars = 128;
    RemoteMemory memory(process_.hProcess, sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
    for (LRESULT i = 0; i < count; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iSubItem = 0;
        item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(memory.address()) + sizeof(LVITEMW));
        item.cchTextMax = kTextChars;
        memory.Write(0, &item, sizeof item);
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(memory.address()));
        wchar_t text[kTextChars] = {};
        memory.Read(sizeof(LVITEMW), text, sizeof text);
        texts.push_back(Narrow(std::wstring(text, wcsnlen(text, kTextChars))));
    }
    return texts;
}

void Program::SelectListViewItem(HWND list, int index, bool selected) {
    RemoteMemory memory(process_.hProcess, sizeof(LVITEMW));
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    memory.Write(0, &item, sizeof item);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(memory.address()));
}

void Snapshot(const std::string& name) {
    const char* folder = std::getenv("PELORIN_SCREENSHOT_DIR");
    if (folder == nullptr) return;
    std::this_thread::sleep_for(300ms);  // let the window paint
    const fs::path base(folder);
    std::ofstream(base / ("ready-" + name)).put('\n');
    for (int i = 0; i < 250 && !fs::exists(base / ("taken-" + name)); ++i) std::this_thread::sleep_for(40ms);
}

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void Click(HWND control) {
    constexpr LPARAM kInside = MAKELPARAM(4, 4);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, kInside);
    PostMessageA(control, WM_LBUTTONUP, 0, kInside);
}

namespace {

LPARAM KeyData(UINT virtualKey, bool release, bool alt) {
    LPARAM data = 1 | (static_cast<LPARAM>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC)) << 16);
    if (alt) data |= LPARAM{1} << 29;
    if (release) data |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
    return data;
}

}  // namespace

void PressKey(HWND target, UINT virtualKey) {
    PostMessageA(target, WM_KEYDOWN, virtualKey, KeyData(virtualKey, false, false));
    PostMessageA(target, WM_KEYUP, virtualKey, KeyData(virtualKey, true, false));
}

void PressAltWith(HWND target, char letter) {
    const UINT key = static_cast<UINT>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
    PostMessageA(target, WM_SYSCHAR, static_cast<WPARAM>(letter), KeyData(key, false, true));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{sizeof info};
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

int DefaultButtonOf(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && (style & WS_VISIBLE)) return GetDlgCtrlID(child);
    }
    return 0;
}

bool TextFitsInside(HWND control) {
    SetProcessDPIAware();  // measured at the resolution the programs see
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
    HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Sans Serif");
    HGDIOBJ previous = SelectObject(screen, font);
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    SIZE size{};
    GetTextExtentPoint32W(screen, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(screen, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    RECT inside{};
    GetClientRect(control, &inside);
    return size.cx <= inside.right;
}

std::string StaticTextOf(HWND box) {
    std::string found;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM parameter) -> BOOL {
            char className[32] = {};
            GetClassNameA(child, className, sizeof className);
            const std::string text = WindowTextOf(child);
            if (std::string(className) == "Static" && !text.empty()) *reinterpret_cast<std::string*>(parameter) = text;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void WaitGone(HWND window) {
    for (int i = 0; i < 500 && IsWindow(window); ++i) std::this_thread::sleep_for(20ms);
}

void CloseBox(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitGone(box);
}

std::string ControlTextOf(HWND dialog, int id) { return WindowTextOf(GetDlgItem(dialog, id)); }

fs::path PathOf(const std::string& name) { return fs::path(Widen(name)); }

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace pelorin::e2e

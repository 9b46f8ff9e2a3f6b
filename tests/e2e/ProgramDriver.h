// Drives a real Windows program of the suite the way a user does: starts it
// as Explorer starts it, finds its windows by caption, fills fields, presses
// buttons and reads message boxes. Texts and names are UTF-8 here, wide at
// the system.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelorin::e2e {

// The command number of a main dialog's About item in the system menu.
inline constexpr WPARAM kAboutCommandNumber = 16;

class Program {
public:
    // Starts `exe` (beside the test) with each argument quoted.
    Program(const std::string& exe, const std::vector<std::string>& arguments);
    // Starts a command line as it stands, as the shell runs the command of
    // a file type's open verb.
    explicit Program(const std::string& commandLine);
    // The same with names of any characters, and without waiting until the
    // program is ready for input, as the shell starts one program for each
    // of several selected items.
    explicit Program(const std::wstring& commandLine);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The exit code, or -1 when the program does not end within a minute.
    int ExitCode();
    // Whether the program has ended (without waiting).
    bool Ended() const;
    // A visible dialog of this process with the caption, owned by `owner`
    // when one is given; nullptr after `wait` (15 seconds) without one.
    HWND Dialog(const std::string& caption, HWND owner = nullptr,
                std::chrono::milliseconds wait = std::chrono::seconds(15));

    // A list view of this process: its items' texts, and choosing one (or
    // leaving it out).
    std::vector<std::string> ListViewTexts(HWND list);
    void SelectListViewItem(HWND list, int index, bool selected = true);

private:
    void Start(const char* exe, std::string commandLine);

    PROCESS_INFORMATION process_{};
};

// With PELORIN_SCREENSHOT_DIR set (scripts/screenshots.sh), each dialog is
// announced by a file "ready-NAME" and held until "taken-NAME" appears,
// while a watcher on the Linux side photographs the screen.
void Snapshot(const std::string& name);

// Clicks a button the way its own click would report it.
void Press(HWND dialog, int id);

// Input as the keyboard and the mouse give it, posted to the control that
// would receive it (the one with the focus, or the one under the mouse),
// through the program's own dialog handling: a left click, a key pressed
// and released, and Alt with a letter (a control's accelerator).
void Click(HWND control);
void PressKey(HWND target, UINT virtualKey);
void PressAltWith(HWND target, char letter);

// The control of the window's thread that has the keyboard focus.
HWND FocusOf(HWND window);

// The push button that a dialog or message box shows as the one Enter
// presses (0 when none does).
int DefaultButtonOf(HWND dialog);

// Whether a control's whole text fits in it, measured in the font its
// dialog asks for (8-point "MS Sans Serif" at the display's resolution).
bool TextFitsInside(HWND control);

// The last non-empty static text of a message box: its message.
std::string StaticTextOf(HWND box);

// Waits (up to ten seconds) until the window is gone.
void WaitGone(HWND window);

// Closes a message box with OK and waits until it is gone.
void CloseBox(HWND box);

std::string ControlTextOf(HWND dialog, int id);

std::vector<std::uint8_t> ReadAll(const std::string& path);

// A UTF-8 name as the file system library takes it (its narrow strings are
// text of the code page on Windows).
std::filesystem::path PathOf(const std::string& name);

// Names of other scripts and beyond the 16-bit range, which no Western code
// page holds: Greek, Japanese, an emoji.
inline constexpr const char* kGreekName = "\xce\x95\xce\xbb\xce\xbb\xce\xb7\xce\xbd\xce\xb9\xce\xba\xce\xac";
inline constexpr const char* kJapaneseName = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";
inline constexpr const char* kEmojiName = "\xf0\x9f\x98\x80";

}  // namespace pelorin::e2e

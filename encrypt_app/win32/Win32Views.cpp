#include "encrypt_app/win32/Win32Views.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>

#include "encrypt_app/EncryptSettings.h"
#include "encrypt_app/win32/resource.h"

namespace pelorin::encrypt::win32 {
namespace {

constexpr const char* kApplicationTitle = "Pelorin";
constexpr int kAlgorithmButtons[8] = {IDC_ALG_ASCII, IDC_ALG_BLOWFISH, IDC_ALG_DES,   IDC_ALG_IDEA,
                                      IDC_ALG_NEWDES, IDC_ALG_RC4,     IDC_ALG_SAFER, IDC_ALG_VIGENERE};

UINT IconFlag(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning: return MB_ICONWARNING;
        case MessageIcon::Information: return MB_ICONINFORMATION;
        case MessageIcon::Error: return MB_ICONERROR;
        default: return MB_ICONEXCLAMATION;
    }
}

std::string ControlText(HWND dialog, int id) {
    const int length = GetWindowTextLengthA(GetDlgItem(dialog, id));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetDlgItemTextA(dialog, id, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

struct AboutDialog {
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return message == WM_INITDIALOG;
    }
};

// The Options dialog: EncryptOptionsModel's fields in the controls.
struct OptionsDialog {
    EncryptOptionsModel model;
    platform::SettingsStore& settings;

    void ToControls(HWND dialog) const {
        CheckDlgButton(dialog, IDC_OPT_ENCHEADERS, model.encryptHeaders ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_OPT_HASH, model.hashPasskey ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_OPT_RETAIN, model.retainDelete ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_OPT_REMEMBER, model.rememberAlgorithm ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_OPT_OVERWRITE, model.overwrite ? BST_CHECKED : BST_UNCHECKED);
        SetDlgItemTextA(dialog, IDC_OPT_PASSES, model.passes.c_str());
    }
    void FromControls(HWND dialog) {
        model.encryptHeaders = IsDlgButtonChecked(dialog, IDC_OPT_ENCHEADERS) == BST_CHECKED;
        model.hashPasskey = IsDlgButtonChecked(dialog, IDC_OPT_HASH) == BST_CHECKED;
        model.retainDelete = IsDlgButtonChecked(dialog, IDC_OPT_RETAIN) == BST_CHECKED;
        model.rememberAlgorithm = IsDlgButtonChecked(dialog, IDC_OPT_REMEMBER) == BST_CHECKED;
        model.overwrite = IsDlgButtonChecked(dialog, IDC_OPT_OVERWRITE) == BST_CHECKED;
        model.passes = ControlText(dialog, IDC_OPT_PASSES);
    }

    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<OptionsDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (message) {
            case WM_INITDIALOG: {
                self->model.Load(self->settings);
                HWND spin = GetDlgItem(dialog, IDC_OPT_SPIN);
                SendMessageA(spin, UDM_SETRANGE32, 1, 999);
                SendMessageA(spin, UDM_SETPOS32, 0, 3);
                UDACCEL acceleration{0, 1};
                SendMessageA(spin, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&acceleration));
                self->ToControls(dialog);
                return TRUE;
            }
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_OPT_REMEMBER:
                        self->FromControls(dialog);
                        self->model.RememberToggled(self->settings);
                        self->ToControls(dialog);
                        return TRUE;
                    case IDOK:
                        self->FromControls(dialog);
                        self->model.Save(self->settings);
                        EndDialog(dialog, IDOK);
                        return TRUE;
                    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                }
                break;
        }
        return FALSE;
    }
};

// The main dialog over EncryptDialogModel.
struct MainDialog {
    EncryptDialogModel& model;
    Win32EncryptUi& ui;

    void FromControls(HWND dialog) {
        model.passkey = ControlText(dialog, IDC_PASSKEY);
        model.verify = ControlText(dialog, IDC_VERIFY);
        model.deleteSource = IsDlgButtonChecked(dialog, IDC_DELETE) == BST_CHECKED;
    }

    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (message) {
            case WM_INITDIALOG: {
                self->ui.owner = dialog;
                char about[128] = {};
                LoadStringA(self->ui.instance(), IDS_ABOUTBOX, about, sizeof about);
                if (about[0] != '\0') {
                    HMENU menu = GetSystemMenu(dialog, FALSE);
                    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
                    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
                }
                HICON icon = LoadIconA(self->ui.instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
                SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
                SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
                SetDlgItemTextA(dialog, IDC_PASSKEY, self->model.passkey.c_str());
                SetDlgItemTextA(dialog, IDC_VERIFY, self->model.verify.c_str());
                CheckDlgButton(dialog, IDC_DELETE, self->model.deleteSource ? BST_CHECKED : BST_UNCHECKED);
                if (self->model.selectedAlgorithm >= 0 && self->model.selectedAlgorithm <= 7) {
                    CheckDlgButton(dialog, kAlgorithmButtons[self->model.selectedAlgorithm], BST_CHECKED);
                }
                return TRUE;
            }
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                for (int n = 0; n < 8; ++n) {
                    if (id == kAlgorithmButtons[n]) {
                        self->model.selectedAlgorithm = n;
                        return TRUE;
                    }
                }
                switch (id) {
                    case IDOK: {
                        self->FromControls(dialog);
                        const bool hash =
                            self->ui.settings().ReadOr(kHashPasskey.name, kHashPasskey.defaultValue) != 0;
                        if (self->model.ValidateOk(self->ui, hash)) {
                            self->ui.owner = nullptr;
                            EndDialog(dialog, IDOK);
                        }
                        return TRUE;
                    }
                    case IDCANCEL:
                        self->ui.owner = nullptr;
                        EndDialog(dialog, IDCANCEL);
                        return TRUE;
                    case IDC_OPTIONS_BUTTON: {
                        OptionsDialog options{{}, self->ui.settings()};
                        DialogBoxParamA(self->ui.instance(), MAKEINTRESOURCEA(IDD_OPTIONS), dialog,
                                        OptionsDialog::Procedure, reinterpret_cast<LPARAM>(&options));
                        return TRUE;
                    }
                    case IDC_HELP_BUTTON: OpenHelp(dialog, HELP_CONTEXT_ENCRYPT); return TRUE;
                }
                break;
            }
            case WM_SYSCOMMAND:
                if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
                    DialogBoxParamA(self->ui.instance(), MAKEINTRESOURCEA(IDD_ABOUTBOX), dialog,
                                    AboutDialog::Procedure, 0);
                    return TRUE;
                }
                break;
            case WM_PAINT:
                if (IsIconic(dialog)) {
                    PAINTSTRUCT paint;
                    HDC dc = BeginPaint(dialog, &paint);
                    RECT client;
                    GetClientRect(dialog, &client);
                    HICON icon = LoadIconA(self->ui.instance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
                    DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                             (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
                    EndPaint(dialog, &paint);
                    return TRUE;
                }
                break;
            case WM_QUERYDRAGICON:
                return reinterpret_cast<INT_PTR>(LoadIconA(self->ui.instance(), MAKEINTRESOURCEA(IDR_MAINFRAME)));
        }
        return FALSE;
    }
};

INT_PTR CALLBACK NoFilesProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
            case IDC_NOFILES_YES: OpenHelp(dialog, HELP_CONTEXT_NOFILES); [[fallthrough]];
            case IDC_NOFILES_NO:
            case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK ProgressProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* view = reinterpret_cast<Win32ProgressView*>(GetWindowLongPtrA(dialog, DWLP_USER));
    // Cancel, Enter, Escape and the close box all mean Cancel; the window stays.
    if (view != nullptr && ((message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) ||
                            message == WM_CLOSE)) {
        view->cancelPressed = true;
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void OpenHelp(HWND owner, int context) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string page = module;
    const std::size_t cut = page.find_last_of('\\');
    page = page.substr(0, cut + 1) + "PelorinEncrypt.html";
    for (char& c : page) {
        if (c == '\\') c = '/';
    }
    const std::string address = "file:///" + page + "#" + std::to_string(context);
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32EncryptUi::ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                                 MessageIcon icon) {
    MessageBoxA(owner, text.c_str(), caption ? caption->c_str() : kApplicationTitle, MB_OK | IconFlag(icon));
}

bool Win32EncryptUi::AskYesNo(const std::string& text, const std::optional<std::string>& caption, MessageIcon icon) {
    return MessageBoxA(owner, text.c_str(), caption ? caption->c_str() : kApplicationTitle,
                       MB_YESNO | IconFlag(icon)) == IDYES;
}

void Win32EncryptUi::ShowNoFilesDialog() {
    DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_NOFILES), nullptr, NoFilesProcedure, 0);
}

bool Win32EncryptUi::RunEncryptDialog(EncryptDialogModel& model) {
    MainDialog dialog{model, *this};
    const INT_PTR result = DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ENCRYPT), nullptr, MainDialog::Procedure,
                                           reinterpret_cast<LPARAM>(&dialog));
    owner = nullptr;
    return result == IDOK;
}

Win32ProgressView::~Win32ProgressView() {
    if (window_ != nullptr) DestroyWindow(window_);
}

HWND Win32ProgressView::Window() {
    if (window_ == nullptr) {
        window_ = CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, ProgressProcedure,
                                     reinterpret_cast<LPARAM>(this));
        char caption[128] = {};
        if (window_ != nullptr && LoadStringA(instance_, IDS_PROGRESS_CAPTION, caption, sizeof caption) > 0) {
            SetWindowTextA(window_, caption);
        }
    }
    return window_;
}

void Win32ProgressView::ShowStatus(const std::string& text) {
    SetDlgItemTextA(Window(), IDC_PROGRESS_STATUS, text.c_str());
}

void Win32ProgressView::ShowRange(int lower, int upper) {
    SendDlgItemMessageA(Window(), IDC_PROGRESS_BAR, PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
}

void Win32ProgressView::ShowPosition(int position) {
    SendDlgItemMessageA(Window(), IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32ProgressView::ShowPercentText(const std::string& text) {
    SetDlgItemTextA(Window(), IDC_PROGRESS_PERCENT, text.c_str());
}

bool Win32ProgressView::PumpMessages() {
    HWND window = Window();
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (window != nullptr && IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    const bool pressed = cancelPressed;
    cancelPressed = false;
    return pressed;
}

}  // namespace pelorin::encrypt::win32

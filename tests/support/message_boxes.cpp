// Message box capture for the tests.
#include "support/message_boxes.h"

namespace {

MessageBoxWatch *activeWatch = nullptr;

struct ChildScan {
    bool onlyStaticsAndButtons = true;
    bool hasButton = false;
    std::string text;
    HICON icon = nullptr;
};

BOOL CALLBACK ScanChild(HWND child, LPARAM data)
{
    auto *scan = (ChildScan *)data;
    char className[64] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Button") == 0) {
        scan->hasButton = true;
    } else if (lstrcmpiA(className, "Static") == 0) {
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            scan->icon = (HICON)SendMessageA(child, STM_GETICON, 0, 0);
        } else {
            char text[2048] = "";
            GetWindowTextA(child, text, sizeof text);
            if (text[0] != '\0')
                scan->text = text;
        }
    } else {
        scan->onlyStaticsAndButtons = false;
    }
    return TRUE;
}

UINT IconKind(HICON icon)
{
    if (icon == nullptr)
        return 0;
    if (icon == LoadIcon(nullptr, IDI_HAND))
        return MB_ICONERROR;
    if (icon == LoadIcon(nullptr, IDI_EXCLAMATION))
        return MB_ICONWARNING;
    if (icon == LoadIcon(nullptr, IDI_QUESTION))
        return MB_ICONQUESTION;
    if (icon == LoadIcon(nullptr, IDI_ASTERISK))
        return MB_ICONINFORMATION;
    return 0xFFFF;
}

}  // namespace

bool IsMessageBox(HWND window)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0)
        return false;
    ChildScan scan;
    EnumChildWindows(window, ScanChild, (LPARAM)&scan);
    return scan.onlyStaticsAndButtons && scan.hasButton;
}

MessageBoxWatch::MessageBoxWatch()
{
    activeWatch = this;
    hook_ = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

MessageBoxWatch::~MessageBoxWatch()
{
    UnhookWindowsHookEx(hook_);
    if (activeWatch == this)
        activeWatch = nullptr;
}

LRESULT CALLBACK MessageBoxWatch::CbtProc(int code, WPARAM wParam, LPARAM lParam)
{
    MessageBoxWatch *watch = activeWatch;
    if (code == HCBT_ACTIVATE && watch != nullptr && IsMessageBox((HWND)wParam)
        && GetPropA((HWND)wParam, "KestrinSeen") == nullptr) {
        HWND box = (HWND)wParam;
        SetPropA(box, "KestrinSeen", (HANDLE)1);
        ShownMessage message;
        char title[512] = "";
        GetWindowTextA(box, title, sizeof title);
        message.title = title;
        ChildScan scan;
        EnumChildWindows(box, ScanChild, (LPARAM)&scan);
        message.text = scan.text;
        message.icon = IconKind(scan.icon);
        message.owner = GetWindow(box, GW_OWNER);
        if (message.owner != nullptr) {
            char ownerTitle[512] = "";
            GetWindowTextA(message.owner, ownerTitle, sizeof ownerTitle);
            message.ownerTitle = ownerTitle;
            message.ownerOwner = GetWindow(message.owner, GW_OWNER);
        }
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
            if (HWND button = GetDlgItem(box, id); button != nullptr && (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE))
                message.buttons.push_back(id);

        int answer = IDNO;
        if (!watch->answers.empty()) {
            answer = watch->answers.front();
            watch->answers.pop_front();
        } else if (watch->choose) {
            answer = watch->choose(message);
        } else {
            for (int id : message.buttons)
                if (id == IDOK)
                    answer = IDOK;
        }
        watch->shown.push_back(message);
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), (LPARAM)GetDlgItem(box, answer));
    }
    if (code == HCBT_ACTIVATE && watch != nullptr && watch->leaveInactive && IsMessageBox((HWND)wParam))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

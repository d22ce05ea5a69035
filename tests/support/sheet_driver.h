// Drives the settings sheet the way a user reaches it: the change-drive
// dialog of a real DoProcess run, its Settings button, then the sheet's pages
// and controls by their IDs.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <string>
#include <vector>
#include "support/modal_script.h"

inline const char DialogTitle[] = "ドライブの変更";
inline const char SheetTitle[] = "ドライブの変更の設定";

// The sheet's Apply button, as common controls number it.
enum { SheetApplyButton = 0x3021 };
enum { BehaviorPageIndex = 0, DestinationPageIndex = 1, RememberedPageIndex = 2 };

// A host with drives C and D; C:\Windows\System lets the configured and
// remembered folders differ from the root.
inline const char SheetHostTree[] =
    "@desktop\n"
    "  @computer\n"
    "    ローカル ディスク (C:)\n"
    "      Windows\n"
    "        System\n"
    "    Data (D:)\n"
    "      Work\n";

struct SheetWindows {
    HWND dialog = nullptr;
    HWND sheet = nullptr;
};

inline void Click(HWND button)
{
    SendMessageA(button, BM_CLICK, 0, 0);
}

// Adds the steps that open the sheet from the change-drive dialog.
inline ModalScript &OpenSheet(ModalScript &script, SheetWindows &windows)
{
    return script.WaitForWindow(DialogTitle)
        .Then([&script, &windows] {
            windows.dialog = script.window();
            HWND settings = GetDlgItem(windows.dialog, 1002);
            PostMessageA(windows.dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), (LPARAM)settings);
            return true;
        })
        .WaitForWindow(SheetTitle)
        .Then([&script, &windows] {
            windows.sheet = script.window();
            return true;
        });
}

// Adds the steps that press one of the sheet's buttons (IDOK, IDCANCEL) and
// wait until the sheet has gone.
inline ModalScript &CloseSheet(ModalScript &script, SheetWindows &windows, int button)
{
    return script
        .Then([&windows, button] {
            PostMessageA(windows.sheet, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         (LPARAM)GetDlgItem(windows.sheet, button));
            return true;
        })
        .Then([&windows] { return !IsWindow(windows.sheet); });
}

// Adds the step that cancels the change-drive dialog once the sheet is done.
inline ModalScript &CloseDialog(ModalScript &script, SheetWindows &windows)
{
    return script.Then([&windows] {
        PostMessageA(windows.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return true;
    });
}

inline HWND ShowPage(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, (WPARAM)index, 0);
    return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
}

inline bool ApplyEnabled(HWND sheet)
{
    return IsWindowEnabled(GetDlgItem(sheet, SheetApplyButton)) != FALSE;
}

inline std::vector<std::string> ListTexts(HWND list)
{
    std::vector<std::string> texts;
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH + 16] = "";
        LVITEMA item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
        texts.push_back(text);
    }
    return texts;
}

inline int SelectedEntry(HWND list)
{
    return (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
}

inline void SelectEntry(HWND list, int index)
{
    LVITEMA state{};
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, (LPARAM)&state);
}

inline std::string WindowText(HWND window)
{
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// The lines of one INI section, blank lines left out, in file order.
inline std::vector<std::string> SectionLines(const std::string &ini, const std::string &section)
{
    std::vector<std::string> lines;
    bool inside = false;
    size_t start = 0;
    while (start < ini.size()) {
        size_t end = ini.find('\n', start);
        if (end == std::string::npos)
            end = ini.size();
        std::string line = ini.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + section + "]";
            continue;
        }
        if (inside && !line.empty())
            lines.push_back(line);
    }
    return lines;
}

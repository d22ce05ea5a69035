// The Remembered folders page: a read-only view of section Current.
#include "settings_sheet/settings_sheet.h"
#include "settings_sheet/folder_list.h"
#include "plugin/settings.h"
#include "resource.h"
#include <commctrl.h>

INT_PTR CALLBACK RememberedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    if (message != WM_INITDIALOG)
        return FALSE;
    HideSheetContextHelp(page);
    HWND list = GetDlgItem(page, IDC_FOLDER_LIST);
    FillFolderList(list, CurrentSection);
    // The menu colour marks the list as something to read, not to edit.
    COLORREF background = GetSysColor(COLOR_MENU);
    SendMessageA(list, LVM_SETBKCOLOR, 0, background);
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, background);
    return TRUE;
}

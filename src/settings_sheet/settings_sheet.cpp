// The settings sheet itself: its three pages, its caption and the removal of
// the context-help button that a property sheet has by default.
#include "settings_sheet/settings_sheet.h"
#include "changer/change_drive_dialog.h"
#include "plugin/run_state.h"
#include "plugin/settings.h"
#include "resource.h"
#include <commctrl.h>
#include <prsht.h>

const char SettingsSheetTitle[] = "ドライブの変更の設定";
BOOL sheetStyleFixed;

void RunSettingsCommand(HWND window)
{
    RemoveDriveKeyHook();
    ShowSettingsSheet(instance, window);
    InstallDriveKeyHook(window);
}

static HPROPSHEETPAGE CreatePage(HINSTANCE module, int templateId, DLGPROC procedure)
{
    PROPSHEETPAGEA page;
    ZeroMemory(&page, sizeof page);
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = module;
    page.pszTemplate = MAKEINTRESOURCEA(templateId);
    page.pfnDlgProc = procedure;
    return CreatePropertySheetPageA(&page);
}

void ShowSettingsSheet(HINSTANCE module, HWND parent)
{
    sheetStyleFixed = FALSE;
    HPROPSHEETPAGE pages[3];
    pages[0] = CreatePage(module, IDD_BEHAVIOR_PAGE, BehaviorPageProc);
    pages[1] = CreatePage(module, IDD_DESTINATION_PAGE, DestinationPageProc);
    pages[2] = CreatePage(module, IDD_REMEMBERED_PAGE, RememberedPageProc);
    if (pages[0] == NULL || pages[1] == NULL || pages[2] == NULL) {
        for (HPROPSHEETPAGE page : pages)
            if (page != NULL)
                DestroyPropertySheetPage(page);
        return;
    }

    PROPSHEETHEADERA sheet;
    ZeroMemory(&sheet, sizeof sheet);
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_DEFAULT;
    sheet.hwndParent = parent;
    sheet.hInstance = module;
    sheet.pszCaption = SettingsSheetTitle;
    sheet.nPages = 3;
    sheet.nStartPage = 0;
    sheet.phpage = pages;
    PropertySheetA(&sheet);
}

// Called by every page as it is created; only the first call per sheet acts.
void HideSheetContextHelp(HWND page)
{
    if (sheetStyleFixed)
        return;
    sheetStyleFixed = TRUE;
    HWND sheet = GetParent(page);
    LONG style = GetWindowLongA(sheet, GWL_EXSTYLE);
    SetWindowLongA(sheet, GWL_EXSTYLE, style & ~WS_EX_CONTEXTHELP);
    // Windows keeps the frame it has drawn from the old style until the
    // frame is recalculated: without this the caption keeps its ? button.
    SetWindowPos(sheet, NULL, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void NotifySheetChanged(HWND page)
{
    SendMessageA(GetParent(page), PSM_CHANGED, (WPARAM)page, 0);
}

// A settings folder the user cannot write (a plug-in under Program Files)
// fails every write; closing as if saved would lose the changes in silence.
// The sheet stops applying at the first page that refuses, so one press
// shows one message, and the user can try again or cancel.
INT_PTR RefuseApply(HWND page)
{
    char text[64 + MAX_PATH];
    wsprintfA(text, "設定ファイルに書き込めませんでした。\n%s", settingsPath);
    MessageBoxA(GetParent(page), text, SettingsSheetTitle, MB_OK | MB_ICONERROR);
    SetWindowLongPtrA(page, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
    return TRUE;
}

// The Behavior page: Enter actions, messages and fallbacks, applied to the
// in-memory settings at once so the open dialog uses them.
#include "settings_sheet/settings_sheet.h"
#include "plugin/settings.h"
#include "resource.h"
#include <commctrl.h>
#include <prsht.h>

static const char *const ActionEntries[] = {
    "ルートへ移動", "記憶したフォルダへ移動", "設定したフォルダへ移動",
};
static const char *const FallbackEntries[] = {
    "移動しない", "ルートへ移動する", "行ける所まで移動する",
};

// The entries go in at explicit positions, so an entry's index is the
// stored code even though some of these lists carry the sort flag.
static void FillChoiceList(HWND page, int id, const char *const *entries, int count, int value)
{
    HWND list = GetDlgItem(page, id);
    for (int i = 0; i < count; ++i)
        SendMessageA(list, CB_INSERTSTRING, i, (LPARAM)entries[i]);
    SendMessageA(list, CB_SETCURSEL, (WPARAM)value, 0);
}

static INT32 SelectedChoice(HWND page, int id)
{
    return (INT32)SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0);
}

static void SetCheck(HWND page, int id, INT32 state, int flag)
{
    CheckDlgButton(page, id, (state & flag) ? BST_CHECKED : BST_UNCHECKED);
}

void FillBehaviorPage(HWND page)
{
    FillChoiceList(page, IDC_NORMAL_ACTION, ActionEntries, 3, settings.Normal);
    FillChoiceList(page, IDC_SHIFT_ACTION, ActionEntries, 3, settings.Shift);
    FillChoiceList(page, IDC_CTRL_ACTION, ActionEntries, 3, settings.Ctrl);
    FillChoiceList(page, IDC_REMEMBERED_FALLBACK, FallbackEntries, 3, settings.PathNotFind);
    FillChoiceList(page, IDC_CONFIGURED_FALLBACK, FallbackEntries, 3, settings.SetPathNotFind);
    FillChoiceList(page, IDC_NOT_SET_FALLBACK, FallbackEntries, 2, settings.NonSetPath);
    SetCheck(page, IDC_WARN_REMEMBERED, settings.State, WarnRememberedNotFound);
    SetCheck(page, IDC_WARN_CONFIGURED, settings.State, WarnConfiguredNotFound);
    SetCheck(page, IDC_WARN_NOT_SET, settings.State, WarnConfiguredNotSet);
}

static INT32 CheckedFlag(HWND page, int id, int flag)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED ? flag : 0;
}

BOOL SaveBehaviorPage(HWND page)
{
    settings.Normal = SelectedChoice(page, IDC_NORMAL_ACTION);
    settings.Shift = SelectedChoice(page, IDC_SHIFT_ACTION);
    settings.Ctrl = SelectedChoice(page, IDC_CTRL_ACTION);

    const INT32 pageFlags = WarnRememberedNotFound | WarnConfiguredNotFound | WarnConfiguredNotSet;
    settings.State = (settings.State & ~pageFlags)
        | CheckedFlag(page, IDC_WARN_REMEMBERED, WarnRememberedNotFound)
        | CheckedFlag(page, IDC_WARN_CONFIGURED, WarnConfiguredNotFound)
        | CheckedFlag(page, IDC_WARN_NOT_SET, WarnConfiguredNotSet);
    settings.PathNotFind = SelectedChoice(page, IDC_REMEMBERED_FALLBACK);
    settings.SetPathNotFind = SelectedChoice(page, IDC_CONFIGURED_FALLBACK);
    settings.NonSetPath = SelectedChoice(page, IDC_NOT_SET_FALLBACK);

    int failed = 0;
    failed += !WriteSettingInt(EnterActionSection, "Normal", settings.Normal);
    failed += !WriteSettingInt(EnterActionSection, "Shift", settings.Shift);
    failed += !WriteSettingInt(EnterActionSection, "Ctrl", settings.Ctrl);
    failed += !WriteSettingInt(BehaviorSection, "State", settings.State);
    failed += !WriteSettingInt(BehaviorSection, "PathNotFind", settings.PathNotFind);
    failed += !WriteSettingInt(BehaviorSection, "SetPathNotFind", settings.SetPathNotFind);
    failed += !WriteSettingInt(BehaviorSection, "NonSetPath", settings.NonSetPath);
    return failed == 0;
}

static void OnCommand(HWND page, int id, int notification)
{
    bool isCheck = id >= IDC_WARN_REMEMBERED && id <= IDC_WARN_NOT_SET;
    bool isList = (id >= IDC_NORMAL_ACTION && id <= IDC_CTRL_ACTION)
        || (id >= IDC_REMEMBERED_FALLBACK && id <= IDC_NOT_SET_FALLBACK);
    // Closing a list on the entry it already had still counts as a change.
    if ((isCheck && notification == BN_CLICKED) || (isList && notification == CBN_SELENDOK))
        NotifySheetChanged(page);
}

INT_PTR CALLBACK BehaviorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        HideSheetContextHelp(page);
        FillBehaviorPage(page);
        return TRUE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_NOTIFY:
        if (((NMHDR *)lParam)->code == (UINT)PSN_APPLY && !SaveBehaviorPage(page))
            return RefuseApply(page);
        return FALSE;
    default:
        return FALSE;
    }
}

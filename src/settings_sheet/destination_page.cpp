// The Destination folders page: typed or picked folders are checked, listed
// one per drive, and the whole section Path is rewritten on apply.
#include "settings_sheet/destination_page.h"
#include "settings_sheet/folder_list.h"
#include "settings_sheet/settings_sheet.h"
#include "plugin/run_state.h"
#include "plugin/settings.h"
#include "resource.h"
#include <commctrl.h>
#include <prsht.h>

static char UpperLetter(char c)
{
    return (c >= 'a' && c <= 'z') ? (char)(c - 'a' + 'A') : c;
}

static void Tell(HWND page, LPCSTR text, UINT icon)
{
    MessageBoxA(page, text, SettingsSheetTitle, MB_OK | icon);
}

static BOOL Ask(HWND page, LPCSTR text)
{
    return MessageBoxA(page, text, SettingsSheetTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

static BOOL IsFullPath(LPCSTR text, int length)
{
    char drive = UpperLetter(text[0]);
    return drive >= 'A' && drive <= 'Z' && text[1] == ':'
        && (length == 2 || (length >= 3 && text[2] == '\\'));
}

int AddConfiguredFolder(HWND page)
{
    HWND edit = GetDlgItem(page, IDC_FOLDER_EDIT);
    HWND list = GetDlgItem(page, IDC_FOLDER_LIST);
    static const char TooLong[] = "文字列が長すぎます。";

    // The length from the text itself: GetWindowTextLengthA may report more
    // than the text has in the ANSI code page. Two bytes over the 260 that a
    // path may take: a double-byte character that does not fit is left out
    // whole, and any text of 260 bytes or more still comes back as 260 or more.
    char text[MAX_PATH + 2];
    int length = GetWindowTextA(edit, text, sizeof text);
    if (length <= 0)
        return 0;
    if (length >= MAX_PATH) {
        Tell(page, TooLong, MB_ICONERROR);
        return 0;
    }

    if (!IsFullPath(text, length)) {
        if (GetByteKind(text, 0) == SingleByte && GetByteKind(text, 1) == SingleByte
            && text[0] == '\\' && text[1] == '\\')
            Tell(page, "ドライブを割り当てられていないネットワークは指定する事は出来ません。", MB_ICONWARNING);
        else
            Tell(page, "フルパスで指定して下さい。", MB_ICONWARNING);
        return 0;
    }

    // A trail byte 0x5C is not a separator, so 表 at the end still gets one.
    if (GetByteKind(text, length - 1) != SingleByte || text[length - 1] != '\\') {
        if (length + 1 >= MAX_PATH) {
            Tell(page, TooLong, MB_ICONERROR);
            return 0;
        }
        text[length++] = '\\';
        text[length] = '\0';
    }
    // The drive change matches letters case-sensitively: a lowercase entry
    // could never be reached.
    text[0] = UpperLetter(text[0]);

    char drive[4];
    lstrcpynA(drive, text, sizeof drive);
    LVFINDINFOA find;
    ZeroMemory(&find, sizeof find);
    find.flags = LVFI_STRING | LVFI_PARTIAL;
    find.psz = drive;
    int existing = (int)SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find);
    if (existing >= 0) {
        char question[128];
        wsprintfA(question, "%cドライブのフォルダへのパスは既に設定されています。\n置き換えますか？", text[0]);
        if (!Ask(page, question))
            return 0;
        SendMessageA(list, LVM_DELETEITEM, existing, 0);
    }
    AppendFolderItem(list, text);
    return 1;
}

// The list keeps its entries as Unicode. Read back in the ANSI code page an
// entry from a damaged file can come out longer than it went in, and the
// list then fills the buffer to the last byte with no terminator: every
// byte past what the list wrote is zero, and the last one is cut.
static void GetEntryText(HWND list, int index, LPSTR text, int size)
{
    ZeroMemory(text, size);
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = size;
    SendMessageA(list, LVM_GETITEMTEXTA, index, (LPARAM)&item);
    text[size - 1] = '\0';
}

int DeleteConfiguredFolder(HWND page)
{
    HWND list = GetDlgItem(page, IDC_FOLDER_LIST);
    int index = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    if (index < 0)
        return 0;

    char text[MAX_PATH];
    GetEntryText(list, index, text, sizeof text);
    char question[MAX_PATH + 64];
    wsprintfA(question, "'%s' を消去します。\nよろしいですか？", text);
    if (!Ask(page, question))
        return 0;

    SendMessageA(list, LVM_DELETEITEM, index, 0);
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    if (count > 0) {
        LVITEMA state;
        ZeroMemory(&state, sizeof state);
        state.state = LVIS_SELECTED;
        state.stateMask = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, index < count ? index : count - 1, (LPARAM)&state);
    }
    FitFolderColumn(list);
    return 1;
}

BOOL SaveConfiguredFolders(HWND page)
{
    HWND list = GetDlgItem(page, IDC_FOLDER_LIST);
    int failed = !DeleteSettingsSection(PathSection);
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH];
        GetEntryText(list, i, text, sizeof text);
        // An empty entry has no first byte to make a key of; writing it would
        // leave a nameless key in the file.
        if (text[0] == '\0')
            continue;
        failed += !WriteDriveFolder(PathSection, UpperLetter(text[0]), text);
    }
    return failed == 0;
}

// Opens the picker on the host's folder: C:\Windows\ is handed over as
// C:\Windows, while a root such as C:\ stays whole.
static void OnBrowse(HWND page)
{
    char folder[MAX_PATH];
    lstrcpynA(folder, processInfo != NULL && processInfo->currentPath != NULL ? processInfo->currentPath : "",
              sizeof folder);
    int length = lstrlenA(folder);
    if (length > 3)
        folder[length - 1] = '\0';
    if (BrowseForFolder(page, folder, folder, sizeof folder) == 1)
        SetDlgItemTextA(page, IDC_FOLDER_EDIT, folder);
}

static void OnCommand(HWND page, int id, int notification)
{
    switch (id) {
    case IDC_FOLDER_EDIT:
        if (notification == EN_CHANGE)
            EnableWindow(GetDlgItem(page, IDC_ADD), GetWindowTextLengthA(GetDlgItem(page, IDC_FOLDER_EDIT)) > 0);
        break;
    case IDC_BROWSE:
        OnBrowse(page);
        break;
    case IDC_ADD:
        if (notification == BN_CLICKED && AddConfiguredFolder(page) == 1)
            NotifySheetChanged(page);
        break;
    case IDC_DELETE:
        if (DeleteConfiguredFolder(page) == 1)
            NotifySheetChanged(page);
        break;
    }
}

static INT_PTR OnNotify(HWND page, NMHDR *header)
{
    HWND list = GetDlgItem(page, IDC_FOLDER_LIST);
    switch (header->code) {
    case PSN_APPLY:
        if (!SaveConfiguredFolders(page))
            return RefuseApply(page);
        break;
    case LVN_ITEMCHANGED:
        EnableWindow(GetDlgItem(page, IDC_DELETE), SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0);
        break;
    case NM_DBLCLK: {
        int index = (int)SendMessageA(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
        if (index >= 0) {
            char text[MAX_PATH];
            GetEntryText(list, index, text, sizeof text);
            SetDlgItemTextA(page, IDC_FOLDER_EDIT, text);
        }
        break;
    }
    }
    return FALSE;
}

INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        HideSheetContextHelp(page);
        FillFolderList(GetDlgItem(page, IDC_FOLDER_LIST), PathSection);
        EnableWindow(GetDlgItem(page, IDC_ADD), FALSE);
        EnableWindow(GetDlgItem(page, IDC_DELETE), FALSE);
        return TRUE;
    case WM_COMMAND:
        OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        return FALSE;
    case WM_NOTIFY:
        return OnNotify(page, (NMHDR *)lParam);
    default:
        return FALSE;
    }
}

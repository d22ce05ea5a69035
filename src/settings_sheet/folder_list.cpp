// Folder lists read from one per-drive section of KESTRIN.INI, A to Z.
#include "settings_sheet/folder_list.h"
#include "plugin/settings.h"
#include <commctrl.h>

void FillFolderList(HWND list, LPCSTR section)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);

    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        char folder[MAX_PATH];
        if (ReadDriveFolder(section, letter, folder, sizeof folder))
            AppendFolderItem(list, folder);
    }
}

void AppendFolderItem(HWND list, LPCSTR text)
{
    char copy[MAX_PATH];
    lstrcpynA(copy, text, sizeof copy);
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.mask = LVIF_TEXT;
    item.iItem = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    item.pszText = copy;
    SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    FitFolderColumn(list);
}

// The single column is as wide as its longest path, and never narrower than
// the list, so the selection bar spans the whole row.
void FitFolderColumn(HWND list)
{
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    int width = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0);
    RECT client;
    GetClientRect(list, &client);
    if (width < client.right)
        SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(client.right, 0));
}

int GetByteKind(LPCSTR text, int index)
{
    int kind = SingleByte;
    for (int i = 0; i <= index; ++i) {
        if (text[i] == '\0')
            return SingleByte;
        if (kind == LeadByte)
            kind = TrailByte;
        else if (IsDBCSLeadByteEx(CP_ACP, (BYTE)text[i]))
            kind = LeadByte;
        else
            kind = SingleByte;
    }
    return kind;
}

// The right-hand pane: what the current folder holds, sorted by name. In
// fixture mode only the described folders exist.
#include "host.h"
#include <shellapi.h>

HWND CreateFileList(HWND parent, int id)
{
    fileList = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHAREIMAGELISTS
                               | LVS_SORTASCENDING | LVS_SHOWSELALWAYS,
                               0, 0, 0, 0, parent, (HMENU)(INT_PTR)id, hostInstance, NULL);
    if (fileList == NULL)
        return NULL;
    SHFILEINFOA info;
    ZeroMemory(&info, sizeof info);
    HIMAGELIST images = (HIMAGELIST)SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    SendMessageA(fileList, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);

    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = (LPSTR)"名前";
    column.cx = 220;
    SendMessageA(fileList, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.pszText = (LPSTR)"種類";
    column.cx = 140;
    SendMessageA(fileList, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    return fileList;
}

static void AddRow(LPCSTR name, LPCSTR kind, int image)
{
    LVITEMA row;
    ZeroMemory(&row, sizeof row);
    row.mask = LVIF_TEXT | LVIF_IMAGE;
    row.iItem = 0x7fffffff;
    row.pszText = (LPSTR)name;
    row.iImage = image;
    int at = (int)SendMessageA(fileList, LVM_INSERTITEMA, 0, (LPARAM)&row);
    if (at < 0)
        return;
    row.mask = LVIF_TEXT;
    row.iItem = at;
    row.iSubItem = 1;
    row.pszText = (LPSTR)kind;
    SendMessageA(fileList, LVM_SETITEMA, 0, (LPARAM)&row);
}

// Files get the icon their extension would have, without touching them.
static int FileImage(LPCSTR name)
{
    SHFILEINFOA info;
    ZeroMemory(&info, sizeof info);
    SHGetFileInfoA(name, FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return info.iIcon;
}

void ShowFolderContents(LPCSTR path, BOOL fixture, int fixtureIndex)
{
    if (fileList == NULL)
        return;
    SendMessageA(fileList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(fileList, LVM_DELETEALLITEMS, 0, 0);
    int count = 0;
    int folderImage = FolderImage(FALSE);
    if (path != NULL && fixture) {
        static int children[2048];
        count = FixtureChildren(fixtureIndex, children, 2048);
        for (int i = 0; i < count; ++i)
            AddRow(FixtureAt(children[i])->name, "ファイル フォルダ", folderImage);
    } else if (path != NULL && lstrlenA(path) + 2 <= MAX_PATH) {
        char pattern[MAX_PATH];
        lstrcpynA(pattern, path, (int)sizeof pattern);
        lstrcatA(pattern, "*");
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0)
                    continue;
                BOOL folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                AddRow(found.cFileName, folder ? "ファイル フォルダ" : "ファイル",
                       folder ? folderImage : FileImage(found.cFileName));
                ++count;
            } while (FindNextFileA(search, &found) && count < 5000);
            FindClose(search);
        }
    }
    SendMessageA(fileList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(fileList, NULL, TRUE);
    char status[64];
    wsprintfA(status, "%d 個のオブジェクト", count);
    SetStatusText(status);
}

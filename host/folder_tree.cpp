// The folder tree: Desktop, My Computer, the drives, then folders filled in
// the first time an item is expanded, from the disk or from a fixture. Its
// selection is the host's current folder.
#include "host.h"
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

enum NodeKind { NodeDesktop, NodeComputer, NodeDrive, NodeFolder };

// Item data of every tree item; freed when the item is deleted.
struct TreeNode {
    NodeKind kind;
    BOOL filled;            // children have been read
    int fixtureIndex;       // the fixture entry shown, -1 on real drives
    char path[MAX_PATH];    // drives and folders: "C:\Dir\"
};

static HTREEITEM desktopItem;
static HTREEITEM computerItem;
static HIMAGELIST systemImages;

static TreeNode *NodeOf(HTREEITEM item)
{
    TVITEMA tv;
    ZeroMemory(&tv, sizeof tv);
    tv.mask = TVIF_PARAM | TVIF_HANDLE;
    tv.hItem = item;
    if (item == NULL || !SendMessageA(folderTree, TVM_GETITEMA, 0, (LPARAM)&tv))
        return NULL;
    return (TreeNode *)tv.lParam;
}

static int ImageOfPath(LPCSTR path, UINT extra)
{
    SHFILEINFOA info;
    ZeroMemory(&info, sizeof info);
    if (!SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra))
        return 0;
    return info.iIcon;
}

static int ImageOfSpecialFolder(int folderId)
{
    LPITEMIDLIST idList = NULL;
    if (FAILED(SHGetSpecialFolderLocation(NULL, folderId, &idList)))
        return 0;
    int image = ImageOfPath((LPCSTR)idList, SHGFI_PIDL);
    CoTaskMemFree(idList);
    return image;
}

int FolderImage(BOOL open)
{
    SHFILEINFOA info;
    ZeroMemory(&info, sizeof info);
    SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                   SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (open ? SHGFI_OPENICON : 0));
    return info.iIcon;
}

// The plug-in finds Desktop and My Computer by these exact texts, so they
// come from the shell at run time rather than from a string table.
static BOOL GetShellName(int folderId, LPSTR out, int size)
{
    out[0] = '\0';
    IShellFolder *desktop = NULL;
    if (FAILED(SHGetDesktopFolder(&desktop)))
        return FALSE;
    LPITEMIDLIST idList = NULL;
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, folderId, &idList))) {
        STRRET name;
        ZeroMemory(&name, sizeof name);
        if (desktop->GetDisplayNameOf(idList, SHGDN_NORMAL, &name) == S_OK)
            StrRetToBufA(&name, idList, out, (UINT)size);
        CoTaskMemFree(idList);
    }
    desktop->Release();
    return out[0] != '\0';
}

char DriveLetterOfLabel(LPCSTR label)
{
    LPCSTR mark = StrStrA(label, ":)");
    if (mark == NULL || mark - label < 2 || mark[-2] != '(' || mark[-1] < 'A' || mark[-1] > 'Z')
        return 0;
    return mark[-1];
}

static HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, LPCSTR text, int image, int selectedImage,
                            NodeKind kind, int fixtureIndex, LPCSTR path, BOOL hasChildren)
{
    TreeNode *node = (TreeNode *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TreeNode));
    if (node == NULL)
        return NULL;
    node->kind = kind;
    node->fixtureIndex = fixtureIndex;
    lstrcpynA(node->path, path != NULL ? path : "", (int)sizeof node->path);

    TVINSERTSTRUCTA insert;
    ZeroMemory(&insert, sizeof insert);
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = (LPSTR)text;
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.lParam = (LPARAM)node;
    insert.item.cChildren = hasChildren ? 1 : 0;
    HTREEITEM item = (HTREEITEM)SendMessageA(folderTree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    if (item == NULL)
        HeapFree(GetProcessHeap(), 0, node);
    return item;
}

// "C:\A\" plus name and a backslash; FALSE when the result would not fit.
static BOOL JoinFolder(LPCSTR folder, LPCSTR name, LPSTR out, int size)
{
    if (lstrlenA(folder) + lstrlenA(name) + 2 > size)
        return FALSE;
    lstrcpynA(out, folder, size);
    lstrcatA(out, name);
    lstrcatA(out, "\\");
    return TRUE;
}

static void AddDriveItems(HTREEITEM parent)
{
    int driveImage = ImageOfPath("C:\\", 0);
    if (FixtureLoaded()) {
        int drives[26 * 4];
        int count = FixtureChildren(-1, drives, (int)(sizeof drives / sizeof drives[0]));
        for (int i = 0; i < count; ++i) {
            const FixtureEntry *entry = FixtureAt(drives[i]);
            char root[4] = { DriveLetterOfLabel(entry->name), ':', '\\', '\0' };
            int children[1];
            InsertNode(parent, TVI_LAST, entry->name, driveImage, driveImage, NodeDrive, drives[i], root,
                       FixtureChildren(drives[i], children, 1) > 0);
        }
        return;
    }
    DWORD present = GetLogicalDrives();
    for (int d = 0; d < 26; ++d) {
        if (!(present & (1u << d)))
            continue;
        char root[4] = { (char)('A' + d), ':', '\\', '\0' };
        UINT type = GetDriveTypeA(root);
        char volume[MAX_PATH] = "";
        // Asking a removable drive for its label can spin up the medium.
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK || type == DRIVE_REMOTE)
            GetVolumeInformationA(root, volume, sizeof volume, NULL, NULL, NULL, NULL, 0);
        if (volume[0] == '\0') {
            LPCSTR kind = type == DRIVE_REMOVABLE ? "リムーバブル ディスク"
                        : type == DRIVE_CDROM ? "CD ドライブ"
                        : type == DRIVE_REMOTE ? "ネットワーク ドライブ"
                        : type == DRIVE_RAMDISK ? "RAM ディスク"
                        : "ローカル ディスク";
            lstrcpynA(volume, kind, (int)sizeof volume);
        }
        char label[MAX_PATH + 8];
        wsprintfA(label, "%.250s (%c:)", volume, 'A' + d);
        InsertNode(parent, TVI_LAST, label, ImageOfPath(root, 0), ImageOfPath(root, 0),
                   NodeDrive, -1, root, TRUE);
    }
}

static int AddFolderItems(HTREEITEM parent, TreeNode *node)
{
    int closed = FolderImage(FALSE), open = FolderImage(TRUE);
    int added = 0;
    char path[MAX_PATH];
    if (node->fixtureIndex >= 0) {
        static int children[2048];
        int count = FixtureChildren(node->fixtureIndex, children, 2048);
        for (int i = 0; i < count; ++i) {
            const FixtureEntry *entry = FixtureAt(children[i]);
            int grandchildren[1];
            if (JoinFolder(node->path, entry->name, path, (int)sizeof path)
                && InsertNode(parent, TVI_LAST, entry->name, closed, open, NodeFolder, children[i], path,
                              FixtureChildren(children[i], grandchildren, 1) > 0))
                ++added;
        }
        return added;
    }
    char pattern[MAX_PATH];
    if (!JoinFolder(node->path, "*", pattern, (int)sizeof pattern))
        return 0;
    pattern[lstrlenA(pattern) - 1] = '\0';
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            || lstrcmpA(found.cFileName, ".") == 0 || lstrcmpA(found.cFileName, "..") == 0)
            continue;
        // Every folder shows a button until it is opened: looking inside each
        // one in advance would make large folders slow to expand.
        if (JoinFolder(node->path, found.cFileName, path, (int)sizeof path)
            && InsertNode(parent, TVI_SORT, found.cFileName, closed, open, NodeFolder, -1, path, TRUE))
            ++added;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return added;
}

static void FillChildren(HTREEITEM item)
{
    TreeNode *node = NodeOf(item);
    if (node == NULL || node->filled)
        return;
    node->filled = TRUE;
    int added = 0;
    if (node->kind == NodeComputer) {
        AddDriveItems(item);
        added = 1;
    } else if (node->kind == NodeDrive || node->kind == NodeFolder) {
        added = AddFolderItems(item, node);
    } else {
        added = 1;
    }
    if (added == 0) {
        TVITEMA tv;
        ZeroMemory(&tv, sizeof tv);
        tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
        tv.hItem = item;
        SendMessageA(folderTree, TVM_SETITEMA, 0, (LPARAM)&tv);
    }
}

HWND CreateFolderTree(HWND parent, int id)
{
    folderTree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                                 WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES
                                 | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                                 0, 0, 0, 0, parent, (HMENU)(INT_PTR)id, hostInstance, NULL);
    SHFILEINFOA info;
    ZeroMemory(&info, sizeof info);
    // The system image list is shared by the whole process and is never
    // destroyed, so a plug-in may keep using it after asking the tree for it.
    systemImages = (HIMAGELIST)SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    if (folderTree != NULL && systemImages != NULL)
        SendMessageA(folderTree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)systemImages);
    return folderTree;
}

void FillTreeRoots()
{
    char name[MAX_PATH];
    if (!GetShellName(CSIDL_DESKTOP, name, (int)sizeof name))
        lstrcpynA(name, "デスクトップ", (int)sizeof name);
    int image = ImageOfSpecialFolder(CSIDL_DESKTOP);
    desktopItem = InsertNode(TVI_ROOT, TVI_LAST, name, image, image, NodeDesktop, -1, NULL, TRUE);
    FillChildren(desktopItem);

    if (!GetShellName(CSIDL_DRIVES, name, (int)sizeof name))
        lstrcpynA(name, "マイ コンピュータ", (int)sizeof name);
    image = ImageOfSpecialFolder(CSIDL_DRIVES);
    computerItem = InsertNode(desktopItem, TVI_LAST, name, image, image, NodeComputer, -1, NULL, TRUE);
    FillChildren(computerItem);
    SendMessageA(folderTree, TVM_EXPAND, TVE_EXPAND, (LPARAM)desktopItem);
    SendMessageA(folderTree, TVM_EXPAND, TVE_EXPAND, (LPARAM)computerItem);
    SendMessageA(folderTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)computerItem);
}

static void ShowSelection(HTREEITEM item)
{
    TreeNode *node = NodeOf(item);
    if (node == NULL)
        return;   // nothing selected: the host stays where it is
    char text[MAX_PATH] = "";
    if (node->kind == NodeDrive || node->kind == NodeFolder) {
        lstrcpynA(currentPath, node->path, (int)sizeof currentPath);
        lstrcpynA(text, node->path, (int)sizeof text);
    } else {
        currentPath[0] = '\0';
        TVITEMA tv;
        ZeroMemory(&tv, sizeof tv);
        tv.mask = TVIF_TEXT | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = (int)sizeof text;
        SendMessageA(folderTree, TVM_GETITEMA, 0, (LPARAM)&tv);
    }
    SetWindowTextA(pathBar, text);
    if (node->kind == NodeDrive || node->kind == NodeFolder)
        ShowFolderContents(node->path, FixtureLoaded(), node->fixtureIndex);
    else
        ShowFolderContents(NULL, FALSE, -1);
}

// The tree talks to an ANSI window, but both notification sets are accepted:
// the item fields the host reads sit at the same places in either form.
LRESULT OnTreeNotify(NMHDR *header)
{
    NMTREEVIEWA *change = (NMTREEVIEWA *)header;
    switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW:
        if (change->action & TVE_EXPAND)
            FillChildren(change->itemNew.hItem);
        return FALSE;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        ShowSelection(change->itemNew.hItem);
        return 0;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
        if (change->itemOld.lParam != 0)
            HeapFree(GetProcessHeap(), 0, (void *)change->itemOld.lParam);
        return 0;
    }
    return 0;
}

static HTREEITEM FindChild(HTREEITEM parent, LPCSTR name, int length, BOOL drive)
{
    SendMessageA(folderTree, TVM_EXPAND, TVE_EXPAND, (LPARAM)parent);
    HTREEITEM item = (HTREEITEM)SendMessageA(folderTree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)parent);
    for (; item != NULL; item = (HTREEITEM)SendMessageA(folderTree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
        char text[MAX_PATH] = "";
        TVITEMA tv;
        ZeroMemory(&tv, sizeof tv);
        tv.mask = TVIF_TEXT | TVIF_PARAM | TVIF_HANDLE;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = (int)sizeof text;
        if (!SendMessageA(folderTree, TVM_GETITEMA, 0, (LPARAM)&tv) || tv.lParam == 0)
            continue;
        if (drive ? ((TreeNode *)tv.lParam)->path[0] == name[0]
                  : lstrlenA(text) == length
                    && CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text, length, name, length) == CSTR_EQUAL)
            return item;
    }
    return NULL;
}

BOOL OpenPath(LPCSTR path)
{
    if (path == NULL || path[0] == '\0' || computerItem == NULL)
        return FALSE;
    char letter[2] = { path[0] >= 'a' && path[0] <= 'z' ? (char)(path[0] - 'a' + 'A') : path[0], '\0' };
    HTREEITEM item = FindChild(computerItem, letter, 1, TRUE);
    LPCSTR rest = StrChrA(path, '\\');
    while (item != NULL && rest != NULL && rest[1] != '\0') {
        LPCSTR name = rest + 1;
        LPCSTR end = StrChrA(name, '\\');
        int length = end != NULL ? (int)(end - name) : lstrlenA(name);
        item = FindChild(item, name, length, FALSE);
        rest = end;
    }
    if (item == NULL)
        return FALSE;
    SendMessageA(folderTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
    SendMessageA(folderTree, TVM_ENSUREVISIBLE, 0, (LPARAM)item);
    return TRUE;
}

// Finding the Desktop, My Computer, drive and folder items of the host tree.
#include "tree/host_tree.h"
#include <shlobj.h>

BOOL ReadTreeItem(HWND tree, HTREEITEM item, UINT mask, TVITEMA *read, LPSTR text, int size)
{
    if (size <= 0)
        return FALSE;
    text[0] = '\0';
    ZeroMemory(read, sizeof *read);
    read->mask = mask | TVIF_TEXT;
    read->hItem = item;
    read->pszText = text;
    read->cchTextMax = size;
    if (SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)read) != 1)
        return FALSE;
    // A host may hand back its own buffer instead of filling ours.
    if (read->pszText != text)
        lstrcpynA(text, read->pszText ? read->pszText : "", size);
    // A text longer than the buffer may fill it to the last byte with no
    // terminator (Wine's tree view does): cut it here.
    text[size - 1] = '\0';
    return TRUE;
}

BOOL GetTreeItemText(HWND tree, HTREEITEM item, LPSTR text, int size)
{
    TVITEMA read;
    return ReadTreeItem(tree, item, TVIF_TEXT, &read, text, size);
}

static HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT relation)
{
    return (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, relation, (LPARAM)item);
}

// Expanding an expanded item changes nothing and sends the host nothing, but
// the tree control may still re-lay out every visible item, which dominates a
// walk through folders with thousands of siblings.
void ExpandTreeItem(HWND tree, HTREEITEM item)
{
    if ((SendMessageA(tree, TVM_GETITEMSTATE, (WPARAM)item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0)
        return;
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
}

char GetDriveLetterFromLabel(LPCSTR text)
{
    // Only the first ":)" counts; "(" and ')' never occur as trail bytes, so a
    // byte-wise search is safe in code page 932.
    for (int i = 0; text[i] != '\0'; ++i) {
        if (text[i] != ':' || text[i + 1] != ')')
            continue;
        if (i < 2)
            return 0;
        char letter = text[i - 1];
        if (letter >= 'A' && letter <= 'Z' && text[i - 2] == '(')
            return letter;
        return 0;
    }
    return 0;
}

HTREEITEM FindItemByText(HWND tree, HTREEITEM firstItem, int folderId)
{
    char name[SpecialNameSize];
    if (!GetSpecialFolderName(folderId, name, sizeof name))
        return 0;
    for (HTREEITEM item = firstItem; item != 0; item = NextItem(tree, item, TVGN_NEXT)) {
        char text[SpecialNameSize];
        if (GetTreeItemText(tree, item, text, sizeof text) && lstrcmpA(text, name) == 0)
            return item;
    }
    return 0;
}

HTREEITEM FindFirstDriveItem(HWND tree)
{
    HTREEITEM desktop = FindItemByText(tree, NextItem(tree, 0, TVGN_ROOT), CSIDL_DESKTOP);
    if (desktop == 0)
        return 0;
    ExpandTreeItem(tree, desktop);
    HTREEITEM firstChild = NextItem(tree, desktop, TVGN_CHILD);
    if (firstChild == 0)
        return 0;
    HTREEITEM computer = FindItemByText(tree, firstChild, CSIDL_DRIVES);
    if (computer == 0)
        return 0;
    ExpandTreeItem(tree, computer);
    return NextItem(tree, computer, TVGN_CHILD);
}

HTREEITEM FindDriveItem(HWND tree, HTREEITEM firstItem, char letter)
{
    for (HTREEITEM item = firstItem; item != 0; item = NextItem(tree, item, TVGN_NEXT)) {
        char text[ItemTextSize];
        if (GetTreeItemText(tree, item, text, sizeof text) && GetDriveLetterFromLabel(text) == letter
            && letter != 0)
            return item;
    }
    return 0;
}

HTREEITEM FindChildByName(HWND tree, HTREEITEM firstItem, LPCSTR name)
{
    for (HTREEITEM item = firstItem; item != 0; item = NextItem(tree, item, TVGN_NEXT)) {
        char text[ItemTextSize];
        if (GetTreeItemText(tree, item, text, sizeof text) && lstrcmpiA(text, name) == 0)
            return item;
    }
    return 0;
}

// Walking a stored folder path down the host tree, and selecting the result.
#include "tree/host_tree.h"

// The next "\" at or after text, or NULL. Double-byte characters are stepped
// over whole: in 表 (95 5C) the 5C is a trail byte, not a separator.
static LPCSTR FindSeparator(LPCSTR text)
{
    for (; *text != '\0'; ++text) {
        if (IsDBCSLeadByteEx(CP_ACP, (BYTE)*text)) {
            if (text[1] == '\0')
                return NULL;
            ++text;
            continue;
        }
        if (*text == '\\')
            return text;
    }
    return NULL;
}

HTREEITEM WalkPath(HWND tree, LPCSTR path, HTREEITEM *deepest)
{
    *deepest = 0;
    HTREEITEM current = FindDriveItem(tree, FindFirstDriveItem(tree), path[0]);
    if (current == 0)
        return 0;

    // Only the drive letter is read before the first separator: "C:Windows\"
    // walks Windows directly below drive C.
    LPCSTR separator = FindSeparator(path);
    if (separator == NULL)
        return current;

    for (;;) {
        *deepest = current;
        LPCSTR next = FindSeparator(separator + 1);
        if (next == NULL)
            return current;

        ExpandTreeItem(tree, current);
        HTREEITEM firstChild = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)current);
        if (firstChild == 0)
            return 0;

        // Tree texts are read into ItemTextSize bytes, so a longer component
        // can match no item.
        char component[ItemTextSize];
        size_t length = (size_t)(next - separator - 1);
        if (length >= sizeof component)
            return 0;
        lstrcpynA(component, separator + 1, (int)length + 1);
        current = FindChildByName(tree, firstChild, component);
        if (current == 0)
            return 0;
        separator = next;
    }
}

void SelectTreeItem(HWND tree, HTREEITEM item)
{
    // Clearing first makes selecting the current item a selection change,
    // so the host shows the folder even when it was already selected.
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, 0);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
}

// Lookups in the host's folder tree and its selection. The plug-in moves the
// host only through this tree; it never lists the file system.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Text buffers for tree reads: drive and folder items, special-folder items.
enum { ItemTextSize = 256, SpecialNameSize = MAX_PATH };

BOOL GetSpecialFolderName(int folderId, LPSTR out, DWORD size);

// The drive letter of a drive item's label ("Local Disk (C:)" gives 'C'), or
// 0 when the text is not a drive label.
char GetDriveLetterFromLabel(LPCSTR text);

HTREEITEM FindItemByText(HWND tree, HTREEITEM firstItem, int folderId);
HTREEITEM FindFirstDriveItem(HWND tree);
HTREEITEM FindDriveItem(HWND tree, HTREEITEM firstItem, char letter);
HTREEITEM FindChildByName(HWND tree, HTREEITEM firstItem, LPCSTR name);
HTREEITEM WalkPath(HWND tree, LPCSTR path, HTREEITEM *deepest);
void SelectTreeItem(HWND tree, HTREEITEM item);

// Expands an item so the host fills its children; an item that is already
// expanded is left alone (see tree_items.cpp).
void ExpandTreeItem(HWND tree, HTREEITEM item);

// Reads an item's text into text (size bytes, always terminated) and the
// fields of mask into read; TRUE only when the tree answered 1.
BOOL ReadTreeItem(HWND tree, HTREEITEM item, UINT mask, TVITEMA *read, LPSTR text, int size);
BOOL GetTreeItemText(HWND tree, HTREEITEM item, LPSTR text, int size);

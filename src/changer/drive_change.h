// Deciding where on a chosen drive the host goes, and moving it there.
#pragma once
#include <windows.h>
#include <commctrl.h>

extern const char ChangeDriveTitle[];   // "ドライブの変更"

// Returns 1 when the host's tree was moved, 0 when nothing was moved.
int ChangeDrive(char letter, HWND tree, LPCSTR currentPath, HTREEITEM firstDriveItem, HWND owner);

// The thread keyboard hook behind the drive letter keys. It is installed only
// while the dialog is idle, so a drive change and its message boxes run
// without it.
#include "changer/change_drive_dialog.h"

HHOOK keyHook;

// A second hook on top of the first would run every drive change twice, and
// the first could never be removed again. A window already gone gets none:
// nothing would remove it.
void InstallDriveKeyHook(HWND window)
{
    if (keyHook != NULL || !IsWindow(window))
        return;
    keyHook = SetWindowsHookExA(WH_KEYBOARD, DriveKeyHookProc, NULL,
                                GetWindowThreadProcessId(window, NULL));
}

void RemoveDriveKeyHook()
{
    if (keyHook != NULL) {
        UnhookWindowsHookEx(keyHook);
        keyHook = NULL;
    }
}

// Any event of a listed drive's letter key acts, down or up, with or without
// Alt. After a move the hook is gone; after a stay it is back at once, so the
// key's repeats and release act again with the modifiers read anew. Only a
// key the thread takes off its queue counts (HC_ACTION): a loop that merely
// peeks at it (HC_NOREMOVE) has not taken it, and may never hand it on.
LRESULT CALLBACK DriveKeyHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && driveCombo != NULL) {
        int count = (int)SendMessageA(driveCombo, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            COMBOBOXEXITEMA entry;
            ZeroMemory(&entry, sizeof entry);
            entry.mask = CBEIF_LPARAM;
            entry.iItem = i;
            if (SendMessageA(driveCombo, CBEM_GETITEMA, 0, (LPARAM)&entry) && (WPARAM)entry.lParam == wParam) {
                ActOnDrive((char)wParam);
                break;
            }
        }
    }
    return CallNextHookEx(keyHook, code, wParam, lParam);
}

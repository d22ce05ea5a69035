// The thread keyboard hook behind the drive letter keys. It is installed only
// while the dialog is idle, so a drive change and its message boxes run
// without it.
#include "changer/change_drive_dialog.h"

HHOOK keyHook;

// The letter keys whose press this dialog's hook saw and whose release it
// has not seen yet, one bit per letter from A. It outlives the hook's
// removal around a drive change: after a stay the key's repeats and release
// act again.
static DWORD lettersDown;

enum { KeyWasDown = 0x40000000, KeyGoingUp = 0x80000000 };

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

void ForgetDriveKeys()
{
    lettersDown = 0;
}

// Only a press this dialog saw makes the key its own; its repeats and its
// release act only then. A host opens the command as a key goes down (a
// menu's access key, a hot key) and that key's release arrives here with no
// press; Wine 10 sends a release of its own for a key it holds down when the
// display says it is up, so one press can come with two releases. The hook
// sees every key of the thread, and a modal dialog disables only its owner:
// keys for the host's other windows are theirs.
static BOOL KeyEventActs(WPARAM key, LPARAM flags)
{
    if (key < 'A' || key > 'Z')
        return FALSE;
    const DWORD letter = 1u << (key - 'A');
    const BOOL forDialog = dialog != NULL && GetActiveWindow() == dialog;
    if ((flags & (KeyWasDown | KeyGoingUp)) == 0) {
        lettersDown = forDialog ? lettersDown | letter : lettersDown & ~letter;
        return forDialog;
    }
    const BOOL seenDown = (lettersDown & letter) != 0;
    if (flags & KeyGoingUp)
        lettersDown &= ~letter;
    return seenDown && forDialog;
}

static BOOL IsListedDrive(WPARAM key)
{
    if (driveCombo == NULL)
        return FALSE;
    int count = (int)SendMessageA(driveCombo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        COMBOBOXEXITEMA entry;
        ZeroMemory(&entry, sizeof entry);
        entry.mask = CBEIF_LPARAM;
        entry.iItem = i;
        if (SendMessageA(driveCombo, CBEM_GETITEMA, 0, (LPARAM)&entry) && (WPARAM)entry.lParam == key)
            return TRUE;
    }
    return FALSE;
}

// A listed drive's letter acts with or without Alt, and the key is always
// passed on. After a move the hook is gone; after a stay it is back at once.
// Only a key the thread takes off its queue counts (HC_ACTION): a loop that
// merely peeks at it (HC_NOREMOVE) has not taken it, and may never hand it on.
LRESULT CALLBACK DriveKeyHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && KeyEventActs(wParam, lParam) && IsListedDrive(wParam))
        ActOnDrive((char)wParam);
    return CallNextHookEx(keyHook, code, wParam, lParam);
}

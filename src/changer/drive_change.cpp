// The drive change: Shift and Ctrl pick the root, the remembered folder or
// the configured folder; missing folders fall back as the settings say.
#include "changer/drive_change.h"
#include "plugin/settings.h"
#include "tree/host_tree.h"

const char ChangeDriveTitle[] = "ドライブの変更";

static int ActionForModifiers()
{
    BYTE keys[256];
    if (!GetKeyboardState(keys))
        return settings.Normal;
    int index = ((keys[VK_SHIFT] & 0x80) ? 1 : 0) + ((keys[VK_CONTROL] & 0x80) ? 2 : 0);
    switch (index) {
    case 1: return settings.Shift;
    case 2: return settings.Ctrl;
    case 3: return settings.CtrlShift;
    default: return settings.Normal;
    }
}

enum StoredFolderResult { StoredFound, StoredFallback, StoredStay, StoredAbsent };

// Walks the folder stored for the drive in section; on a miss tells the user
// (when warnFlag is set) and applies the fallback.
static StoredFolderResult GoToStoredFolder(LPCSTR section, char letter, HWND tree, HWND owner,
                                           int warnFlag, LPCSTR notFoundText, int fallback,
                                           HTREEITEM *target)
{
    char folder[MAX_PATH];
    if (!ReadDriveFolder(section, letter, folder, sizeof folder))
        return StoredAbsent;

    HTREEITEM deepest = 0;
    *target = WalkPath(tree, folder, &deepest);
    if (*target != 0)
        return StoredFound;

    if (settings.State & warnFlag)
        MessageBoxA(owner, notFoundText, ChangeDriveTitle, MB_OK | MB_ICONERROR);
    if (fallback == FallbackStay)
        return StoredStay;
    if (fallback == FallbackDeepest)
        *target = deepest;
    return StoredFallback;
}

// Records the folder being left under its own drive letter, before the
// selection changes and the host's path with it.
static void RememberFolderLeft(LPCSTR currentPath)
{
    if (currentPath == NULL || currentPath[0] == '\0')
        return;
    char letter = currentPath[0];
    if (letter >= 'a' && letter <= 'z')
        letter = (char)(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z')
        return;
    WriteDriveFolder(CurrentSection, letter, currentPath);
}

int ChangeDrive(char letter, HWND tree, LPCSTR currentPath, HTREEITEM firstDriveItem, HWND owner)
{
    HTREEITEM target = 0;
    int action = ActionForModifiers();

    if (action == ActionRemembered) {
        StoredFolderResult result = GoToStoredFolder(CurrentSection, letter, tree, owner,
            WarnRememberedNotFound, "記憶したフォルダが見つかりません。", settings.PathNotFind, &target);
        if (result == StoredStay)
            return 0;
    } else if (action == ActionConfigured) {
        StoredFolderResult result = GoToStoredFolder(PathSection, letter, tree, owner,
            WarnConfiguredNotFound, "設定したフォルダが見つかりません。", settings.SetPathNotFind, &target);
        if (result == StoredStay)
            return 0;
        if (result == StoredAbsent) {
            if (settings.State & WarnConfiguredNotSet) {
                char text[128];
                wsprintfA(text, "%cドライブのフォルダへのパスは設定されていません。", letter);
                MessageBoxA(owner, text, ChangeDriveTitle, MB_OK | MB_ICONWARNING);
            }
            if (settings.NonSetPath == 0)
                return 0;
        }
    }

    if (target == 0)
        target = FindDriveItem(tree, firstDriveItem, letter);
    if (target == 0)
        return 0;

    RememberFolderLeft(currentPath);
    SelectTreeItem(tree, target);
    return 1;
}

// The change-drive dialog: lists the drives of the host's tree with the
// tree's icons and runs the drive change on the chosen one.
#include "changer/change_drive_dialog.h"
#include "changer/drive_change.h"
#include "plugin/run_state.h"
#include "settings_sheet/settings_sheet.h"
#include "tree/host_tree.h"
#include "resource.h"

HWND dialog;
HWND driveCombo;
HTREEITEM firstDriveItem;

static LPCSTR CurrentPath()
{
    return processInfo->currentPath != NULL ? processInfo->currentPath : "";
}

static void InsertDriveEntry(int position, LPSTR text, int image, int selectedImage, char letter)
{
    COMBOBOXEXITEMA entry;
    ZeroMemory(&entry, sizeof entry);
    entry.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
    entry.iItem = position;
    entry.pszText = text;
    entry.iImage = image;
    entry.iSelectedImage = selectedImage;
    entry.lParam = (BYTE)letter;
    SendMessageA(driveCombo, CBEM_INSERTITEMA, 0, (LPARAM)&entry);
}

BOOL FillDriveList(HWND window)
{
    (void)window;
    HWND tree = processInfo->hwndTree;
    firstDriveItem = FindFirstDriveItem(tree);
    if (firstDriveItem == 0)
        return FALSE;

    LRESULT images = SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0);
    SendMessageA(driveCombo, CBEM_SETIMAGELIST, 0, images);

    char windows[MAX_PATH + 1];
    if (GetWindowsDirectoryA(windows, sizeof windows) == 0)
        windows[0] = '\0';
    char currentDrive = CurrentPath()[0];

    // Each entry inserted into a list box that redraws makes it recompute
    // and set its scroll bar. The combo box inside the ComboBoxEx passes
    // WM_SETREDRAW on to its list box (the ComboBoxEx itself would only hide
    // itself), so the scroll bar is set once, when redraw comes back; the
    // dialog is not shown yet and looks the same.
    HWND combo = (HWND)SendMessageA(driveCombo, CBEM_GETCOMBOCONTROL, 0, 0);
    SendMessageA(combo, WM_SETREDRAW, FALSE, 0);
    int count = 0, currentEntry = -1, systemEntry = -1;
    for (HTREEITEM item = firstDriveItem; item != 0;
         item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
        char text[ItemTextSize];
        TVITEMA read;
        if (!ReadTreeItem(tree, item, TVIF_IMAGE | TVIF_SELECTEDIMAGE, &read, text, sizeof text))
            continue;
        char letter = GetDriveLetterFromLabel(text);
        if (letter == 0)
            continue;
        if (letter == currentDrive)
            currentEntry = count;
        if (letter == windows[0])
            systemEntry = count;
        InsertDriveEntry(count, text, read.iImage, read.iSelectedImage, letter);
        ++count;
    }
    SendMessageA(combo, WM_SETREDRAW, TRUE, 0);

    int selection = currentEntry >= 0 ? currentEntry : systemEntry;
    if (selection >= 0)
        SendMessageA(driveCombo, CB_SETCURSEL, selection, 0);
    return TRUE;
}

void CloseChangeDrive(HWND window, INT_PTR result)
{
    RemoveDriveKeyHook();
    EndDialog(window, result);
}

void ActOnDrive(char letter)
{
    RemoveDriveKeyHook();
    if (ChangeDrive(letter, processInfo->hwndTree, CurrentPath(), firstDriveItem, dialog) == 1)
        CloseChangeDrive(dialog, 1);
    else
        InstallDriveKeyHook(dialog);
}

static BOOL OnInitDialog(HWND window)
{
    dialog = window;
    RemoveDriveKeyHook();
    ForgetDriveKeys();
    driveCombo = GetDlgItem(window, IDC_DRIVE_LIST);
    if (FillDriveList(window)) {
        SetDlgItemTextA(window, IDC_CURRENT_PATH, CurrentPath());
        InstallDriveKeyHook(window);
    } else {
        MessageBoxA(window, "ドライブ情報を取得出来ませんでした。", ChangeDriveTitle, MB_OK | MB_ICONERROR);
        CloseChangeDrive(window, 2);
    }
    return TRUE;
}

// OK with nothing selected has no drive to act on: the dialog stays as it is.
static void OnOk()
{
    int selected = (int)SendMessageA(driveCombo, CB_GETCURSEL, 0, 0);
    if (selected < 0)
        return;
    char text[ItemTextSize] = "";
    COMBOBOXEXITEMA entry;
    ZeroMemory(&entry, sizeof entry);
    entry.mask = CBEIF_TEXT;
    entry.iItem = selected;
    entry.pszText = text;
    entry.cchTextMax = sizeof text;
    if (!SendMessageA(driveCombo, CBEM_GETITEMA, 0, (LPARAM)&entry))
        return;
    // The list keeps its entries as Unicode: a tree label cut inside a
    // double-byte character comes back one byte longer and can fill the
    // buffer with no terminator.
    text[sizeof text - 1] = '\0';
    char letter = GetDriveLetterFromLabel(text);
    if (letter != 0)
        ActOnDrive(letter);
}

static void OnCommand(HWND window, WORD id)
{
    switch (id) {
    case IDOK:
        OnOk();
        break;
    case IDCANCEL:
        CloseChangeDrive(window, 2);
        break;
    case IDC_SETTINGS:
        RunSettingsCommand(window);
        break;
    }
}

// The dialog can end without passing through its own ways out: a WM_QUIT
// reaching its modal loop, or its owner destroyed.
static void OnDestroy(HWND window)
{
    RemoveDriveKeyHook();
    if (dialog == window) {
        dialog = NULL;
        driveCombo = NULL;
    }
}

// The system menu and the move/size loop read the keyboard through loops of
// their own: a letter there belongs to the menu (閉じる(C) is Close), not to a
// drive.
static void OnEnterOwnLoop()
{
    RemoveDriveKeyHook();
}

static void OnExitOwnLoop(HWND window)
{
    if (dialog == window)
        InstallDriveKeyHook(window);
}

INT_PTR CALLBACK ChangeDriveDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(window);
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        return TRUE;
    case WM_ENTERMENULOOP:
    case WM_ENTERSIZEMOVE:
        OnEnterOwnLoop();
        return FALSE;
    case WM_EXITMENULOOP:
    case WM_EXITSIZEMOVE:
        OnExitOwnLoop(window);
        return FALSE;
    case WM_DESTROY:
        OnDestroy(window);
        return FALSE;
    default:
        return FALSE;
    }
}

// A host with several windows can run the command from another one while
// this dialog is up, since a modal dialog disables only its own owner. A
// second dialog would take the record, the list and the hook from under the
// first, so the first comes to the front instead, or whatever it has open.
BOOL BringChangeDriveToFront()
{
    if (dialog == NULL || !IsWindow(dialog))
        return FALSE;
    SetForegroundWindow(GetLastActivePopup(dialog));
    return TRUE;
}

void RunChangeDriveDialog(HINSTANCE module, HWND owner)
{
    DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_CHANGE_DRIVE), owner, ChangeDriveDialogProc, 0);
    // A hook installed after the dialog was destroyed (a drive change or the
    // settings sheet still running when its owner went) must not outlive the run.
    RemoveDriveKeyHook();
}

// The scripted tour: a second thread drives the host and the plug-in the
// way a user would (menu keys and commands, letter keys through SendInput,
// Shift held)
// and saves a screenshot of each step as a BMP in the output folder. The
// plug-in's dialog is modal on the main thread, so only another thread can
// watch it and type into it.
#include "host.h"
#include <prsht.h>

static char outputFolder[MAX_PATH];
static char startPath[MAX_PATH];
static DWORD mainThread;
static int failures;

static void Say(LPCSTR format, LPCSTR detail)
{
    char line[MAX_PATH * 2];
    wsprintfA(line, format, detail != NULL ? detail : "");
    PrintLine(line);
}

static BOOL SaveBitmap(LPCSTR file, HDC dc, HBITMAP bitmap, int width, int height)
{
    int stride = (width * 3 + 3) & ~3;
    DWORD bitsSize = (DWORD)stride * (DWORD)height;
    BITMAPINFOHEADER info;
    ZeroMemory(&info, sizeof info);
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    BYTE *bits = (BYTE *)HeapAlloc(GetProcessHeap(), 0, bitsSize);
    if (bits == NULL)
        return FALSE;
    BOOL ok = GetDIBits(dc, bitmap, 0, (UINT)height, bits, (BITMAPINFO *)&info, DIB_RGB_COLORS) == height;
    BITMAPFILEHEADER header;
    ZeroMemory(&header, sizeof header);
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + bitsSize;
    HANDLE out = ok ? CreateFileA(file, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL) : INVALID_HANDLE_VALUE;
    if (out != INVALID_HANDLE_VALUE) {
        DWORD written;
        ok = WriteFile(out, &header, sizeof header, &written, NULL)
            && WriteFile(out, &info, sizeof info, &written, NULL)
            && WriteFile(out, bits, bitsSize, &written, NULL);
        CloseHandle(out);
    } else {
        ok = FALSE;
    }
    HeapFree(GetProcessHeap(), 0, bits);
    return ok;
}

static void CaptureArea(LPCSTR name, const RECT *area);

// Copies the screen under the host window and the given dialog, if any.
static void Capture(LPCSTR name, HWND dialog)
{
    RECT area, other;
    GetWindowRect(mainWindow, &area);
    if (dialog != NULL && GetWindowRect(dialog, &other))
        UnionRect(&area, &area, &other);
    CaptureArea(name, &area);
}

// Copies the screen under one window alone, for pictures of the settings.
static void CaptureWindow(LPCSTR name, HWND window)
{
    RECT area;
    if (GetWindowRect(window, &area))
        CaptureArea(name, &area);
}

static void CaptureArea(LPCSTR name, const RECT *rect)
{
    RECT area = *rect;
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    char file[MAX_PATH];
    if (lstrlenA(outputFolder) + lstrlenA(name) + 6 <= (int)sizeof file) {
        wsprintfA(file, "%s\\%s.bmp", outputFolder, name);
        if (!SaveBitmap(file, memory, bitmap, width, height)) {
            Say("  could not write %s", file);
            ++failures;
        }
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
}

static BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM found)
{
    char className[32];
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == mainWindow
        && GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32770") == 0) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND OwnedDialog()
{
    HWND found = NULL;
    EnumThreadWindows(mainThread, FindOwnedDialog, (LPARAM)&found);
    return found;
}

struct CaptionSearch {
    LPCSTR caption;
    HWND found;
};

static BOOL CALLBACK FindCaptionedDialog(HWND window, LPARAM data)
{
    CaptionSearch *search = (CaptionSearch *)data;
    char className[32], caption[128];
    if (IsWindowVisible(window)
        && GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32770") == 0
        && GetWindowTextA(window, caption, sizeof caption) && lstrcmpA(caption, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Waits for a top-level dialog of the host's thread with the given caption:
// the settings sheet runs modally inside the change-drive dialog.
static HWND WaitForCaption(LPCSTR caption)
{
    for (int i = 0; i < 100; ++i) {
        CaptionSearch search = { caption, NULL };
        EnumThreadWindows(mainThread, FindCaptionedDialog, (LPARAM)&search);
        if (search.found != NULL) {
            Sleep(700);
            return search.found;
        }
        Sleep(100);
    }
    return NULL;
}

static HWND WaitForDialog()
{
    for (int i = 0; i < 100; ++i) {
        HWND dialog = OwnedDialog();
        if (dialog != NULL) {
            Sleep(700);   // let it paint its list and icons
            return dialog;
        }
        Sleep(100);
    }
    return NULL;
}

static BOOL WaitForDialogGone(HWND dialog)
{
    for (int i = 0; i < 100; ++i) {
        if (!IsWindow(dialog) || !IsWindowVisible(dialog)) {
            Sleep(700);   // the host repaints its tree and list
            return TRUE;
        }
        Sleep(100);
    }
    return FALSE;
}

static void Key(WORD key, BOOL up)
{
    INPUT input;
    ZeroMemory(&input, sizeof input);
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = (WORD)MapVirtualKeyA(key, 0);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
    Sleep(80);
}

// Types text as characters, whatever the keyboard layout.
static void Type(LPCSTR text)
{
    for (LPCSTR p = text; *p != '\0'; ++p) {
        INPUT input[2];
        ZeroMemory(input, sizeof input);
        for (int i = 0; i < 2; ++i) {
            input[i].type = INPUT_KEYBOARD;
            input[i].ki.wScan = (WORD)(BYTE)*p;
            input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
        }
        SendInput(2, input, sizeof input[0]);
        Sleep(40);
    }
}

static void Check(LPCSTR expected)
{
    if (lstrcmpiA(currentPath, expected) == 0) {
        Say("  the host now shows %s", currentPath);
    } else {
        Say("  FAILED: expected the host at %s", expected);
        Say("          but it shows %s", currentPath);
        ++failures;
    }
}

static HWND OpenChangeDrive(UINT command)
{
    SetForegroundWindow(mainWindow);
    PostMessageA(mainWindow, WM_COMMAND, command, 0);
    HWND dialog = WaitForDialog();
    if (dialog == NULL) {
        Say("  FAILED: the change-drive dialog did not open", NULL);
        ++failures;
    } else {
        SetForegroundWindow(dialog);
    }
    return dialog;
}

static void Finish()
{
    Say(failures == 0 ? "tour: done%s" : "tour: FAILED%s", NULL);
    PostMessageA(mainWindow, HostTourDone, failures == 0 ? 0 : 1, 0);
    // A dialog left open by a failed step must not keep the run alive.
    Sleep(5000);
    ExitProcess(failures == 0 ? 0 : 1);
}

static void Fail(LPCSTR text, LPCSTR detail)
{
    Say(text, detail);
    ++failures;
}

// The entries of a folder list on a settings page, one line each.
static int SayListEntries(HWND list)
{
    int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH];
        LVITEMA item;
        ZeroMemory(&item, sizeof item);
        item.pszText = text;
        item.cchTextMax = sizeof text;
        text[0] = '\0';
        SendMessageA(list, LVM_GETITEMTEXTA, (WPARAM)i, (LPARAM)&item);
        Say("  the list shows %s", text);
    }
    return count;
}

static BOOL ListHolds(HWND list, LPCSTR prefix)
{
    LVFINDINFOA find;
    ZeroMemory(&find, sizeof find);
    find.flags = LVFI_STRING | LVFI_PARTIAL;
    find.psz = prefix;
    return SendMessageA(list, LVM_FINDITEMA, (WPARAM)-1, (LPARAM)&find) >= 0;
}

static HWND ShowPage(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, (WPARAM)index, 0);
    Sleep(500);
    return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
}

// The settings sheet from the dialog's 設定 button: a picture of each page,
// a destination folder for drive D added and saved with OK, then the
// configured folder reached with Ctrl+D.
static void TourSettings(UINT command, LPCSTR browsed)
{
    static const char SheetCaption[] = "ドライブの変更の設定";
    static const char typed[] = "D:\\Projects";
    static const char configured[] = "D:\\Projects\\";

    Say("step 8: open the dialog again and press 設定: the settings sheet, page 動作%s", NULL);
    HWND dialog = OpenChangeDrive(command);
    if (dialog == NULL)
        Finish();
    PostMessageA(GetDlgItem(dialog, 1002), BM_CLICK, 0, 0);
    HWND sheet = WaitForCaption(SheetCaption);
    if (sheet == NULL) {
        Fail("  FAILED: the settings sheet did not open%s", NULL);
        Capture("08-settings-behavior", dialog);
        Finish();
    }
    int pages = (int)SendMessageA((HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0), TCM_GETITEMCOUNT, 0, 0);
    if (pages != 3)
        Fail("  FAILED: the sheet should have three pages%s", NULL);
    CaptureWindow("08-settings-behavior", sheet);

    Say("step 9: page 移動先フォルダ: type %s and press ↓追加", typed);
    HWND page = ShowPage(sheet, 1);
    HWND edit = GetDlgItem(page, 1012);
    SendMessageA(page, WM_NEXTDLGCTL, (WPARAM)edit, TRUE);
    Sleep(200);
    Type(typed);
    char text[MAX_PATH];
    GetWindowTextA(edit, text, sizeof text);
    if (lstrcmpA(text, typed) != 0) {
        Say("  FAILED: the folder field holds %s", text);
        ++failures;
    }
    PostMessageA(GetDlgItem(page, 1014), BM_CLICK, 0, 0);
    Sleep(700);
    HWND list = GetDlgItem(page, 1015);
    SayListEntries(list);
    if (!ListHolds(list, configured))
        Fail("  FAILED: the list does not show %s", configured);
    CaptureWindow("09-settings-destination", sheet);

    Say("step 10: page 記憶フォルダ: the folders last left on drives C and D%s", NULL);
    page = ShowPage(sheet, 2);
    list = GetDlgItem(page, 1015);
    SayListEntries(list);
    if (!ListHolds(list, "C:\\") || !ListHolds(list, "D:\\"))
        Fail("  FAILED: the list should show a folder on C and one on D%s", NULL);
    CaptureWindow("10-settings-remembered", sheet);

    Say("step 11: OK saves the settings and closes the sheet; Esc closes the dialog%s", NULL);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    if (!WaitForDialogGone(sheet)) {
        Fail("  FAILED: the settings sheet stayed open%s", NULL);
        Finish();
    }
    SetForegroundWindow(dialog);
    Sleep(100);
    Key(VK_ESCAPE, FALSE);
    Key(VK_ESCAPE, TRUE);
    if (!WaitForDialogGone(dialog)) {
        Fail("  FAILED: the dialog stayed open%s", NULL);
        Finish();
    }
    Check(browsed);

    Say("step 12: Ctrl+D: to the folder just configured for drive D, %s", configured);
    dialog = OpenChangeDrive(command);
    if (dialog == NULL)
        Finish();
    Key(VK_CONTROL, FALSE);
    Key('D', FALSE);
    Key('D', TRUE);
    Key(VK_CONTROL, TRUE);
    if (!WaitForDialogGone(dialog)) {
        Fail("  FAILED: the dialog stayed open%s", NULL);
        Capture("12-ctrl-d-configured", dialog);
        Finish();
    }
    Check(configured);
    Capture("12-ctrl-d-configured", NULL);
}

static DWORD WINAPI TourThread(LPVOID unused)
{
    (void)unused;
    Sleep(1500);
    UINT command = FindPluginCommand("KESTRIN.DLL");
    if (command == 0) {
        Say("tour: KESTRIN.DLL is not in the host's plugins folder%s", NULL);
        ++failures;
        Finish();
        return 1;
    }

    Say("step 0: the host at %s", currentPath);
    Capture("00-host", NULL);

    // By the menu's access keys, as a user at the keyboard opens it: the L
    // that chooses the command comes up in the dialog, and the tree has a
    // drive L.
    Say("step 1: Alt+P, L (Plug-ins menu > change drive): the dialog lists the tree's drives%s", NULL);
    SetForegroundWindow(mainWindow);
    Sleep(200);
    Key(VK_MENU, FALSE);
    Key('P', FALSE);
    Key('P', TRUE);
    Key(VK_MENU, TRUE);
    Key('L', FALSE);
    Key('L', TRUE);
    HWND dialog = WaitForDialog();
    if (dialog == NULL || !IsWindowVisible(dialog)) {
        Fail("  FAILED: the dialog did not stay open%s", NULL);
        Capture("01-dialog", NULL);
        Finish();
    }
    SetForegroundWindow(dialog);
    Capture("01-dialog", dialog);

    Say("step 2: F4 opens the drive list: each drive with the tree's own icon%s", NULL);
    Key(VK_F4, FALSE);
    Key(VK_F4, TRUE);
    Sleep(700);
    Capture("02-drive-list", dialog);
    Key(VK_F4, FALSE);
    Key(VK_F4, TRUE);
    Sleep(300);

    Say("step 3: press D: the host moves to the root of drive D%s", NULL);
    Key('D', FALSE);
    Key('D', TRUE);
    if (!WaitForDialogGone(dialog)) {
        Say("  FAILED: the dialog stayed open%s", NULL);
        ++failures;
        Capture("03-moved-to-d", dialog);
        Finish();
    }
    Check("D:\\");
    Capture("03-moved-to-d", NULL);

    static const char browsed[] = "D:\\Projects\\kestrin\\";
    Say("step 4: the user browses on drive D to %s", browsed);
    if (!SendMessageA(mainWindow, HostOpenPath, 0, (LPARAM)browsed)) {
        Say("  FAILED: the fixture has no %s", browsed);
        ++failures;
    }
    Sleep(500);
    Capture("04-browsed-on-d", NULL);

    Say("step 5: open the dialog again%s", NULL);
    dialog = OpenChangeDrive(command);
    if (dialog == NULL)
        Finish();
    Capture("05-dialog-again", dialog);

    Say("step 6: Shift+C: back to the folder last left on drive C, %s", startPath);
    Key(VK_SHIFT, FALSE);
    Key('C', FALSE);
    Key('C', TRUE);
    Key(VK_SHIFT, TRUE);
    if (!WaitForDialogGone(dialog)) {
        Say("  FAILED: the dialog stayed open%s", NULL);
        ++failures;
        Capture("06-shift-c-back", dialog);
        Finish();
    }
    Check(startPath);
    Capture("06-shift-c-back", NULL);

    Say("step 7: Shift+D from there: back to %s, left on drive D", browsed);
    dialog = OpenChangeDrive(command);
    if (dialog == NULL)
        Finish();
    Key(VK_SHIFT, FALSE);
    Key('D', FALSE);
    Key('D', TRUE);
    Key(VK_SHIFT, TRUE);
    if (!WaitForDialogGone(dialog)) {
        Say("  FAILED: the dialog stayed open%s", NULL);
        ++failures;
    }
    Check(browsed);
    Capture("07-shift-d-back", NULL);

    TourSettings(command, browsed);
    Finish();
    return 0;
}

void StartTour(LPCSTR folder, LPCSTR start)
{
    lstrcpynA(outputFolder, folder, (int)sizeof outputFolder);
    lstrcpynA(startPath, start != NULL ? start : "", (int)sizeof startPath);
    mainThread = GetCurrentThreadId();
    HANDLE thread = CreateThread(NULL, 0, TourThread, NULL, 0, NULL);
    if (thread != NULL)
        CloseHandle(thread);
}

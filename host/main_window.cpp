// The host's main window: path bar, folder tree, file list, status bar and
// the Plug-ins menu.
#include "host.h"

HINSTANCE hostInstance;
HWND mainWindow;
HWND folderTree;
HWND pathBar;
HWND fileList;
HWND statusBar;
char currentPath[MAX_PATH];

static HWND pathLabel;
static int exitCode;
static HMENU pluginMenu;
enum { TreeId = 100, ListId = 101, PathId = 102, StatusId = 103, TreeWidth = 280, BarHeight = 24 };

void SetStatusText(LPCSTR text)
{
    if (statusBar != NULL)
        SendMessageA(statusBar, SB_SETTEXTA, 0, (LPARAM)text);
}

static void Layout(int width, int height)
{
    RECT status = { 0, 0, 0, 0 };
    if (statusBar != NULL) {
        SendMessageA(statusBar, WM_SIZE, 0, 0);
        GetWindowRect(statusBar, &status);
    }
    int bottom = height - (status.bottom - status.top);
    MoveWindow(pathLabel, 4, 5, 70, BarHeight - 8, TRUE);
    MoveWindow(pathBar, 76, 2, width - 80, BarHeight - 3, TRUE);
    int top = BarHeight + 2;
    MoveWindow(folderTree, 0, top, TreeWidth, bottom - top, TRUE);
    MoveWindow(fileList, TreeWidth + 3, top, width - TreeWidth - 3, bottom - top, TRUE);
}

static HMENU BuildMenu()
{
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, MenuExit, "閉じる(&C)");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "ファイル(&F)");
    pluginMenu = CreatePopupMenu();
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)pluginMenu, "プラグイン(&P)");
    return bar;
}

static void OnCreate(HWND window)
{
    mainWindow = window;
    HFONT font = (HFONT)GetStockObject(DEFAULT_GUI_FONT);
    pathLabel = CreateWindowExA(0, "STATIC", "アドレス(&D)", WS_CHILD | WS_VISIBLE,
                                0, 0, 0, 0, window, NULL, hostInstance, NULL);
    pathBar = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL,
                              0, 0, 0, 0, window, (HMENU)PathId, hostInstance, NULL);
    CreateFolderTree(window, TreeId);
    CreateFileList(window, ListId);
    statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                                0, 0, 0, 0, window, (HMENU)StatusId, hostInstance, NULL);
    HWND controls[] = { pathLabel, pathBar, folderTree, fileList, statusBar };
    for (HWND control : controls)
        SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);
}

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(folderTree);
        return 0;
    case WM_NOTIFY:
        if (((NMHDR *)lParam)->hwndFrom == folderTree)
            return OnTreeNotify((NMHDR *)lParam);
        break;
    case WM_MENUSELECT: {
        LPCSTR help = PluginDescription(LOWORD(wParam));
        if (help != NULL)
            SetStatusText(help);
        break;
    }
    case WM_COMMAND:
        if (IsPluginCommand(LOWORD(wParam)))
            RunPlugin(LOWORD(wParam));
        else if (LOWORD(wParam) == MenuExit)
            DestroyWindow(window);
        return 0;
    case HostOpenPath:
        return OpenPath((LPCSTR)lParam);
    case HostTourDone:
        exitCode = (int)wParam;
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(exitCode);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance, LPCSTR title)
{
    hostInstance = instance;
    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "KestrinDemoHost";
    RegisterClassExA(&windowClass);

    HMENU menu = BuildMenu();
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, title, WS_OVERLAPPEDWINDOW,
                                  40, 40, 800, 540, NULL, menu, instance, NULL);
    if (window == NULL)
        return NULL;
    LoadPlugins(pluginMenu);
    DrawMenuBar(window);
    FillTreeRoots();
    return window;
}

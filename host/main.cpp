// Start-up of the demo host. Command line:
//   host.exe [/fixture FILE] [/open PATH] [/tour OUTDIR]
// /fixture shows the drives and folders described in FILE instead of the
// real ones, /open selects a folder at start, /tour runs the scripted walk
// through the plug-in and writes screenshots into OUTDIR.
#include "host.h"
#include <ole2.h>
#include <stdlib.h>

static LPCSTR Argument(LPCSTR name)
{
    for (int i = 1; i + 1 < __argc; ++i)
        if (lstrcmpiA(__argv[i], name) == 0)
            return __argv[i + 1];
    return NULL;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;

    // Plug-ins count on the host for these: the ComboBoxEx and list view
    // classes of their dialogs, and COM for the shell's folder picker.
    INITCOMMONCONTROLSEX controls = { sizeof controls,
        ICC_TREEVIEW_CLASSES | ICC_USEREX_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);
    OleInitialize(NULL);

    LPCSTR fixture = Argument("/fixture");
    if (fixture != NULL && !LoadFixture(fixture)) {
        char text[MAX_PATH + 64];
        wsprintfA(text, "ツリーの記述ファイルを読めません: %.259s", fixture);
        PrintLine(text);
        if (Argument("/tour") == NULL)
            MessageBoxA(NULL, text, "KESTRIN デモ", MB_OK | MB_ICONERROR);
        OleUninitialize();
        return 2;
    }

    HWND window = CreateMainWindow(instance, fixture != NULL ? "KESTRIN デモ - 記述ツリー" : "KESTRIN デモ");
    if (window == NULL) {
        OleUninitialize();
        return 1;
    }
    LPCSTR start = Argument("/open");
    if (start != NULL)
        OpenPath(start);
    ShowWindow(window, show);
    UpdateWindow(window);
    CreateMemoWindow(window);
    SetForegroundWindow(window);
    SetFocus(folderTree);

    LPCSTR tour = Argument("/tour");
    if (tour != NULL)
        StartTour(tour, start);

    HACCEL hotKeys = CreatePluginHotKeys();
    MSG message;
    int result = 0;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (hotKeys != NULL && TranslateAcceleratorA(window, hotKeys, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (message.message == WM_QUIT)
        result = (int)message.wParam;
    if (hotKeys != NULL)
        DestroyAcceleratorTable(hotKeys);
    OleUninitialize();
    return result;
}

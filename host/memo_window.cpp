// The memo: a small tool window beside the main window, on the same thread.
// A plug-in's modal dialog disables only the main window, so what is typed
// here while the dialog is open must stay here.
#include "host.h"

static LRESULT CALLBACK MemoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND edit = GetWindow(window, GW_CHILD);
    switch (message) {
    case WM_SIZE:
        MoveWindow(edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(edit);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMemoWindow(HWND owner)
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = MemoWindowProc;
    windowClass.hInstance = hostInstance;
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.lpszClassName = "KestrinDemoMemo";
    RegisterClassA(&windowClass);

    RECT frame;
    GetWindowRect(owner, &frame);
    HWND memo = CreateWindowExA(WS_EX_TOOLWINDOW, windowClass.lpszClassName, "メモ",
                                WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE,
                                frame.right + 8, frame.top, 180, 160, owner, NULL, hostInstance, NULL);
    if (memo == NULL)
        return NULL;
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL,
                                0, 0, 0, 0, memo, NULL, hostInstance, NULL);
    SendMessageA(edit, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    RECT client;
    GetClientRect(memo, &client);
    MoveWindow(edit, 0, 0, client.right, client.bottom, FALSE);
    return memo;
}

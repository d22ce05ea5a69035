// The shell's folder picker, opened on a given folder.
#include "settings_sheet/destination_page.h"
#include <shlobj.h>

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data)
{
    (void)lParam;
    if (message == BFFM_INITIALIZED && data != 0)
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

static int PickFolder(HWND owner, LPCSTR start, LPSTR out, int size)
{
    char displayName[MAX_PATH];
    BROWSEINFOA browse;
    ZeroMemory(&browse, sizeof browse);
    browse.hwndOwner = owner;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = "フォルダを選択して下さい";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    browse.lpfn = BrowseCallback;
    browse.lParam = (LPARAM)start;

    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (item == NULL)
        return 2;

    char path[MAX_PATH];
    BOOL havePath = SHGetPathFromIDListA(item, path);
    IMalloc *allocator = NULL;
    if (SUCCEEDED(SHGetMalloc(&allocator))) {
        allocator->Free(item);
        allocator->Release();
    }
    // A virtual folder has no file-system path: as good as nothing chosen.
    if (!havePath || path[0] == '\0')
        return 2;
    if (lstrlenA(path) < size)
        lstrcpynA(out, path, size);
    return 1;
}

// The picker needs a single-threaded apartment on this thread. A host that
// made it a multi-threaded one keeps it (RPC_E_CHANGED_MODE: the picker
// still runs), and only a call that succeeded is undone.
int BrowseForFolder(HWND owner, LPCSTR start, LPSTR out, int size)
{
    HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    int result = PickFolder(owner, start, out, size);
    if (SUCCEEDED(com))
        CoUninitialize();
    return result;
}

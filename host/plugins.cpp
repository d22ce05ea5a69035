// Plug-ins: every DLL in the "plugins" folder beside the host. Each one's
// GetFunctionInfo text is "description\ncaption"; the caption becomes a menu
// command and the description its status-bar help.
#include "host.h"

typedef int (WINAPI *GetFunctionInfoProc)(LPSTR info, LPSTR credit, WORD *value);
typedef int (WINAPI *DoProcessProc)(PluginCallRecord *record);

struct Plugin {
    HMODULE module;
    DoProcessProc doProcess;
    char fileName[MAX_PATH];
    char description[256];
    char caption[256];
};

static Plugin plugins[MaxPlugins];
static int pluginCount;
static BOOL running;

static BOOL PluginFolder(LPSTR out, int size)
{
    char exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, exe, sizeof exe);
    if (length == 0 || length >= sizeof exe)
        return FALSE;
    LPSTR slash = NULL;
    for (LPSTR p = exe; *p != '\0'; p = CharNextA(p))
        if (*p == '\\')
            slash = p;
    if (slash == NULL)
        return FALSE;
    slash[1] = '\0';
    if (lstrlenA(exe) + 9 > size)
        return FALSE;
    lstrcpynA(out, exe, size);
    lstrcatA(out, "plugins\\");
    return TRUE;
}

// Splits the info text at its line feed; a text without one is all caption.
static void SplitInfo(LPCSTR info, Plugin *plugin)
{
    LPCSTR feed = info;
    while (*feed != '\0' && *feed != '\n')
        feed = CharNextA(feed);
    if (*feed == '\n') {
        int length = (int)(feed - info) + 1;
        lstrcpynA(plugin->description, info, length < (int)sizeof plugin->description ? length : (int)sizeof plugin->description);
        lstrcpynA(plugin->caption, feed + 1, (int)sizeof plugin->caption);
    } else {
        plugin->description[0] = '\0';
        lstrcpynA(plugin->caption, info, (int)sizeof plugin->caption);
    }
}

static BOOL LoadPlugin(LPCSTR folder, LPCSTR fileName)
{
    char path[MAX_PATH];
    if (lstrlenA(folder) + lstrlenA(fileName) + 1 > (int)sizeof path || pluginCount >= MaxPlugins)
        return FALSE;
    lstrcpynA(path, folder, (int)sizeof path);
    lstrcatA(path, fileName);
    HMODULE module = LoadLibraryA(path);
    if (module == NULL)
        return FALSE;
    GetFunctionInfoProc getInfo = (GetFunctionInfoProc)(void *)GetProcAddress(module, "GetFunctionInfo");
    DoProcessProc doProcess = (DoProcessProc)(void *)GetProcAddress(module, "DoProcess");
    if (getInfo == NULL || doProcess == NULL) {
        FreeLibrary(module);
        return FALSE;
    }
    // Plug-ins write at least 50 bytes of info; the credit buffer's size is
    // the host's choice, and generous buffers cost nothing here.
    char info[512], credit[512];
    ZeroMemory(info, sizeof info);
    ZeroMemory(credit, sizeof credit);
    WORD value = 0;
    getInfo(info, credit, &value);
    info[sizeof info - 1] = '\0';

    Plugin *plugin = &plugins[pluginCount++];
    plugin->module = module;
    plugin->doProcess = doProcess;
    lstrcpynA(plugin->fileName, fileName, (int)sizeof plugin->fileName);
    SplitInfo(info, plugin);
    return TRUE;
}

int LoadPlugins(HMENU pluginMenu)
{
    char folder[MAX_PATH], pattern[MAX_PATH];
    if (!PluginFolder(folder, (int)sizeof folder) || lstrlenA(folder) + 6 > (int)sizeof pattern)
        return 0;
    lstrcpynA(pattern, folder, (int)sizeof pattern);
    lstrcatA(pattern, "*.dll");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                LoadPlugin(folder, found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    for (int i = 0; i < pluginCount; ++i) {
        char text[sizeof plugins[i].caption + 16];
        wsprintfA(text, lstrcmpiA(plugins[i].fileName, "KESTRIN.DLL") == 0 ? "%s\tCtrl+L" : "%s", plugins[i].caption);
        AppendMenuA(pluginMenu, MF_STRING, PluginMenuFirst + i, text);
    }
    if (pluginCount == 0)
        AppendMenuA(pluginMenu, MF_STRING | MF_GRAYED, PluginMenuFirst, "(プラグインがありません)");
    return pluginCount;
}

// A hot key runs its command as the key goes down, like a menu's access key:
// the key's release reaches whatever the command opens.
HACCEL CreatePluginHotKeys()
{
    UINT command = FindPluginCommand("KESTRIN.DLL");
    if (command == 0)
        return NULL;
    ACCEL hotKey = { FVIRTKEY | FCONTROL, 'L', (WORD)command };
    return CreateAcceleratorTableA(&hotKey, 1);
}

BOOL IsPluginCommand(UINT id)
{
    return id >= PluginMenuFirst && id < (UINT)(PluginMenuFirst + pluginCount);
}

LPCSTR PluginDescription(UINT id)
{
    return IsPluginCommand(id) ? plugins[id - PluginMenuFirst].description : NULL;
}

UINT FindPluginCommand(LPCSTR dllName)
{
    for (int i = 0; i < pluginCount; ++i)
        if (lstrcmpiA(plugins[i].fileName, dllName) == 0)
            return PluginMenuFirst + i;
    return 0;
}

// The record lives for the whole call and its path pointer is the host's own
// buffer, so the plug-in sees the folder change as soon as the tree moves.
void RunPlugin(UINT id)
{
    if (!IsPluginCommand(id) || running)
        return;
    PluginCallRecord record;
    ZeroMemory(&record, sizeof record);
    record.hwndOwner = mainWindow;
    record.hwndTree = folderTree;
    record.currentPath = currentPath;
    running = TRUE;
    plugins[id - PluginMenuFirst].doProcess(&record);
    running = FALSE;
    SetFocus(folderTree);
}

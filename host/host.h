// The demo file manager: an Explorer-style window (folder tree, path bar,
// file list, status bar) that loads plug-in DLLs from its "plugins" folder.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stddef.h>

// What the host hands a plug-in's DoProcess. The plug-in reads the owner, the
// tree and, at the sixth 32-bit field, the current folder; the three fields
// in between are the host's own and stay zero here.
struct PluginCallRecord {
    HWND hwndOwner;
    HWND hwndTree;
    DWORD unused[3];
    LPCSTR currentPath;
};
#if defined(__i386__)
static_assert(offsetof(PluginCallRecord, currentPath) == 5 * 4, "plug-ins read the path at the sixth field");
#elif defined(__x86_64__)
// The 64-bit twin of a plug-in is built from the same declaration.
static_assert(offsetof(PluginCallRecord, currentPath) == 32, "the sixth field on 64-bit");
#endif

enum {
    PluginMenuFirst = 40100,    // menu command of the first loaded plug-in
    MaxPlugins = 32,
    MenuExit = 40001,
    MenuRefresh = 40002,
    // Posted by the tour thread: the main thread runs these for it.
    HostOpenPath = WM_APP + 1,  // lParam: path; answered with TRUE when selected
    HostTourDone = WM_APP + 2,  // wParam: exit code
};

// main_window.cpp
extern HINSTANCE hostInstance;
extern HWND mainWindow;
extern HWND folderTree;
extern HWND pathBar;
extern HWND fileList;
extern HWND statusBar;
// The host's current folder, "C:\Dir\" form, or empty where the selection is
// not a file-system folder. Plug-ins read it through PluginCallRecord.
extern char currentPath[MAX_PATH];
void SetStatusText(LPCSTR text);
// Registers the window class, creates the window, loads the plug-ins and
// fills the top of the tree; the caller shows it.
HWND CreateMainWindow(HINSTANCE instance, LPCSTR title);

// fixture.cpp: a described tree instead of the real drives.
struct FixtureEntry {
    char name[MAX_PATH];    // drive label at depth 0, folder name below
    int parent;             // index of the parent entry, -1 for drives
};
BOOL LoadFixture(LPCSTR file);
BOOL FixtureLoaded();
int FixtureCount();
const FixtureEntry *FixtureAt(int index);
// Fills children (up to limit) with the indexes of index's children, sorted by
// name without regard to case; index -1 gives the drives in label order.
int FixtureChildren(int index, int *children, int limit);

// folder_tree.cpp
HWND CreateFolderTree(HWND parent, int id);
void FillTreeRoots();
LRESULT OnTreeNotify(NMHDR *header);
// Selects the folder of path ("C:\A\B\"), expanding the tree on the way.
BOOL OpenPath(LPCSTR path);
// The drive letter of a label such as "Data (D:)", or 0.
char DriveLetterOfLabel(LPCSTR label);

// file_list.cpp: the right-hand list of what the current folder holds.
HWND CreateFileList(HWND parent, int id);
// path "C:\A\" for a file-system folder, else NULL; fixtureIndex of the
// folder in fixture mode (-1 for a drive's children: see FixtureChildren).
void ShowFolderContents(LPCSTR path, BOOL fixture, int fixtureIndex);
// System image list indexes shared by the tree and the list.
int FolderImage(BOOL open);

// plugins.cpp
int LoadPlugins(HMENU pluginMenu);
// The host's hot keys: Ctrl+L runs KESTRIN.DLL's command. NULL without it.
HACCEL CreatePluginHotKeys();
BOOL IsPluginCommand(UINT id);
void RunPlugin(UINT id);
LPCSTR PluginDescription(UINT id);
UINT FindPluginCommand(LPCSTR dllName);

// memo_window.cpp: a second top-level window of the host's thread, which a
// plug-in's modal dialog leaves usable.
HWND CreateMemoWindow(HWND owner);

// tour.cpp: the scripted walk through the plug-in for screenshots.
void StartTour(LPCSTR outputFolder, LPCSTR startPath);

// text.cpp
// Converts between UTF-8 (fixture files, console) and the ANSI code page.
BOOL Utf8ToAnsi(LPCSTR utf8, LPSTR out, int size);
BOOL AnsiToUtf8(LPCSTR ansi, LPSTR out, int size);
// Writes a line to the console in UTF-8, for the scripted runs.
void PrintLine(LPCSTR ansiText);

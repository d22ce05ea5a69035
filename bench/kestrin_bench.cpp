// Times KESTRIN against floors taken in the same run and prints a table:
// the change-drive dialog against its own template shown with a procedure
// that does nothing, and the drive change's walk against reading each item
// it passes once. Then the size and imports of the DLLs, read from their
// files, and the targets missed; the exit status is their number.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "changer/drive_change.h"
#include "plugin/plugin.h"
#include "plugin/settings.h"
#include "support/pe_file.h"
#include "support/plugin_copy.h"
#include "tree/host_tree.h"

namespace {

const int Runs = 15;
const int Depth = 32, Siblings = 5000;

double Now()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// --- A minimal host: a window that owns the dialog and a tree inside it.

double readyAt;
int readyEntries = -1;

// A modal dialog sends WM_ENTERIDLE to its owner once its queue is empty:
// it is shown, painted and waiting for the user.
LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && readyAt == 0) {
        HWND dialog = (HWND)lParam;
        if (IsWindowVisible(dialog)) {
            readyAt = Now();
            HWND list = GetDlgItem(dialog, 1001);
            readyEntries = list ? (int)SendMessageA(list, CB_GETCOUNT, 0, 0) : 0;
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct Host {
    HWND window, tree;
    HIMAGELIST images;
    ProcessInfo info{};
    char currentPath[MAX_PATH] = "C:\\";

    Host()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = HostProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KestrinBenchHost";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "KestrinBenchHost", "Bench host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                                 480, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES, 0, 0,
                               460, 360, window, nullptr, GetModuleHandleA(nullptr), nullptr);
        images = ImageList_Create(16, 16, ILC_COLOR24, 4, 0);
        HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, nullptr);
        for (int i = 0; i < 4; ++i)
            ImageList_Add(images, bitmap, nullptr);
        DeleteObject(bitmap);
        SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)images);
        info.hwndOwner = window;
        info.hwndTree = tree;
        info.currentPath = currentPath;
    }
    ~Host()
    {
        DestroyWindow(window);
        ImageList_Destroy(images);
    }
    HTREEITEM Add(HTREEITEM parent, const char *text, int image = 0)
    {
        TVINSERTSTRUCTA insert{};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.pszText = const_cast<char *>(text);
        insert.item.iImage = insert.item.iSelectedImage = image;
        return (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    }
    // Desktop, My Computer and 26 drives; returns drive C.
    HTREEITEM AddDrives()
    {
        char desktop[MAX_PATH], computer[MAX_PATH];
        GetSpecialFolderName(CSIDL_DESKTOP, desktop, sizeof desktop);
        GetSpecialFolderName(CSIDL_DRIVES, computer, sizeof computer);
        HTREEITEM drives = Add(Add(TVI_ROOT, desktop), computer, 1), c = 0;
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            char label[32];
            wsprintfA(label, "ローカル ディスク (%c:)", letter);
            HTREEITEM drive = Add(drives, label, 2);
            if (letter == 'C')
                c = drive;
        }
        return c;
    }
};

// --- Dialog ready latency.

INT_PTR CALLBACK EmptyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        EndDialog(dialog, 2);
    return message == WM_INITDIALOG;
}

struct Row {
    const char *name;
    double product, floor, target;
    std::string note;
};

// The floor is the dialog's own template and controls with none of the
// plug-in's code behind them: what is left is the plug-in's own cost. The
// empty dialog of the same size and font is kept as a note.
Row DialogReady()
{
    PluginCopy plugin;
    if (plugin.module() == nullptr) {
        fprintf(stderr, "cannot load %s\n", KESTRIN_DLL_PATH);
        exit(1);
    }

    Host host;
    host.AddDrives();
    std::vector<double> product, floor, empty;
    int entries = -1;
    for (int run = 0; run < Runs + 1; ++run) {
        readyAt = 0;
        double start = Now();
        plugin.DoProcess(&host.info);
        entries = readyEntries;
        if (run > 0)   // the first run loads fonts and classes for all three
            product.push_back(readyAt - start);

        readyAt = 0;
        start = Now();
        DialogBoxParamA(plugin.module(), MAKEINTRESOURCEA(101), host.window, EmptyDialogProc, 0);
        if (run > 0)
            floor.push_back(readyAt - start);

        readyAt = 0;
        start = Now();
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100), host.window, EmptyDialogProc, 0);
        if (run > 0)
            empty.push_back(readyAt - start);
    }
    char note[96];
    sprintf(note, "%d entries listed; an empty dialog of its size and font: %.1f ms", entries, Median(empty));
    return {"dialog ready, 26 drives", Median(product), Median(floor), 1.2, note};
}

// --- The walk: a configured folder 32 levels down, 5,000 siblings a level,
// the target last at each level.

Row Walk()
{
    Host host;
    HTREEITEM drive = host.AddDrives();
    std::string path = "C:\\";
    std::vector<HTREEITEM> levels;   // first child of each level
    HTREEITEM parent = drive, target = 0;
    for (int level = 0; level < Depth; ++level) {
        char name[32];
        HTREEITEM first = 0;
        for (int i = 0; i < Siblings - 1; ++i) {
            wsprintfA(name, "f%02d-%04d", level, i);
            HTREEITEM item = host.Add(parent, name, 3);
            if (first == 0)
                first = item;
        }
        wsprintfA(name, "t%02d", level);   // the path must fit 259 bytes
        target = host.Add(parent, name, 3);
        levels.push_back(first);
        path += std::string(name) + "\\";
        parent = target;
    }

    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string ini = std::string(folder) + "kestrin-bench.ini";
    std::string configured = "[Path]\r\nC=" + path + "\r\n";
    HANDLE file = CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, configured.data(), (DWORD)configured.size(), &written, nullptr);
    CloseHandle(file);
    ResetSettings();
    lstrcpynA(settingsPath, ini.c_str(), sizeof settingsPath);

    // Ctrl held: the configured folder.
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    HTREEITEM firstDrive = FindFirstDriveItem(host.tree);
    std::vector<double> product, floor;
    double cold = 0;
    for (int run = 0; run < 4; ++run) {
        double start = Now();
        int moved = ChangeDrive('C', host.tree, "C:\\", firstDrive, host.window);
        double took = Now() - start;
        if (moved != 1 || (HTREEITEM)SendMessageA(host.tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != target) {
            fprintf(stderr, "the walk did not reach the target\n");
            exit(1);
        }
        if (run == 0)
            cold = took;   // expands the 32 levels for the first time
        else
            product.push_back(took);

        start = Now();
        int read = 0;
        for (HTREEITEM first : levels)
            for (HTREEITEM item = first; item != 0;
                 item = (HTREEITEM)SendMessageA(host.tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
                char text[ItemTextSize];
                TVITEMA get{};
                get.mask = TVIF_TEXT;
                get.hItem = item;
                get.pszText = text;
                get.cchTextMax = sizeof text;
                read += (int)SendMessageA(host.tree, TVM_GETITEMA, 0, (LPARAM)&get);
            }
        floor.push_back(Now() - start);
        if (read != Depth * Siblings)
            fprintf(stderr, "read %d items\n", read);
    }
    ZeroMemory(keys, sizeof keys);
    SetKeyboardState(keys);
    DeleteFileA(ini.c_str());
    char note[64];
    sprintf(note, "first walk (expanding) %.0f ms", cold);
    return {"walk 32 x 5,000", Median(product), Median(floor), 1.3, note};
}

// Size and imports of each DLL the tests check, read from the files; the
// shipped one must stay within 64 KiB.
void DescribeDlls(std::vector<std::string> &missed)
{
    for (const BuiltDll &dll : BuiltDlls()) {
        PeFile pe(dll.path);
        printf("\n## KESTRIN.DLL, %s\n", dll.shipped ? "shipped (i686; target at most 64 KiB)" : "64-bit twin");
        if (!pe.Valid()) {
            printf("- %s: not a PE file\n", dll.path);
            missed.push_back(std::string(dll.path) + " is not a PE file");
            continue;
        }
        printf("- size: %u bytes (%u KiB)\n", (unsigned)pe.size(), (unsigned)((pe.size() + 1023) / 1024));
        printf("- imports:\n");
        for (const PeFile::Import &import : pe.Imports())
            printf("  - %s: %u functions\n", import.module.c_str(), (unsigned)import.functions.size());
        if (dll.shipped && pe.size() > 64 * 1024) {
            missed.push_back("the shipped KESTRIN.DLL is " + std::to_string(pe.size()) + " bytes, over 64 KiB");
        }
    }
}

}  // namespace

int main()
{
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_USEREX_CLASSES |
                                                          ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);

    std::vector<Row> rows = {DialogReady(), Walk()};
    printf("| measure | KESTRIN (ms) | floor (ms) | ratio | target | note |\n");
    printf("|---|---:|---:|---:|---:|---|\n");
    std::vector<std::string> missed;
    for (const Row &row : rows) {
        double ratio = row.product / row.floor;
        printf("| %s | %.1f | %.1f | %.2f | %.1f | %s |\n", row.name, row.product, row.floor, ratio, row.target,
               row.note.c_str());
        if (ratio > row.target) {
            char text[128];
            sprintf(text, "%s: %.2fx its floor, target %.1fx", row.name, ratio, row.target);
            missed.push_back(text);
        }
    }
    DescribeDlls(missed);
    printf("\n## Targets\n");
    if (missed.empty())
        printf("- all met\n");
    for (const std::string &text : missed)
        printf("- missed: %s\n", text.c_str());
    OleUninitialize();
    return (int)missed.size();
}

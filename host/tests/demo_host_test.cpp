// Checks the demo host against what a plug-in relies on: the fixture file
// rules, the top of the tree named by the shell, drives labelled with their
// letter, children filled on expansion, and the current path following the
// tree's selection.
#include "host.h"
#include <shellapi.h>
#include <shlobj.h>
#include <ole2.h>
#include <stdio.h>

static int failures;

static void Fail(const char *file, int line, const char *what, const char *expected, const char *actual)
{
    char text[1024], utf8[2048];
    wsprintfA(text, "%s:%d: %s: expected \"%.400s\", got \"%.400s\"", file, line, what, expected, actual);
    AnsiToUtf8(text, utf8, (int)sizeof utf8);
    printf("%s\n", utf8);
    ++failures;
}

static void ExpectText(const char *file, int line, const char *what, const char *expected, const char *actual)
{
    if (lstrcmpA(expected, actual) != 0)
        Fail(file, line, what, expected, actual);
}
#define EXPECT_TEXT(what, expected, actual) ExpectText(__FILE__, __LINE__, what, expected, actual)

static void ExpectNumber(const char *file, int line, const char *what, int expected, int actual)
{
    if (expected != actual) {
        char e[16], a[16];
        wsprintfA(e, "%d", expected);
        wsprintfA(a, "%d", actual);
        Fail(file, line, what, e, a);
    }
}
#define EXPECT_NUMBER(what, expected, actual) ExpectNumber(__FILE__, __LINE__, what, expected, actual)

static char fixtureFile[MAX_PATH];

static BOOL WriteFixture(const char *utf8)
{
    HANDLE file = CreateFileA(fixtureFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    WriteFile(file, utf8, (DWORD)lstrlenA(utf8), &written, NULL);
    CloseHandle(file);
    return TRUE;
}

static BOOL LoadText(const char *utf8)
{
    return WriteFixture(utf8) && LoadFixture(fixtureFile);
}

static void TestFixtureRules()
{
    static const struct {
        const char *name;
        const char *text;
        BOOL loads;
        int entries;
    } cases[] = {
        { "drive with nested folders", "C (C:)\n  A\n    B\n  C\n", TRUE, 4 },
        { "BOM, CRLF, comments and blank lines", "\xEF\xBB\xBF# top\r\nC (C:)\r\n\r\n  # inner\r\n  A  \r\n", TRUE, 2 },
        { "drive line without a letter", "Disk\n", FALSE, 0 },
        { "lowercase drive letter", "Disk (c:)\n", FALSE, 0 },
        { "folder before any drive", "  A\n", FALSE, 0 },
        { "folder two levels deeper than its parent", "C (C:)\n    A\n", FALSE, 0 },
        { "empty file", "", TRUE, 0 },
    };
    for (const auto &c : cases) {
        BOOL loaded = LoadText(c.text);
        if (loaded != c.loads)
            Fail(__FILE__, __LINE__, c.name, c.loads ? "loads" : "refused", loaded ? "loads" : "refused");
        else if (loaded)
            EXPECT_NUMBER(c.name, c.entries, FixtureCount());
    }

    // UTF-8 names arrive in the host's code page; trailing blanks are cut.
    LoadText(u8"データ (D:)\n  写真 \n");
    EXPECT_TEXT("drive label in code page 932", "データ (D:)", FixtureAt(0) ? FixtureAt(0)->name : "");
    EXPECT_TEXT("folder name in code page 932", "写真", FixtureAt(1) ? FixtureAt(1)->name : "");
    EXPECT_NUMBER("parent of the folder", 0, FixtureAt(1) ? FixtureAt(1)->parent : -2);
}

static void TestFixtureOrder()
{
    LoadText("E (E:)\nC (C:)\n  gamma\n  Alpha\n  beta\nD (D:)\n");
    int children[8];
    char order[64] = "";
    int count = FixtureChildren(-1, children, 8);
    for (int i = 0; i < count; ++i)
        order[i] = DriveLetterOfLabel(FixtureAt(children[i])->name);
    order[count] = '\0';
    EXPECT_TEXT("drives in letter order", "CDE", order);

    order[0] = '\0';
    count = FixtureChildren(children[0], children, 8);
    for (int i = 0; i < count; ++i) {
        lstrcatA(order, FixtureAt(children[i])->name);
        lstrcatA(order, " ");
    }
    EXPECT_TEXT("folders by name, case ignored", "Alpha beta gamma ", order);
    EXPECT_NUMBER("a limit of 2 stops at 2", 2, FixtureChildren(-1, children, 2));
}

static void TestDriveLabels()
{
    static const struct { const char *label; char letter; } cases[] = {
        { "ローカル ディスク (C:)", 'C' },
        { "Backup (D:) (E:)", 'D' },
        { "Disk (d:)", 0 },
        { "D:)", 0 },
        { "(Z:)", 'Z' },
        { "", 0 },
    };
    for (const auto &c : cases) {
        char expected[2] = { c.letter, '\0' }, actual[2] = { DriveLetterOfLabel(c.label), '\0' };
        ExpectText(__FILE__, __LINE__, c.label, expected, actual);
    }
}

static HTREEITEM Next(HTREEITEM item, UINT how)
{
    return (HTREEITEM)SendMessageA(folderTree, TVM_GETNEXTITEM, how, (LPARAM)item);
}

static void ItemText(HTREEITEM item, LPSTR text, int size)
{
    TVITEMA tv;
    ZeroMemory(&tv, sizeof tv);
    tv.mask = TVIF_TEXT | TVIF_HANDLE;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = size;
    text[0] = '\0';
    if (item == NULL || SendMessageA(folderTree, TVM_GETITEMA, 0, (LPARAM)&tv) != 1)
        text[0] = '\0';
}

static int ChildFlag(HTREEITEM item)
{
    TVITEMA tv;
    ZeroMemory(&tv, sizeof tv);
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = item;
    SendMessageA(folderTree, TVM_GETITEMA, 0, (LPARAM)&tv);
    return tv.cChildren;
}

// The children's texts joined by "|", the way the plug-in would read them.
static void ChildTexts(HTREEITEM parent, LPSTR out, int size)
{
    out[0] = '\0';
    for (HTREEITEM item = Next(parent, TVGN_CHILD); item != NULL; item = Next(item, TVGN_NEXT)) {
        char text[MAX_PATH];
        ItemText(item, text, (int)sizeof text);
        if (lstrlenA(out) + lstrlenA(text) + 2 > size)
            break;
        if (out[0] != '\0')
            lstrcatA(out, "|");
        lstrcatA(out, text);
    }
}

static HTREEITEM ChildNamed(HTREEITEM parent, LPCSTR name)
{
    for (HTREEITEM item = Next(parent, TVGN_CHILD); item != NULL; item = Next(item, TVGN_NEXT)) {
        char text[MAX_PATH];
        ItemText(item, text, (int)sizeof text);
        if (lstrcmpA(text, name) == 0)
            return item;
    }
    return NULL;
}

// The shell's name through another door than the host's own.
static void ShellName(int folderId, LPSTR out)
{
    out[0] = '\0';
    LPITEMIDLIST idList = NULL;
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, folderId, &idList))) {
        SHFILEINFOA info;
        ZeroMemory(&info, sizeof info);
        if (SHGetFileInfoA((LPCSTR)idList, 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME))
            lstrcpynA(out, info.szDisplayName, MAX_PATH);
        CoTaskMemFree(idList);
    }
}

static const char DemoTree[] =
    u8"データ (D:)\n"
    u8"  Projects\n"
    u8"    kestrin\n"
    u8"      src\n"
    u8"    website\n"
    u8"  写真\n"
    u8"ローカル ディスク (C:)\n"
    u8"  Windows\n";

static void TestTreeTop(HTREEITEM *drives)
{
    char expected[MAX_PATH], text[1024];
    HTREEITEM desktop = Next(NULL, TVGN_ROOT);
    ShellName(CSIDL_DESKTOP, expected);
    ItemText(desktop, text, (int)sizeof text);
    EXPECT_TEXT("root item is the shell's Desktop", expected, text);
    EXPECT_NUMBER("Desktop is the only root", 0, Next(desktop, TVGN_NEXT) != NULL);

    HTREEITEM computer = Next(desktop, TVGN_CHILD);
    ShellName(CSIDL_DRIVES, expected);
    ItemText(computer, text, (int)sizeof text);
    EXPECT_TEXT("Desktop's child is the shell's My Computer", expected, text);

    ChildTexts(computer, text, (int)sizeof text);
    EXPECT_TEXT("drives in letter order", "ローカル ディスク (C:)|データ (D:)", text);
    EXPECT_NUMBER("the tree has a normal image list", 1,
                  SendMessageA(folderTree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0) != 0);
    *drives = Next(computer, TVGN_CHILD);
}

static void TestLazyFill(HTREEITEM driveC)
{
    HTREEITEM driveD = Next(driveC, TVGN_NEXT);
    EXPECT_NUMBER("drive D is not read before it is opened", 0, Next(driveD, TVGN_CHILD) != NULL);
    EXPECT_NUMBER("but shows a button", 1, ChildFlag(driveD));

    SendMessageA(folderTree, TVM_EXPAND, TVE_EXPAND, (LPARAM)driveD);
    char text[1024];
    ChildTexts(driveD, text, (int)sizeof text);
    EXPECT_TEXT("TVM_EXPAND fills drive D", "Projects|写真", text);

    HTREEITEM photos = ChildNamed(driveD, "写真");
    EXPECT_NUMBER("an empty folder has no button", 0, ChildFlag(photos));
}

static void TestSelection(HTREEITEM driveC)
{
    HTREEITEM driveD = Next(driveC, TVGN_NEXT);
    HTREEITEM projects = ChildNamed(driveD, "Projects");
    SendMessageA(folderTree, TVM_EXPAND, TVE_EXPAND, (LPARAM)projects);
    HTREEITEM kestrin = ChildNamed(projects, "kestrin");
    char bar[MAX_PATH];

    SendMessageA(folderTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)kestrin);
    EXPECT_TEXT("selecting a folder moves the host", "D:\\Projects\\kestrin\\", currentPath);
    GetWindowTextA(pathBar, bar, sizeof bar);
    EXPECT_TEXT("the path bar follows", "D:\\Projects\\kestrin\\", bar);

    // The plug-in clears the selection before selecting its target.
    SendMessageA(folderTree, TVM_SELECTITEM, TVGN_CARET, 0);
    EXPECT_TEXT("no selection keeps the folder", "D:\\Projects\\kestrin\\", currentPath);
    SendMessageA(folderTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)driveC);
    EXPECT_TEXT("a drive's path is its root", "C:\\", currentPath);

    SendMessageA(folderTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)Next(NULL, TVGN_ROOT));
    EXPECT_TEXT("Desktop is no file-system folder", "", currentPath);

    EXPECT_NUMBER("OpenPath ignores case", TRUE, OpenPath("d:\\PROJECTS\\Kestrin\\src\\"));
    EXPECT_TEXT("OpenPath selects the folder", "D:\\Projects\\kestrin\\src\\", currentPath);
    EXPECT_NUMBER("OpenPath of a missing folder", FALSE, OpenPath("D:\\Projects\\kes\\"));
    EXPECT_TEXT("a failed OpenPath stays", "D:\\Projects\\kestrin\\src\\", currentPath);
}

int main()
{
    OleInitialize(NULL);
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES };
    InitCommonControlsEx(&controls);
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    GetTempFileNameA(folder, "kst", 0, fixtureFile);

    TestFixtureRules();
    TestFixtureOrder();
    TestDriveLabels();

    if (!LoadText(DemoTree)) {
        printf("could not load the test tree\n");
        ++failures;
    } else if (CreateMainWindow(GetModuleHandleA(NULL), "test") == NULL) {
        printf("could not create the host window\n");
        ++failures;
    } else {
        HTREEITEM driveC = NULL;
        TestTreeTop(&driveC);
        if (driveC != NULL) {
            TestLazyFill(driveC);
            TestSelection(driveC);
        }
        DestroyWindow(mainWindow);
    }
    DeleteFileA(fixtureFile);
    OleUninitialize();
    printf(failures == 0 ? "demo host: all passed\n" : "demo host: %d failed\n", failures);
    return failures == 0 ? 0 : 1;
}

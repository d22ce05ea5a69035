// A settings file that cannot be written, is a folder, or vanishes while the
// dialog is open, and a module folder too long for the settings path: the
// plug-in keeps working, writes nowhere else, a failed write leaves the file
// as it was, and the sheet says when it could not save.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include "changer/drive_change.h"
#include "plugin/settings.h"
#include "support/keyboard.h"
#include "support/message_boxes.h"
#include "support/modal_script.h"
#include "support/sheet_driver.h"
#include "support/plugin_copy.h"
#include "support/test_host.h"
#include "tree/host_tree.h"

namespace {

const char Tree[] =
    "@desktop\n"
    "  @computer\n"
    "    ローカル ディスク (C:)\n"
    "      Windows\n"
    "    Data (D:)\n"
    "      Work\n";

const char Settings[] =
    "[Behavior]\r\nState=7\r\nPathNotFind=2\r\n[EnterAction]\r\nNormal=0\r\nShift=1\r\nCtrl=2\r\n"
    "[Path]\r\nD=D:\\Work\\\r\n[Current]\r\nC=C:\\Windows\\\r\n";

// DoProcess, the settings sheet with its second page shown, OK (every page
// saves; a save that fails keeps the sheet open), Cancel, then the dialog
// cancelled. Returns the messages shown.
std::vector<ShownMessage> RunSheetOk(const PluginCopy &plugin, TestHost &host)
{
    MessageBoxWatch boxes;
    SheetWindows windows;
    ModalScript script;
    OpenSheet(script, windows)
        .Then([&] {
            ShowPage(windows.sheet, DestinationPageIndex);
            PostMessageA(windows.sheet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(windows.sheet, IDOK));
            return true;
        })
        .Pause(500);
    CloseSheet(script, windows, IDCANCEL);
    CloseDialog(script, windows);
    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut()) << "stopped after step " << script.stepsDone();
    return boxes.shown;
}


TEST(Faults, ReadOnlyFileKeepsItsContents)
{
    PluginCopy plugin;
    plugin.WriteIni(Settings);
    ASSERT_TRUE(SetFileAttributesA(plugin.iniPath().c_str(), FILE_ATTRIBUTE_READONLY));
    // Under Wine a root user may write a read-only file; another program
    // holding it open without write sharing stops every writer.
    HANDLE lock = CreateFileA(plugin.iniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    TestHost host(Tree);
    host.SetCurrentPath("D:\\Work\\");

    EXPECT_EQ(RunSheetOk(plugin, host).size(), 1u) << "the failed save is told, once";
    LoadSettingsOf(plugin);
    EXPECT_EQ(settings.State, 7);
    EXPECT_EQ(ChangeDrive('C', host.tree(), host.currentPath().c_str(), FindFirstDriveItem(host.tree()),
                          host.window()), 1);
    EXPECT_EQ(host.SelectedPath(), "C:\\");
    EXPECT_EQ(plugin.ReadIni(), Settings);
    EXPECT_EQ(FilesIn(plugin.folder()), (std::set<std::string>{"KESTRIN.DLL", "KESTRIN.INI"}));
    EXPECT_FALSE(StraySettingsFile());
    CloseHandle(lock);
    SetFileAttributesA(plugin.iniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Faults, FolderInPlaceOfTheFile)
{
    PluginCopy plugin;
    ASSERT_TRUE(CreateDirectoryA(plugin.iniPath().c_str(), nullptr));
    TestHost host(Tree);
    host.SetCurrentPath("D:\\Work\\");

    EXPECT_EQ(RunSheetOk(plugin, host).size(), 1u) << "the failed save is told, once";
    // Something exists there, so nothing is created and every key reads 0.
    LoadSettingsOf(plugin);
    EXPECT_EQ(settings.State, 0);
    EXPECT_EQ(settings.Shift, 0);
    SetModifiers(true, false);
    int moved = ChangeDrive('C', host.tree(), host.currentPath().c_str(), FindFirstDriveItem(host.tree()),
                            host.window());
    SetModifiers(false, false);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(host.SelectedPath(), "C:\\");
    EXPECT_TRUE(GetFileAttributesA(plugin.iniPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(FilesIn(plugin.iniPath() + "\\").empty());
    EXPECT_EQ(FilesIn(plugin.folder()), (std::set<std::string>{"KESTRIN.DLL", "KESTRIN.INI"}));
    EXPECT_FALSE(StraySettingsFile());
}

TEST(Faults, FileDeletedWhileDialogIsOpen)
{
    PluginCopy plugin;
    plugin.WriteIni(Settings);
    TestHost host(Tree);
    host.SetCurrentPath("D:\\Work\\");
    MessageBoxWatch boxes;
    ModalScript script;
    script.WaitForWindow("ドライブの変更")
        .Then([&] { return DeleteFileA(plugin.iniPath().c_str()) != FALSE; })
        .Then([&] { PostMessageA(script.window(), WM_COMMAND, IDOK, 0); return true; });
    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut());
    EXPECT_EQ(host.SelectedPath(), "D:\\");
    // Only the folder being left comes back; nothing of the lost file does.
    std::string file = plugin.ReadIni();
    EXPECT_NE(file.find("D=D:\\Work\\"), std::string::npos) << file;
    EXPECT_EQ(file.find("Behavior"), std::string::npos) << file;
    EXPECT_EQ(FilesIn(plugin.folder()), (std::set<std::string>{"KESTRIN.DLL", "KESTRIN.INI"}));
}

// A module folder whose path leaves the module's full name just under or
// over 260 bytes. Loaded through the wide API, which takes longer names.
TEST(Faults, LongModuleFolder)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    for (size_t folderLength : {246u, 252u}) {
        std::string folder = std::string(temp) + "kestrin-long-";
        folder += std::string(folderLength - folder.size(), 'f');
        std::string module = folder + "\\KESTRIN.DLL";
        bool fits = module.size() < MAX_PATH;
        SCOPED_TRACE("module path of " + std::to_string(module.size()) + " bytes");
        auto wide = [](const std::string &text) {
            wchar_t out[1024];
            MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out, 1024);
            return std::wstring(out);
        };
        CreateDirectoryW(wide(folder).c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(wide(KESTRIN_DLL_PATH).c_str(), wide(module).c_str(), FALSE));
        HMODULE loaded = LoadLibraryW(wide(module).c_str());
        ASSERT_NE(loaded, nullptr);
        auto doProcess = (int(WINAPI *)(ProcessInfo *))(void *)GetProcAddress(loaded, "DoProcess");

        TestHost host(Tree);
        host.SetCurrentPath("D:\\Work\\");
        ModalScript script;
        script.WaitForWindow("ドライブの変更").Then([&] {
            PostMessageA(script.window(), WM_COMMAND, IDOK, 0);
            return true;
        });
        EXPECT_EQ(doProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
        EXPECT_EQ(host.SelectedPath(), "D:\\");

        FreeLibrary(loaded);
        bool written = GetFileAttributesW(wide(folder + "\\KESTRIN.INI").c_str()) != INVALID_FILE_ATTRIBUTES;
        EXPECT_EQ(written, fits) << "the settings file beside the module";
        EXPECT_FALSE(StraySettingsFile());
        DeleteFileW(wide(folder + "\\KESTRIN.INI").c_str());
        DeleteFileW(wide(module).c_str());
        RemoveDirectoryW(wide(folder).c_str());
    }
}

}  // namespace

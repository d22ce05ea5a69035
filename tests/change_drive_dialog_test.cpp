// The change-drive dialog of the loaded DLL, driven like a user would: real
// key presses while the host's DoProcess call runs the dialog.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "support/keyboard.h"
#include "support/message_boxes.h"
#include "support/modal_script.h"
#include "support/plugin_copy.h"
#include "support/test_host.h"

namespace {

const char Title[] = "ドライブの変更";

// Drives out of text order (the list must keep the tree's order), a
// lowercase label and a non-drive item the list must leave out.
const char DrivesTree[] =
    "@desktop\n"
    "  @computer\n"
    "    3.5 インチ FD (A:)\n"
    "    ローカル ディスク (C:)\n"
    "      Windows\n"
    "    Disk (d:)\n"
    "    Data (D:)\n"
    "      Temp\n"
    "      Work\n"
    "        Deep\n"
    "    Media (E:)\n"
    "      Music\n"
    "        Jazz\n"
    "    コントロール パネル\n"
    "  ネットワーク\n";

// No C, so on Wine neither the Windows drive nor F is listed.
const char NoSystemDriveTree[] =
    "@desktop\n"
    "  @computer\n"
    "    3.5 インチ FD (A:)\n"
    "    Data (D:)\n"
    "    Media (E:)\n";

// Remembered D:\Work\ and E:\Music\, configured D:\Work\Deep\ and
// E:\Music\Jazz\; CtrlShift in the file must be ignored.
std::string Ini(int normal, int shift, int ctrl)
{
    char text[512];
    wsprintfA(text,
              "[Behavior]\r\nState=6\r\nPathNotFind=1\r\nSetPathNotFind=2\r\nNonSetPath=0\r\n"
              "[EnterAction]\r\nNormal=%d\r\nShift=%d\r\nCtrl=%d\r\nCtrlShift=2\r\n"
              "[Current]\r\nD=D:\\Work\\\r\nE=E:\\Music\\\r\n"
              "[Path]\r\nD=D:\\Work\\Deep\\\r\nE=E:\\Music\\Jazz\\\r\n",
              normal, shift, ctrl);
    return text;
}

std::string IniValue(const PluginCopy &plugin, const char *section, const char *key)
{
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, plugin.iniPath().c_str());
    return value;
}

// Waits for the dialog and makes it the foreground window, so that real
// key presses reach it.
ModalScript &OpenForTyping(ModalScript &script)
{
    return script.WaitForWindow(Title)
        .Then([&script] { SetForegroundWindow(script.window()); return true; })
        .Pause(100);
}

// Keeps the script going until the dialog has ended, so a dialog that stays
// open by mistake is cancelled and reported as a timeout instead of hanging.
void UntilClosed(ModalScript &script)
{
    script.timeout = 5000;
    script.Then([] { return FindThreadDialog(Title) == nullptr; });
}

void PressWith(WORD key, const std::vector<WORD> &modifiers)
{
    for (WORD modifier : modifiers)
        KeyDown(modifier);
    KeyDown(key);
    KeyUp(key);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        KeyUp(*it);
}

struct DriveEntry {
    std::string text;
    int image;
    int selectedImage;
    LPARAM letter;
    bool operator==(const DriveEntry &other) const
    {
        return text == other.text && image == other.image && selectedImage == other.selectedImage
            && letter == other.letter;
    }
};

void PrintTo(const DriveEntry &e, std::ostream *out)
{
    *out << "{" << e.text << ", image " << e.image << "/" << e.selectedImage << ", data " << e.letter << "}";
}

std::vector<DriveEntry> ReadDriveList(HWND combo)
{
    std::vector<DriveEntry> entries;
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        COMBOBOXEXITEMA entry{};
        entry.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
        entry.iItem = i;
        entry.pszText = text;
        entry.cchTextMax = sizeof text;
        SendMessageA(combo, CBEM_GETITEMA, 0, (LPARAM)&entry);
        entries.push_back({text, entry.iImage, entry.iSelectedImage, entry.lParam});
    }
    return entries;
}

// The dialog's controls in template order as "class text", with the ID in
// place of the text for the drive list and the path field.
std::vector<std::string> ControlsOf(HWND dialog)
{
    std::vector<std::string> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[64] = "", text[256] = "";
        GetClassNameA(child, className, sizeof className);
        int id = GetDlgCtrlID(child);
        if (id == 1000 || id == 1001)
            wsprintfA(text, "%d", id);
        else
            GetWindowTextA(child, text, sizeof text);
        controls.push_back(std::string(className) + " " + text);
    }
    return controls;
}

// The dialog control that holds the focus (the drive list's inner combo box
// counts as the drive list).
int FocusedControl(HWND dialog)
{
    HWND focus = GetFocus();
    while (focus != nullptr && GetParent(focus) != dialog)
        focus = GetParent(focus);
    return focus ? GetDlgCtrlID(focus) : 0;
}

// Records the keys that reach a thread keyboard hook installed before the
// plug-in's, which sees them only when the plug-in passes them on.
class KeyWatch {
public:
    KeyWatch() { active = this; hook_ = SetWindowsHookExA(WH_KEYBOARD, Proc, nullptr, GetCurrentThreadId()); }
    ~KeyWatch() { UnhookWindowsHookEx(hook_); active = nullptr; }
    std::string seen;   // one character per event: the key, lowercase on release

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && active != nullptr && wParam >= 'A' && wParam <= 'Z')
            active->seen += (char)((lParam & 0x80000000) ? wParam - 'A' + 'a' : wParam);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static KeyWatch *active;
    HHOOK hook_;
};
KeyWatch *KeyWatch::active = nullptr;

// Counts access violations as they are raised. Wine swallows an exception
// raised inside a hook, so a call into a freed DLL shows nowhere else.
class FaultWatch {
public:
    FaultWatch() { faults = 0; handler_ = AddVectoredExceptionHandler(1, Count); }
    ~FaultWatch() { RemoveVectoredExceptionHandler(handler_); }
    static LONG faults;

private:
    static LONG CALLBACK Count(EXCEPTION_POINTERS *exception)
    {
        if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
            InterlockedIncrement(&faults);
        return EXCEPTION_CONTINUE_SEARCH;
    }
    PVOID handler_;
};
LONG FaultWatch::faults = 0;

// While a nested run is under way: ends any change-drive dialog but the
// first, so that a second dialog shows as a failure instead of a hang.
HWND firstDialog;
bool secondDialogOpened;

BOOL CALLBACK CancelOtherDialog(HWND window, LPARAM)
{
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (window != firstDialog && IsWindowVisible(window) && lstrcmpA(title, Title) == 0) {
        secondDialogOpened = true;
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    }
    return TRUE;
}

void CALLBACK EndSecondDialog(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), CancelOtherDialog, 0);
}

TEST(ChangeDriveDialog, ShowsPathAndTreeDrivesWithTheirIcons)
{
    PluginCopy plugin;
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    // Distinct icons per drive, so the list cannot pass with one fixed pair.
    host.FindNode({"@desktop", "@computer", "3.5 インチ FD (A:)"})->image = 0;
    host.FindNode({"@desktop", "@computer", "3.5 インチ FD (A:)"})->selectedImage = 1;
    host.FindNode({"@desktop", "@computer", "ローカル ディスク (C:)"})->image = 4;
    host.FindNode({"@desktop", "@computer", "ローカル ディスク (C:)"})->selectedImage = 0;
    host.FindNode({"@desktop", "@computer", "Media (E:)"})->selectedImage = 4;
    MessageBoxWatch boxes;

    std::string pathText, pathClass;
    LONG pathStyle = 0;
    std::vector<DriveEntry> entries;
    std::vector<int> focusOrder;
    std::vector<std::string> controls;
    HWND owner = nullptr;
    ModalScript script;
    OpenForTyping(script).Then([&] {
        HWND dialog = script.window();
        owner = GetWindow(dialog, GW_OWNER);
        controls = ControlsOf(dialog);
        char text[512] = "";
        GetDlgItemTextA(dialog, 1000, text, sizeof text);
        pathText = text;
        GetClassNameA(GetDlgItem(dialog, 1000), text, sizeof text);
        pathClass = text;
        pathStyle = GetWindowLongA(GetDlgItem(dialog, 1000), GWL_STYLE);
        entries = ReadDriveList(GetDlgItem(dialog, 1001));
        focusOrder.push_back(FocusedControl(dialog));
        return true;
    });
    for (int i = 0; i < 5; ++i)
        script.Then([] { PressKey(VK_TAB); return true; })
            .Pause(100)
            .Then([&] { focusOrder.push_back(FocusedControl(script.window())); return true; });
    script.Then([] { PressKey(VK_ESCAPE); return true; });
    UntilClosed(script);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut());

    EXPECT_EQ(owner, host.window());
    EXPECT_EQ(controls, (std::vector<std::string>{
        "Static 利用出来るドライブ", "ComboBoxEx32 1001", "Button OK", "Button ｷｬﾝｾﾙ", "Button 設定",
        "Static 現在のパス", "Edit 1000"}));
    EXPECT_EQ(pathText, "D:\\Temp\\");
    EXPECT_EQ(lstrcmpiA(pathClass.c_str(), "Edit"), 0) << pathClass;
    EXPECT_TRUE(pathStyle & ES_READONLY) << "the current path must not be editable";
    std::vector<DriveEntry> expected = {
        {"3.5 インチ FD (A:)", 0, 1, 'A'},
        {"ローカル ディスク (C:)", 4, 0, 'C'},
        {"Data (D:)", DriveImage, DriveSelectedImage, 'D'},
        {"Media (E:)", DriveImage, 4, 'E'},
    };
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(focusOrder, (std::vector<int>{1001, IDOK, IDCANCEL, 1002, 1000, 1001}));

    // Cancel leaves the host and the remembered folders alone.
    EXPECT_EQ(host.selectionChanges, 0);
    EXPECT_EQ(IniValue(plugin, "Current", "D"), "<absent>");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(ChangeDriveDialog, PreselectsCurrentDriveElseWindowsDrive)
{
    char windows[MAX_PATH + 1] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string windowsDrive = std::string(1, windows[0]);

    const char TwoLabelsForD[] =
        "@desktop\n  @computer\n    ローカル ディスク (C:)\n    Old (D:)\n    Data (D:)\n";
    struct Case {
        const char *tree;
        const char *currentPath;
        std::string selected;   // text of the selected entry, "" for none
    } cases[] = {
        {DrivesTree, "D:\\Temp\\", "Data (D:)"},
        {DrivesTree, "E:\\", "Media (E:)"},
        {DrivesTree, "d:\\temp\\", windowsDrive == "C" ? "ローカル ディスク (C:)" : ""},
        {DrivesTree, "F:\\Other\\", windowsDrive == "C" ? "ローカル ディスク (C:)" : ""},
        {DrivesTree, "", windowsDrive == "C" ? "ローカル ディスク (C:)" : ""},
        {NoSystemDriveTree, "F:\\Other\\", ""},
        {TwoLabelsForD, "D:\\", "Data (D:)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("current path \"") + c.currentPath + "\" in tree\n" + c.tree);
        PluginCopy plugin;
        TestHost host(c.tree);
        host.SetCurrentPath(c.currentPath);
        std::string selected = "<not read>";
        ModalScript script;
        script.WaitForWindow(Title).Then([&] {
            HWND combo = GetDlgItem(script.window(), 1001);
            int index = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
            std::vector<DriveEntry> entries = ReadDriveList(combo);
            selected = index >= 0 && index < (int)entries.size() ? entries[index].text : "";
            PostMessageA(script.window(), WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
        EXPECT_EQ(selected, c.selected);
    }
}

// Each row's settings make its modifiers the only reading that gives the
// expected folder, so a misread Shift or Ctrl shows as a wrong destination.
TEST(ChangeDriveDialog, EnterActsOnSelectedDriveWithModifiers)
{
    struct Case {
        std::vector<WORD> modifiers;
        int normal, shift, ctrl;
        const char *destination;
        bool clickOk = false;   // the OK button instead of Enter
    } cases[] = {
        {{}, 2, 1, 1, "D:\\Work\\Deep\\"},
        {{}, 1, 2, 2, "D:\\Work\\"},
        {{}, 1, 2, 2, "D:\\Work\\", true},
        {{VK_SHIFT}, 1, 2, 1, "D:\\Work\\Deep\\"},
        {{VK_CONTROL}, 1, 1, 2, "D:\\Work\\Deep\\"},
        {{VK_CONTROL, VK_SHIFT}, 1, 2, 2, "D:\\"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.clickOk ? "OK, " : "Enter, ") << c.modifiers.size() << " modifiers, Normal " << c.normal
                                        << " Shift " << c.shift << " Ctrl " << c.ctrl);
        PluginCopy plugin;
        plugin.WriteIni(Ini(c.normal, c.shift, c.ctrl));
        TestHost host(DrivesTree);
        host.SetCurrentPath("D:\\Temp\\");
        MessageBoxWatch boxes;
        ModalScript script;
        OpenForTyping(script).Then([&] {
            if (c.clickOk)
                SendDlgItemMessageA(script.window(), IDOK, BM_CLICK, 0, 0);
            else
                PressWith(VK_RETURN, c.modifiers);
            return true;
        });
        UntilClosed(script);

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
        EXPECT_EQ(FindThreadDialog(Title), nullptr) << "the dialog is still open after a move";
        EXPECT_EQ(host.selections, std::vector<std::string>{c.destination});
        EXPECT_EQ(IniValue(plugin, "Current", "D"), "D:\\Temp\\") << "the folder being left";
        EXPECT_TRUE(boxes.shown.empty());
    }
}

// A drive's letter acts on that drive whatever entry is selected (D is);
// Alt plays no part. Once the dialog has ended, letters reach nothing.
TEST(ChangeDriveDialog, LetterKeyActsOnItsDriveAtOnce)
{
    struct Case {
        WORD key;
        std::vector<WORD> modifiers;
        const char *destination;
    } cases[] = {
        {'E', {}, "E:\\"},
        {'E', {VK_SHIFT}, "E:\\Music\\"},
        {'E', {VK_CONTROL}, "E:\\Music\\Jazz\\"},
        {'E', {VK_MENU}, "E:\\"},
        {'A', {}, "A:\\"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << (char)c.key << " with " << c.modifiers.size() << " modifiers");
        PluginCopy plugin;
        plugin.WriteIni(Ini(0, 1, 2));
        TestHost host(DrivesTree);
        host.SetCurrentPath("D:\\Temp\\");
        MessageBoxWatch boxes;
        ModalScript script;
        OpenForTyping(script).Then([&] { PressWith(c.key, c.modifiers); return true; });
        UntilClosed(script);

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
        EXPECT_EQ(host.selections, std::vector<std::string>{c.destination});
        EXPECT_EQ(IniValue(plugin, "Current", "D"), "D:\\Temp\\");
        EXPECT_TRUE(boxes.shown.empty());

        PressKey('D');
        PumpMessages(200);
        EXPECT_EQ(host.selections, std::vector<std::string>{c.destination}) << "a key acted after the dialog ended";
    }
}

// A hook left behind by a cancelled run would act a second time in the next.
TEST(ChangeDriveDialog, RunAfterCancelMovesOncePerPress)
{
    PluginCopy plugin;
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    for (WORD key : {(WORD)VK_ESCAPE, (WORD)'E'}) {
        ModalScript script;
        OpenForTyping(script).Then([key] { PressKey(key); return true; });
        UntilClosed(script);
        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
        PumpMessages(100);
    }
    EXPECT_EQ(host.selections, std::vector<std::string>{"E:\\"});
    EXPECT_EQ(IniValue(plugin, "Current", "D"), "D:\\Temp\\");
}

// A host shutting down posts WM_QUIT, which ends the dialog without its
// buttons. Its hook must go with it: left behind, it runs every drive
// change of the next run a second time, and once the host has freed the
// DLL the next key calls into freed memory.
TEST(ChangeDriveDialog, RunEndedByQuitLeavesNoHookBehind)
{
    PluginCopy plugin;
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    KeyWatch keys;   // before the plug-in's hooks: sees what they pass on
    {
        ModalScript script;
        script.WaitForWindow(Title).Then([] { PostQuitMessage(0); return true; });
        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
    }
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT not passed back to the host";
    EXPECT_EQ(FindThreadDialog(Title), nullptr);

    {
        ModalScript script;
        OpenForTyping(script).Then([] { PressKey('E'); return true; });
        UntilClosed(script);
        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
    }
    PumpMessages(100);
    EXPECT_EQ(host.selections, std::vector<std::string>{"E:\\"}) << "one press, one move";

    plugin.Unload();
    FaultWatch faults;
    keys.seen.clear();
    PressKey('E');
    PumpMessages(200);
    EXPECT_EQ(FaultWatch::faults, 0) << "a key press called into the freed DLL";
    EXPECT_EQ(keys.seen, "Ee") << "a hook of the freed DLL broke the chain";
    EXPECT_EQ(host.selections, std::vector<std::string>{"E:\\"});
}

// Alt+Space opens the system menu, whose Close is 閉じる(C): C there closes
// the dialog through the menu and is no drive letter.
TEST(ChangeDriveDialog, SystemMenuTakesItsOwnLetters)
{
    PluginCopy plugin;
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    MessageBoxWatch boxes;
    bool menuOpen = false;
    ModalScript script;
    OpenForTyping(script)
        .Then([] { PressKey(VK_SPACE, {VK_MENU}); return true; })
        .Pause(300)
        .Then([&] {
            HWND menu = FindWindowA("#32768", nullptr);
            menuOpen = menu != nullptr && IsWindowVisible(menu);
            PressKey('C');
            return true;
        });
    UntilClosed(script);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut()) << "the menu's Close did not close the dialog";
    EXPECT_TRUE(menuOpen) << "Alt+Space opened no system menu";
    EXPECT_EQ(host.selectionChanges, 0);
    EXPECT_EQ(IniValue(plugin, "Current", "D"), "<absent>");
    EXPECT_TRUE(boxes.shown.empty());
}

// A host with several windows can run the command from another one while
// the dialog is up (a modal dialog disables only its own owner). The open
// dialog comes to the front and stays the only one, acting on its own host.
TEST(ChangeDriveDialog, SecondRunWhileOpenKeepsTheFirstDialog)
{
    PluginCopy plugin;
    TestHost host(DrivesTree);
    TestHost other(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    other.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    int nested = 0;
    HWND foreground = nullptr;
    ModalScript script;
    OpenForTyping(script)
        .Then([&] {
            firstDialog = script.window();
            secondDialogOpened = false;
            SetForegroundWindow(other.window());
            UINT_PTR guard = SetTimer(nullptr, 0, 500, EndSecondDialog);
            nested = plugin.DoProcess(other.info());
            KillTimer(nullptr, guard);
            foreground = GetForegroundWindow();
            return true;
        })
        .Pause(100)
        .Then([] { PressKey('E'); return true; });
    UntilClosed(script);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut()) << "the first dialog stopped acting on its letters";
    EXPECT_EQ(nested, 1);
    EXPECT_FALSE(secondDialogOpened);
    EXPECT_EQ(foreground, firstDialog) << "the open dialog was not brought to the front";
    EXPECT_EQ(host.selections, std::vector<std::string>{"E:\\"});
    EXPECT_TRUE(other.selections.empty());
    EXPECT_EQ(IniValue(plugin, "Current", "D"), "D:\\Temp\\");
    EXPECT_EQ(IniValue(plugin, "Current", "C"), "<absent>");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(ChangeDriveDialog, LetterWithoutDriveIsPassedOn)
{
    PluginCopy plugin;
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    MessageBoxWatch boxes;
    KeyWatch keys;
    bool openAfterX = false;
    int changesAfterX = -1;
    ModalScript script;
    OpenForTyping(script)
        .Then([] { PressKey('X'); return true; })
        .Pause(200)
        .Then([&] {
            openAfterX = FindThreadDialog(Title) != nullptr;
            changesAfterX = host.selectionChanges;
            PressKey('E');
            return true;
        });
    UntilClosed(script);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut());
    PumpMessages(100);
    EXPECT_TRUE(openAfterX);
    EXPECT_EQ(changesAfterX, 0);
    EXPECT_EQ(keys.seen, "XxEe") << "every key event passes the plug-in's hook";
    EXPECT_EQ(host.selections, std::vector<std::string>{"E:\\"});
    EXPECT_TRUE(boxes.shown.empty());
}

// Ctrl+E finds no configured folder and, without the warning, stays; the
// hook is back at once, so E's release after Ctrl's acts with no modifier.
TEST(ChangeDriveDialog, StayThenReleaseActsWithoutModifier)
{
    PluginCopy plugin;
    plugin.WriteIni("[Behavior]\r\nState=3\r\nNonSetPath=0\r\n[EnterAction]\r\nNormal=0\r\nShift=1\r\nCtrl=2\r\n");
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    MessageBoxWatch boxes;
    KeyWatch keys;
    bool openAfterCtrlE = false, openAfterCtrlUp = false;
    int changesBeforeEUp = -1;
    ModalScript script;
    OpenForTyping(script)
        .Then([] { KeyDown(VK_CONTROL); KeyDown('E'); return true; })
        .Pause(200)
        .Then([&] {
            openAfterCtrlE = FindThreadDialog(Title) != nullptr;
            KeyUp(VK_CONTROL);
            return true;
        })
        .Pause(200)
        .Then([&] {
            openAfterCtrlUp = FindThreadDialog(Title) != nullptr;
            changesBeforeEUp = host.selectionChanges;
            KeyUp('E');
            return true;
        });
    UntilClosed(script);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut());
    EXPECT_TRUE(openAfterCtrlE);
    EXPECT_TRUE(openAfterCtrlUp);
    EXPECT_EQ(changesBeforeEUp, 0);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.size() << " boxes, first: "
                                     << (boxes.shown.empty() ? "" : boxes.shown[0].text);
    EXPECT_EQ(host.selections, std::vector<std::string>{"E:\\"});
    EXPECT_EQ(keys.seen, "Ee");
}

// A press stays and its release stays again; Wine 10 then sends a second
// release of its own when the focus comes back from the message box, and a
// user who pressed once must not be told three times.
TEST(ChangeDriveDialog, OnePressActsAtMostTwice)
{
    PluginCopy plugin;
    plugin.WriteIni("[Behavior]\r\nState=4\r\nNonSetPath=0\r\n[EnterAction]\r\nNormal=2\r\nShift=1\r\nCtrl=2\r\n");
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    MessageBoxWatch boxes;
    ModalScript script;
    OpenForTyping(script)
        .Then([] { KeyDown('E'); return true; })
        .Pause(300)
        .Then([] { KeyUp('E'); return true; })
        .Pause(300)
        .Then([] { KeyUp('E'); return true; })
        .Pause(300)
        .Then([] { PressKey(VK_ESCAPE); return true; });
    UntilClosed(script);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut());
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(host.selections.empty());
}

// Real hosts start the command as a key goes down: the menu's access key or
// a hot key. That key's release then reaches the dialog, and a drive of the
// same letter must wait for a press of its own.
TEST(ChangeDriveDialog, KeyThatOpenedTheCommandDoesNotChooseItsDrive)
{
    const char tree[] = "@desktop\n  @computer\n    ローカル ディスク (C:)\n    ネットワーク (L:)\n";
    struct Case {
        const char *name;
        std::vector<std::pair<WORD, bool>> keys;   // key, up
    } cases[] = {
        {"menu access key", {{VK_MENU, false}, {'P', false}, {'P', true}, {VK_MENU, true}, {'L', false}, {'L', true}}},
        {"hot key", {{'L', false}, {'L', true}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        TestHost host(tree);
        host.SetCurrentPath("C:\\");
        bool ran = false, openBeforeL = false;
        int result = 0;
        ModalScript script;
        OpenForTyping(script)
            .Pause(300)
            .Then([&] {
                openBeforeL = FindThreadDialog(Title) != nullptr && host.selections.empty();
                PressKey('L');
                return true;
            });
        UntilClosed(script);
        host.AddPluginCommand([&] {
            result = plugin.DoProcess(host.info());
            ran = true;
        });
        SetForegroundWindow(host.window());
        SetFocus(host.tree());
        PumpMessages(100);
        host.selections.clear();   // the tree selects its first item as it takes the focus
        for (auto [key, up] : c.keys) {
            if (up)
                KeyUp(key);
            else
                KeyDown(key);
        }
        EXPECT_TRUE(host.RunMessagesUntil([&] { return ran; }, 60000));

        EXPECT_EQ(result, 1);
        EXPECT_FALSE(script.timedOut());
        EXPECT_TRUE(openBeforeL);
        EXPECT_EQ(host.selections, std::vector<std::string>{"L:\\"});
    }
}

// A modal dialog disables only its owner: the host's other windows stay in
// use, and the thread's hook sees what is typed into them.
TEST(ChangeDriveDialog, LetterTypedIntoAnotherHostWindowStaysThere)
{
    PluginCopy plugin;
    TestHost host(DrivesTree);
    host.SetCurrentPath("D:\\Temp\\");
    HWND tool = host.OpenToolWindow();
    bool openAfterE = false;
    std::string typed;
    ModalScript script;
    OpenForTyping(script)
        .Then([&] {
            SetForegroundWindow(tool);
            SetFocus(tool);
            return true;
        })
        .Pause(200)
        .Then([] { PressKey('E'); return true; })
        .Pause(300)
        .Then([&] {
            openAfterE = FindThreadDialog(Title) != nullptr;
            char text[64] = "";
            GetWindowTextA(tool, text, sizeof text);
            typed = text;
            SetForegroundWindow(script.window());
            return true;
        })
        .Pause(200)
        .Then([] { PressKey(VK_ESCAPE); return true; });
    UntilClosed(script);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut());
    EXPECT_TRUE(openAfterE);
    EXPECT_EQ(typed, "e");
    EXPECT_TRUE(host.selections.empty());
}

// With no entry selected there is no drive to act on: OK and Enter leave
// the dialog open, and its letter keys keep working.
TEST(ChangeDriveDialog, OkWithNothingSelectedKeepsDialogOpen)
{
    const char ComputerWithoutDrives[] = "@desktop\n  @computer\n    コントロール パネル\n";
    struct Case {
        const char *tree;
        size_t entries;
        WORD letter;              // pressed afterwards
        const char *destination;  // nullptr: the letter does nothing either
    } cases[] = {
        {NoSystemDriveTree, 3, 'E', "E:\\"},
        {ComputerWithoutDrives, 0, 'C', nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tree);
        PluginCopy plugin;
        TestHost host(c.tree);
        host.SetCurrentPath("F:\\Other\\");
        MessageBoxWatch boxes;
        int selected = 0;
        size_t count = 99;
        bool openAfterOk = false;
        ModalScript script;
        OpenForTyping(script)
            .Then([&] {
                HWND combo = GetDlgItem(script.window(), 1001);
                selected = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
                count = ReadDriveList(combo).size();
                PressKey(VK_RETURN);
                return true;
            })
            .Pause(150)
            .Then([&] { SendDlgItemMessageA(script.window(), IDOK, BM_CLICK, 0, 0); return true; })
            .Pause(150)
            .Then([&] {
                openAfterOk = FindThreadDialog(Title) != nullptr;
                PressKey(c.letter);
                return true;
            })
            .Pause(150)
            .Then([&] { SendDlgItemMessageA(script.window(), IDCANCEL, BM_CLICK, 0, 0); return true; });
        UntilClosed(script);

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut());
        EXPECT_EQ(selected, CB_ERR);
        EXPECT_EQ(count, c.entries);
        EXPECT_TRUE(openAfterOk);
        EXPECT_TRUE(boxes.shown.empty());
        std::vector<std::string> expected;
        if (c.destination != nullptr)
            expected.push_back(c.destination);
        EXPECT_EQ(host.selections, expected);
    }
}

TEST(ChangeDriveDialog, FailedStartTellsUserAndLeavesHostAlone)
{
    const char *trees[] = {
        "@desktop\n  ネットワーク\n    Server (S:)\n",
        "@desktop\n  @computer\n",
        "Other\n  @computer\n    Data (D:)\n",
    };
    for (const char *tree : trees) {
        SCOPED_TRACE(tree);
        PluginCopy plugin;
        TestHost host(tree);
        host.SetCurrentPath("C:\\Windows\\");
        MessageBoxWatch boxes;
        ModalScript script;   // a dialog that opened after all is cancelled
        script.timeout = 5000;
        script.Then([] { return false; });

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut()) << "the dialog opened";
        ASSERT_EQ(boxes.shown.size(), 1u);
        const ShownMessage &box = boxes.shown[0];
        EXPECT_EQ(box.text, "ドライブ情報を取得出来ませんでした。");
        EXPECT_EQ(box.title, Title);
        EXPECT_EQ(box.icon, (UINT)MB_ICONERROR);
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(box.ownerTitle, Title) << "owned by the dialog";
        EXPECT_EQ(box.ownerOwner, host.window()) << "owned by the dialog";
        EXPECT_EQ(host.selectionChanges, 0);
        EXPECT_EQ(host.Selected(), nullptr);
    }
}

}  // namespace

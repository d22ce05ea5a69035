// The settings sheet and its Behavior page, opened from a real change-drive
// dialog: what the user sees, what apply writes, and how the still-open
// dialog acts afterwards.
#include <gtest/gtest.h>
#include <functional>
#include "support/sheet_driver.h"
#include "support/keyboard.h"
#include "support/message_boxes.h"
#include "support/plugin_copy.h"
#include "support/test_host.h"
#include "settings_sheet/settings_sheet.h"

namespace {

const char DefaultIni[] =
    "[Behavior]\r\nVersion=100\r\nState=6\r\nPathNotFind=1\r\nSetPathNotFind=2\r\nNonSetPath=0\r\n"
    "[EnterAction]\r\nNormal=0\r\nShift=1\r\nCtrl=2\r\n";

std::vector<std::string> TabTitles(HWND sheet)
{
    std::vector<std::string> titles;
    HWND tabs = (HWND)SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0);
    int count = (int)SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[128] = "";
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tabs, TCM_GETITEMA, i, (LPARAM)&item);
        titles.push_back(text);
    }
    return titles;
}

std::vector<std::string> ComboEntries(HWND combo)
{
    std::vector<std::string> entries;
    int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        if (SendMessageA(combo, CB_GETLBTEXTLEN, i, 0) < (LRESULT)sizeof text)
            SendMessageA(combo, CB_GETLBTEXT, i, (LPARAM)text);
        entries.push_back(text);
    }
    return entries;
}

// What a user does with a list: pick an entry and close the list on it.
void ChooseEntry(HWND page, int id, int index)
{
    HWND combo = GetDlgItem(page, id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), (LPARAM)combo);
}

struct BehaviorView {
    std::vector<std::string> entries[9];   // lists 1003..1011 (check boxes left empty)
    int selected[9] = {};
    bool checked[3] = {};                  // 1006, 1007, 1008
};

BehaviorView ReadBehaviorPage(HWND page)
{
    BehaviorView view;
    for (int id : {1003, 1004, 1005, 1009, 1010, 1011}) {
        HWND combo = GetDlgItem(page, id);
        view.entries[id - 1003] = ComboEntries(combo);
        view.selected[id - 1003] = (int)SendMessageA(combo, CB_GETCURSEL, 0, 0);
    }
    for (int id : {1006, 1007, 1008})
        view.checked[id - 1006] = IsDlgButtonChecked(page, id) == BST_CHECKED;
    return view;
}

TEST(SettingsSheet, OpensOverTheDialogWithThreePagesAndNoContextHelp)
{
    PluginCopy plugin;
    TestHost host(SheetHostTree);
    host.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    ModalScript script;
    SheetWindows windows;
    std::vector<std::string> tabs;
    std::string caption;
    HWND owner = nullptr;
    LONG exStyle = -1;
    bool buttons[3] = {};
    bool applyEnabled = true;

    OpenSheet(script, windows).Then([&] {
        tabs = TabTitles(windows.sheet);
        caption = WindowText(windows.sheet);
        owner = GetWindow(windows.sheet, GW_OWNER);
        exStyle = GetWindowLongA(windows.sheet, GWL_EXSTYLE);
        int ids[3] = {IDOK, IDCANCEL, SheetApplyButton};
        for (int i = 0; i < 3; ++i) {
            HWND button = GetDlgItem(windows.sheet, ids[i]);
            buttons[i] = button != nullptr && IsWindowVisible(button);
        }
        applyEnabled = ApplyEnabled(windows.sheet);
        return true;
    });
    CloseSheet(script, windows, IDCANCEL);
    CloseDialog(script, windows);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
    EXPECT_EQ(tabs, (std::vector<std::string>{"動作", "移動先フォルダ", "記憶フォルダ"}));
    EXPECT_EQ(caption, SheetTitle);
    EXPECT_EQ(owner, windows.dialog);
    EXPECT_EQ(exStyle & WS_EX_CONTEXTHELP, 0) << "extended style " << std::hex << exStyle;
    EXPECT_TRUE(buttons[0]) << "OK";
    EXPECT_TRUE(buttons[1]) << "Cancel";
    EXPECT_TRUE(buttons[2]) << "Apply";
    EXPECT_FALSE(applyEnabled) << "Apply is enabled before any change";
    EXPECT_TRUE(boxes.shown.empty());
}

// The letter-key hook is off while the sheet runs its own loop and back on
// once it has gone.
TEST(SettingsSheet, LetterKeysActOnlyAfterTheSheetCloses)
{
    PluginCopy plugin;
    TestHost host(SheetHostTree);
    host.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    ModalScript script;
    SheetWindows windows;
    int changesWhileOpen = -1;

    OpenSheet(script, windows)
        .Then([&] { SetForegroundWindow(windows.sheet); return true; })
        .Pause(100)
        .Then([&] { PressKey('D'); return true; })
        .Pause(300)
        .Then([&] { changesWhileOpen = host.selectionChanges; return true; });
    CloseSheet(script, windows, IDCANCEL)
        .Then([&] { SetForegroundWindow(windows.dialog); return true; })
        .Pause(100)
        .Then([&] { PressKey('D'); return true; });

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
    EXPECT_EQ(changesWhileOpen, 0) << "the host moved while the sheet was open";
    EXPECT_EQ(host.SelectedPath(), "D:\\");
}

TEST(BehaviorPage, ShowsStoredChoices)
{
    const std::vector<std::string> actions = {"ルートへ移動", "記憶したフォルダへ移動", "設定したフォルダへ移動"};
    const std::vector<std::string> fallbacks = {"移動しない", "ルートへ移動する", "行ける所まで移動する"};
    struct Case {
        const char *name;
        const char *ini;          // nullptr: no file, the defaults are created
        int selected[6];          // 1003, 1004, 1005, 1009, 1010, 1011
        bool checked[3];          // 1006, 1007, 1008
    } cases[] = {
        {"defaults", nullptr, {0, 1, 2, 1, 2, 0}, {false, true, true}},
        {"stored", "[Behavior]\r\nState=1\r\nPathNotFind=2\r\nSetPathNotFind=0\r\nNonSetPath=1\r\n"
                   "[EnterAction]\r\nNormal=2\r\nShift=0\r\nCtrl=1\r\n",
         {2, 0, 1, 2, 0, 1}, {true, false, false}},
        // A value that matches no entry leaves its list without a selection.
        {"unknown", "[Behavior]\r\nState=0\r\nPathNotFind=3\r\nSetPathNotFind=-1\r\nNonSetPath=2\r\n"
                    "[EnterAction]\r\nNormal=7\r\nShift=1\r\nCtrl=2\r\n",
         {-1, 1, 2, -1, -1, -1}, {false, false, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        if (c.ini != nullptr)
            plugin.WriteIni(c.ini);
        TestHost host(SheetHostTree);
        host.SetCurrentPath("C:\\Windows\\");
        MessageBoxWatch boxes;
        ModalScript script;
        SheetWindows windows;
        BehaviorView view;
        OpenSheet(script, windows).Then([&] {
            view = ReadBehaviorPage(ShowPage(windows.sheet, BehaviorPageIndex));
            return true;
        });
        CloseSheet(script, windows, IDCANCEL);
        CloseDialog(script, windows);

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
        int ids[6] = {1003, 1004, 1005, 1009, 1010, 1011};
        for (int i = 0; i < 6; ++i) {
            int id = ids[i];
            const auto &expected = id <= 1005 ? actions
                : id == 1011 ? std::vector<std::string>(fallbacks.begin(), fallbacks.begin() + 2) : fallbacks;
            EXPECT_EQ(view.entries[id - 1003], expected) << "entries of list " << id;
            EXPECT_EQ(view.selected[id - 1003], c.selected[i]) << "selection of list " << id;
        }
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(view.checked[i], c.checked[i]) << "check box " << 1006 + i;
    }
}

// Every apply writes the seven keys, whether or not anything was changed;
// Version is never written and unrelated keys stay as they are.
TEST(BehaviorPage, ApplyWritesTheSevenKeys)
{
    struct Case {
        const char *name;
        const char *ini;
        std::function<void(HWND page)> change;
        std::vector<std::string> behavior, enterAction;
    } cases[] = {
        {"OK without change normalises the text",
         "[Behavior]\r\nVersion=0100\r\nState=06\r\nPathNotFind=01\r\nSetPathNotFind=02\r\nNonSetPath=00\r\n"
         "[EnterAction]\r\nNormal=00\r\nShift=01\r\nCtrl=02\r\n",
         nullptr,
         {"Version=0100", "State=6", "PathNotFind=1", "SetPathNotFind=2", "NonSetPath=0"},
         {"Normal=0", "Shift=1", "Ctrl=2"}},
        {"missing keys are added",
         "[Behavior]\r\nVersion=100\r\n",
         nullptr,
         {"Version=100", "State=0", "PathNotFind=0", "SetPathNotFind=0", "NonSetPath=0"},
         {"Normal=0", "Shift=0", "Ctrl=0"}},
        {"an unknown value is stored as -1",
         "[Behavior]\r\nState=6\r\nPathNotFind=1\r\nSetPathNotFind=2\r\nNonSetPath=0\r\n"
         "[EnterAction]\r\nNormal=7\r\nShift=1\r\nCtrl=2\r\n",
         nullptr,
         {"State=6", "PathNotFind=1", "SetPathNotFind=2", "NonSetPath=0"},
         {"Normal=-1", "Shift=1", "Ctrl=2"}},
        {"bits the page does not show are carried",
         "[Behavior]\r\nState=14\r\nPathNotFind=1\r\nSetPathNotFind=2\r\nNonSetPath=0\r\n"
         "[EnterAction]\r\nNormal=0\r\nShift=1\r\nCtrl=2\r\n",
         [](HWND page) {
             Click(GetDlgItem(page, 1006));
             Click(GetDlgItem(page, 1008));
         },
         {"State=11", "PathNotFind=1", "SetPathNotFind=2", "NonSetPath=0"},
         {"Normal=0", "Shift=1", "Ctrl=2"}},
        {"every list is read back",
         DefaultIni,
         [](HWND page) {
             ChooseEntry(page, 1003, 1);
             ChooseEntry(page, 1004, 2);
             ChooseEntry(page, 1005, 0);
             ChooseEntry(page, 1009, 2);
             ChooseEntry(page, 1010, 0);
             ChooseEntry(page, 1011, 1);
             Click(GetDlgItem(page, 1007));
         },
         {"Version=100", "State=4", "PathNotFind=2", "SetPathNotFind=0", "NonSetPath=1"},
         {"Normal=1", "Shift=2", "Ctrl=0"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        plugin.WriteIni(c.ini);
        TestHost host(SheetHostTree);
        host.SetCurrentPath("C:\\Windows\\");
        MessageBoxWatch boxes;
        ModalScript script;
        SheetWindows windows;
        OpenSheet(script, windows).Then([&] {
            if (c.change)
                c.change(ShowPage(windows.sheet, BehaviorPageIndex));
            return true;
        });
        CloseSheet(script, windows, IDOK);
        CloseDialog(script, windows);

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
        std::string ini = plugin.ReadIni();
        EXPECT_EQ(SectionLines(ini, "Behavior"), c.behavior) << ini;
        EXPECT_EQ(SectionLines(ini, "EnterAction"), c.enterAction) << ini;
    }
}

TEST(BehaviorPage, EveryUserChoiceEnablesApply)
{
    struct Case {
        const char *name;
        std::function<void(HWND page)> act;
        bool enabled;
    } cases[] = {
        {"nothing done", [](HWND) {}, false},
        {"list closed on its own entry", [](HWND page) { ChooseEntry(page, 1003, 0); }, true},
        {"fallback list closed on its own entry", [](HWND page) { ChooseEntry(page, 1011, 0); }, true},
        {"selection moved without closing the list",
         [](HWND page) { SendDlgItemMessageA(page, 1004, CB_SETCURSEL, 2, 0); }, false},
        {"check box clicked", [](HWND page) { Click(GetDlgItem(page, 1007)); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        TestHost host(SheetHostTree);
        host.SetCurrentPath("C:\\Windows\\");
        MessageBoxWatch boxes;
        ModalScript script;
        SheetWindows windows;
        bool enabled = !c.enabled;
        OpenSheet(script, windows).Then([&] {
            c.act(ShowPage(windows.sheet, BehaviorPageIndex));
            enabled = ApplyEnabled(windows.sheet);
            return true;
        });
        CloseSheet(script, windows, IDCANCEL);
        CloseDialog(script, windows);

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
        EXPECT_EQ(enabled, c.enabled);
    }
}

// Normal is switched to the configured folder, C's configured folder is
// C:\Windows\System\, and Enter is pressed in the dialog left open under the
// sheet: where the host lands shows which settings the dialog now uses.
TEST(BehaviorPage, OpenDialogUsesAppliedSettingsAtOnce)
{
    const std::string ini = std::string(DefaultIni) + "[Path]\r\nC=C:\\Windows\\System\\\r\n";
    struct Case {
        const char *name;
        bool apply;            // press Apply before closing the sheet
        int close;             // IDOK or IDCANCEL
        const char *landing;   // host path after Enter
        bool fileChanged;
    } cases[] = {
        {"OK", false, IDOK, "C:\\Windows\\System\\", true},
        {"Apply then Cancel", true, IDCANCEL, "C:\\Windows\\System\\", true},
        {"Cancel", false, IDCANCEL, "C:\\", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        plugin.WriteIni(ini);
        TestHost host(SheetHostTree);
        host.SetCurrentPath("C:\\Windows\\");
        MessageBoxWatch boxes;
        ModalScript script;
        SheetWindows windows;
        OpenSheet(script, windows).Then([&] {
            HWND page = ShowPage(windows.sheet, BehaviorPageIndex);
            ChooseEntry(page, 1003, 2);
            Click(GetDlgItem(page, 1006));
            if (c.apply)
                Click(GetDlgItem(windows.sheet, SheetApplyButton));
            return true;
        });
        CloseSheet(script, windows, c.close)
            .Then([&] { SetForegroundWindow(windows.dialog); return true; })
            .Pause(100)
            .Then([&] { PressKey(VK_RETURN); return true; });

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
        EXPECT_EQ(host.SelectedPath(), c.landing);
        std::string after = plugin.ReadIni();
        if (c.fileChanged) {
            EXPECT_EQ(SectionLines(after, "EnterAction"), (std::vector<std::string>{"Normal=2", "Shift=1", "Ctrl=2"}));
            EXPECT_EQ(SectionLines(after, "Behavior")[1], "State=7");
        } else {
            // Only the drive change itself wrote: the folder it left.
            EXPECT_EQ(SectionLines(after, "Behavior"), SectionLines(ini, "Behavior"));
            EXPECT_EQ(SectionLines(after, "EnterAction"), SectionLines(ini, "EnterAction"));
        }
        EXPECT_TRUE(boxes.shown.empty());
    }
}

// A second sheet from the same dialog starts from what the first applied.
TEST(BehaviorPage, ReopenedSheetShowsWhatWasApplied)
{
    PluginCopy plugin;
    plugin.WriteIni(DefaultIni);
    TestHost host(SheetHostTree);
    host.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    ModalScript script;
    SheetWindows first, second;
    BehaviorView view;
    OpenSheet(script, first).Then([&] {
        HWND page = ShowPage(first.sheet, BehaviorPageIndex);
        ChooseEntry(page, 1003, 1);
        ChooseEntry(page, 1009, 0);
        Click(GetDlgItem(page, 1007));
        return true;
    });
    CloseSheet(script, first, IDOK);
    OpenSheet(script, second).Then([&] {
        view = ReadBehaviorPage(ShowPage(second.sheet, BehaviorPageIndex));
        return true;
    });
    CloseSheet(script, second, IDCANCEL);
    CloseDialog(script, second);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
    EXPECT_EQ(view.selected[1003 - 1003], 1);
    EXPECT_EQ(view.selected[1009 - 1003], 0);
    EXPECT_FALSE(view.checked[1]);
    EXPECT_TRUE(view.checked[2]);
}

// Cancel writes nothing at all: the file keeps its exact bytes.
TEST(BehaviorPage, CancelLeavesTheFileBytes)
{
    PluginCopy plugin;
    const std::string ini =
        "[Behavior]\r\nVersion=100\r\nState=06\r\nPathNotFind=1\r\nSetPathNotFind=2\r\nNonSetPath=0\r\n"
        "[EnterAction]\r\nNormal=0\r\nShift=1\r\nCtrl=2\r\n[Path]\r\nD=D:\\Work\\\r\n";
    plugin.WriteIni(ini);
    TestHost host(SheetHostTree);
    host.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    ModalScript script;
    SheetWindows windows;
    OpenSheet(script, windows).Then([&] {
        HWND page = ShowPage(windows.sheet, BehaviorPageIndex);
        ChooseEntry(page, 1004, 0);
        ChooseEntry(page, 1010, 1);
        Click(GetDlgItem(page, 1008));
        ShowPage(windows.sheet, DestinationPageIndex);
        ShowPage(windows.sheet, RememberedPageIndex);
        return true;
    });
    CloseSheet(script, windows, IDCANCEL);
    CloseDialog(script, windows);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
    EXPECT_EQ(plugin.ReadIni(), ini);
}

// A settings file that cannot be written (here another program holds it
// open; under Program Files it is the folder's permissions) must not look
// saved: one message per press, and the sheet stays for another try.
TEST(BehaviorPage, OkThatCannotWriteTheFileSaysSoAndKeepsTheSheet)
{
    PluginCopy plugin;
    plugin.WriteIni(DefaultIni);
    TestHost host(SheetHostTree);
    host.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    ModalScript script;
    SheetWindows windows;
    HANDLE holder = INVALID_HANDLE_VALUE;
    bool openAfterOk = false;
    OpenSheet(script, windows).Then([&] {
        ShowPage(windows.sheet, DestinationPageIndex);
        ChooseEntry(ShowPage(windows.sheet, BehaviorPageIndex), 1003, 1);
        holder = CreateFileA(plugin.iniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        PostMessageA(windows.sheet, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(windows.sheet, IDOK));
        return true;
    })
        .Pause(500)
        .Then([&] {
            openAfterOk = IsWindow(windows.sheet) != FALSE;
            CloseHandle(holder);
            return true;
        });
    CloseSheet(script, windows, IDOK);
    CloseDialog(script, windows);

    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(openAfterOk);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "設定ファイルに書き込めませんでした。\n" + plugin.iniPath());
    EXPECT_EQ(boxes.shown[0].title, SheetTitle);
    EXPECT_EQ(boxes.shown[0].icon, (UINT)MB_ICONERROR);
    EXPECT_EQ(boxes.shown[0].owner, windows.sheet);
    EXPECT_EQ(SectionLines(plugin.ReadIni(), "EnterAction"), (std::vector<std::string>{"Normal=1", "Shift=1", "Ctrl=2"}))
        << "the second OK, with the file free again, saves";
}

// Wine's sheet has no context-help button to begin with, so the removal is
// also checked on windows that do carry the style.
TEST(SettingsSheet, ContextHelpIsRemovedOncePerSheet)
{
    auto makeSheet = [] {
        return CreateWindowExA(WS_EX_CONTEXTHELP | WS_EX_DLGMODALFRAME, "#32770", "sheet", WS_POPUP, 0, 0, 10, 10,
                               nullptr, nullptr, nullptr, nullptr);
    };
    HWND first = makeSheet();
    HWND second = makeSheet();
    HWND page = CreateWindowExA(0, "#32770", "page", WS_CHILD, 0, 0, 5, 5, first, nullptr, nullptr, nullptr);
    HWND secondPage = CreateWindowExA(0, "#32770", "page", WS_CHILD, 0, 0, 5, 5, second, nullptr, nullptr, nullptr);
    ASSERT_NE(page, nullptr);

    sheetStyleFixed = FALSE;
    HideSheetContextHelp(page);
    LONG style = GetWindowLongA(first, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_EX_CONTEXTHELP, 0) << std::hex << style;
    EXPECT_NE(style & WS_EX_DLGMODALFRAME, 0) << "other bits are kept: " << std::hex << style;
    EXPECT_TRUE(sheetStyleFixed);

    // Later pages of the same sheet leave the style alone.
    HideSheetContextHelp(secondPage);
    EXPECT_NE(GetWindowLongA(second, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
    DestroyWindow(first);
    DestroyWindow(second);
}

}  // namespace

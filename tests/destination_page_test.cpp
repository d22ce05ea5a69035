// The Destination folders and Remembered folders pages of the settings sheet,
// and the double-byte test behind the path checks.
#include <gtest/gtest.h>
#include <functional>
#include <shlobj.h>
#include "support/sheet_driver.h"
#include "support/message_boxes.h"
#include "support/plugin_copy.h"
#include "support/test_host.h"
#include "settings_sheet/destination_page.h"
#include "settings_sheet/folder_list.h"

namespace {

const char BaseIni[] =
    "[Behavior]\r\nVersion=100\r\nState=6\r\nPathNotFind=1\r\nSetPathNotFind=2\r\nNonSetPath=0\r\n"
    "[EnterAction]\r\nNormal=0\r\nShift=1\r\nCtrl=2\r\n";

using Texts = std::vector<std::string>;

HWND Item(HWND page, int id) { return GetDlgItem(page, id); }

std::string Repeat(const std::string &text, int count)
{
    std::string repeated;
    for (int i = 0; i < count; ++i)
        repeated += text;
    return repeated;
}

// Types a text into the folder field as the user would end up with it.
void TypeFolder(HWND page, const std::string &text)
{
    SetWindowTextA(Item(page, 1012), text.c_str());
}

// One sheet session on the Destination folders page: body runs with the page
// shown, then the sheet closes with closeButton and the dialog is cancelled.
struct DestinationRun {
    std::string ini;
    int closeButton = IDCANCEL;
    std::string currentPath = "C:\\Windows\\";

    PluginCopy plugin;
    MessageBoxWatch boxes;
    SheetWindows windows;
    bool timedOut = false;

    void Run(const std::function<void(HWND page)> &body, int pageIndex = DestinationPageIndex)
    {
        if (!ini.empty())
            plugin.WriteIni(ini);
        TestHost host(SheetHostTree);
        host.SetCurrentPath(currentPath);
        ModalScript script;
        OpenSheet(script, windows).Then([&] {
            body(ShowPage(windows.sheet, pageIndex));
            return true;
        });
        CloseSheet(script, windows, closeButton);
        CloseDialog(script, windows);
        plugin.DoProcess(host.info());
        timedOut = script.timedOut();
    }
};

TEST(DestinationPage, ListsSectionPathWithItsButtonsOff)
{
    DestinationRun run;
    run.ini = std::string(BaseIni) + "[Path]\r\nD=D:\\Work\\\r\nA=A:\\\r\nC=C:\\Windows\\\r\nE=\r\n";
    Texts entries;
    bool addAtStart = true, deleteAtStart = true, addWithText = false, addCleared = true;
    bool deleteWithSelection = false;
    run.Run([&](HWND page) {
        entries = ListTexts(Item(page, 1015));
        addAtStart = IsWindowEnabled(Item(page, 1014));
        deleteAtStart = IsWindowEnabled(Item(page, 1016));
        TypeFolder(page, "C");
        addWithText = IsWindowEnabled(Item(page, 1014));
        TypeFolder(page, "");
        addCleared = IsWindowEnabled(Item(page, 1014));
        SelectEntry(Item(page, 1015), 1);
        deleteWithSelection = IsWindowEnabled(Item(page, 1016));
    });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(entries, (Texts{"", "A:\\", "C:\\Windows\\", "D:\\Work\\"}));
    EXPECT_FALSE(addAtStart);
    EXPECT_FALSE(deleteAtStart);
    EXPECT_TRUE(addWithText) << "typing enables Add";
    EXPECT_FALSE(addCleared) << "an empty field disables Add";
    EXPECT_TRUE(deleteWithSelection) << "a selected entry enables Delete";
}

// Each typed text, added to an empty list: what is listed, or what the user
// is told. Rejected and accepted texts alike stay in the field.
TEST(DestinationPage, AddChecksTheTypedPath)
{
    const std::string longName(256, 'a');
    struct Case {
        std::string typed;
        std::string listed;     // "" when refused
        std::string message;    // "" when none
        UINT icon;
    } cases[] = {
        {"c:", "C:\\", "", 0},
        {"C:\\", "C:\\", "", 0},
        {"C:\\Data", "C:\\Data\\", "", 0},
        {"c:\\data", "C:\\data\\", "", 0},
        {"z:\\Deep\\er\\", "Z:\\Deep\\er\\", "", 0},
        // 表 ends in the byte 0x5C, which is not a separator.
        {"C:\\表", "C:\\表\\", "", 0},
        {"C:\\表\\", "C:\\表\\", "", 0},
        {"C:\\ｿﾌﾄ", "C:\\ｿﾌﾄ\\", "", 0},
        {"C:Data", "", "フルパスで指定して下さい。", MB_ICONWARNING},
        {"Data\\", "", "フルパスで指定して下さい。", MB_ICONWARNING},
        {"\\Data", "", "フルパスで指定して下さい。", MB_ICONWARNING},
        {"1:\\", "", "フルパスで指定して下さい。", MB_ICONWARNING},
        {"表:\\", "", "フルパスで指定して下さい。", MB_ICONWARNING},
        {"C", "", "フルパスで指定して下さい。", MB_ICONWARNING},
        {"\\\\server\\share", "", "ドライブを割り当てられていないネットワークは指定する事は出来ません。", MB_ICONWARNING},
        // 259 bytes with the separator fit; one more byte to append does not.
        {"C:\\" + longName.substr(1) + "\\", "C:\\" + longName.substr(1) + "\\", "", 0},
        {"C:\\" + longName.substr(1), "C:\\" + longName.substr(1) + "\\", "", 0},
        {"C:\\" + longName, "", "文字列が長すぎます。", MB_ICONERROR},
        {"C:\\" + longName + "\\", "", "文字列が長すぎます。", MB_ICONERROR},
        {"C:\\" + longName + longName, "", "文字列が長すぎます。", MB_ICONERROR},
        // Double-byte text is measured in bytes, not characters.
        {"C:\\" + Repeat("表", 127), "C:\\" + Repeat("表", 127) + "\\", "", 0},
        {"C:\\" + Repeat("表", 128), "", "文字列が長すぎます。", MB_ICONERROR},
        {"C:\\" + Repeat("表", 130), "", "文字列が長すぎます。", MB_ICONERROR},
        {"C:\\" + Repeat("表", 200), "", "文字列が長すぎます。", MB_ICONERROR},
    };

    DestinationRun run;
    run.ini = BaseIni;
    struct Seen {
        Texts listed;
        std::string field;
        bool applyEnabled = false;
    };
    std::vector<Seen> seen;
    std::vector<size_t> boxCounts;
    run.Run([&](HWND page) {
        HWND list = Item(page, 1015);
        for (const Case &c : cases) {
            SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
            TypeFolder(page, c.typed);
            Click(Item(page, 1014));
            seen.push_back({ListTexts(list), WindowText(Item(page, 1012)), ApplyEnabled(run.windows.sheet)});
            boxCounts.push_back(run.boxes.shown.size());
        }
    });
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(seen.size(), std::size(cases));

    size_t box = 0;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE("typed \"" + c.typed + "\"");
        EXPECT_EQ(seen[i].listed, c.listed.empty() ? Texts{} : Texts{c.listed});
        EXPECT_EQ(seen[i].field, c.typed) << "the field keeps what was typed";
        if (c.message.empty()) {
            EXPECT_EQ(boxCounts[i], box) << "unexpected message: " << run.boxes.shown.back().text;
            EXPECT_TRUE(seen[i].applyEnabled);
            continue;
        }
        ASSERT_EQ(boxCounts[i], box + 1) << "expected the message " << c.message;
        const ShownMessage &shown = run.boxes.shown[box++];
        EXPECT_EQ(shown.text, c.message);
        EXPECT_EQ(shown.title, SheetTitle);
        EXPECT_EQ(shown.icon, c.icon);
        EXPECT_EQ(shown.buttons, std::vector<int>{IDOK});
        EXPECT_EQ(shown.owner, run.windows.sheet) << "owned by the page, so by its sheet";
    }
}

TEST(DestinationPage, AddAsksBeforeReplacingTheDrivesFolder)
{
    const std::string question = "Dドライブのフォルダへのパスは既に設定されています。\n置き換えますか？";
    struct Case {
        const char *name;
        const char *typed;
        int answer;
        Texts listed;
    } cases[] = {
        {"No keeps the old entry", "D:\\New\\", IDNO, {"C:\\Windows\\", "d:\\old\\"}},
        {"Yes replaces it", "D:\\New\\", IDYES, {"C:\\Windows\\", "D:\\New\\"}},
        {"a lowercase letter asks about the same drive", "d:\\new", IDYES, {"C:\\Windows\\", "D:\\new\\"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DestinationRun run;
        run.ini = std::string(BaseIni) + "[Path]\r\nC=C:\\Windows\\\r\nD=d:\\old\\\r\n";
        run.boxes.answers.push_back(c.answer);
        Texts listed;
        run.Run([&](HWND page) {
            TypeFolder(page, c.typed);
            Click(Item(page, 1014));
            listed = ListTexts(Item(page, 1015));
        });
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(listed, c.listed);
        ASSERT_EQ(run.boxes.shown.size(), 1u);
        EXPECT_EQ(run.boxes.shown[0].text, question);
        EXPECT_EQ(run.boxes.shown[0].title, SheetTitle);
        EXPECT_EQ(run.boxes.shown[0].icon, (UINT)MB_ICONQUESTION);
        EXPECT_EQ(run.boxes.shown[0].buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(run.boxes.shown[0].owner, run.windows.sheet);
    }
}

TEST(DestinationPage, DeleteAsksAndKeepsASelection)
{
    struct Case {
        const char *name;
        const char *path;      // section Path
        int select;
        int answer;
        std::string question;
        Texts left;
        int selectedAfter;
        bool applyEnabled;
    } cases[] = {
        {"last of three", "A=A:\\\r\nC=C:\\Windows\\\r\nD=D:\\Work\\\r\n", 2, IDYES,
         "'D:\\Work\\' を消去します。\nよろしいですか？", {"A:\\", "C:\\Windows\\"}, 1, true},
        {"first of three", "A=A:\\\r\nC=C:\\Windows\\\r\nD=D:\\Work\\\r\n", 0, IDYES,
         "'A:\\' を消去します。\nよろしいですか？", {"C:\\Windows\\", "D:\\Work\\"}, 0, true},
        {"answered No", "A=A:\\\r\nC=C:\\Windows\\\r\nD=D:\\Work\\\r\n", 1, IDNO,
         "'C:\\Windows\\' を消去します。\nよろしいですか？", {"A:\\", "C:\\Windows\\", "D:\\Work\\"}, 1, false},
        {"only entry", "C=C:\\Windows\\\r\n", 0, IDYES,
         "'C:\\Windows\\' を消去します。\nよろしいですか？", {}, -1, true},
        {"empty entry", "E=\r\n", 0, IDYES, "'' を消去します。\nよろしいですか？", {}, -1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DestinationRun run;
        run.ini = std::string(BaseIni) + "[Path]\r\n" + c.path;
        run.boxes.answers.push_back(c.answer);
        Texts left;
        int selectedAfter = -2;
        bool applyEnabled = !c.applyEnabled;
        size_t boxesBeforeSecondClick = 0;
        bool deleteEnabled = false;
        run.Run([&](HWND page) {
            HWND list = Item(page, 1015);
            SelectEntry(list, c.select);
            Click(Item(page, 1016));
            left = ListTexts(list);
            selectedAfter = SelectedEntry(list);
            applyEnabled = ApplyEnabled(run.windows.sheet);
            deleteEnabled = IsWindowEnabled(Item(page, 1016)) != FALSE;
            // With nothing selected Delete asks nothing.
            boxesBeforeSecondClick = run.boxes.shown.size();
            if (selectedAfter < 0)
                SendMessageA(page, WM_COMMAND, MAKEWPARAM(1016, BN_CLICKED), (LPARAM)Item(page, 1016));
        });
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(selectedAfter, c.selectedAfter);
        EXPECT_EQ(applyEnabled, c.applyEnabled);
        EXPECT_EQ(deleteEnabled, selectedAfter >= 0) << "Delete is enabled exactly while an entry is selected";
        ASSERT_EQ(run.boxes.shown.size(), 1u);
        EXPECT_EQ(boxesBeforeSecondClick, 1u);
        EXPECT_EQ(run.boxes.shown[0].text, c.question);
        EXPECT_EQ(run.boxes.shown[0].title, SheetTitle);
        EXPECT_EQ(run.boxes.shown[0].icon, (UINT)MB_ICONQUESTION);
        EXPECT_EQ(run.boxes.shown[0].buttons, (std::vector<int>{IDYES, IDNO}));
    }
}

// Apply and OK write section Path anew in list order, keys from the first
// byte in uppercase; Cancel writes nothing.
TEST(DestinationPage, ApplyRewritesSectionPathInListOrder)
{
    const std::string ini = std::string(BaseIni) + "[Path]\r\nd=D:\\Work\\\r\nc=c:\\lower\\\r\n";
    struct Case {
        const char *name;
        const char *added;     // typed and added, or nullptr
        bool apply;            // Apply before closing
        int close;
        Texts path;            // section Path afterwards; empty: file untouched
    } cases[] = {
        {"OK without change", nullptr, false, IDOK, {"C=c:\\lower\\", "D=D:\\Work\\"}},
        {"Apply after an addition", "e:", true, IDCANCEL, {"C=c:\\lower\\", "D=D:\\Work\\", "E=E:\\"}},
        {"OK after an addition", "A:\\Top", false, IDOK, {"A=A:\\Top\\", "C=c:\\lower\\", "D=D:\\Work\\"}},
        {"Cancel drops an addition", "e:", false, IDCANCEL, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DestinationRun run;
        run.ini = ini;
        run.closeButton = c.close;
        run.Run([&](HWND page) {
            if (c.added != nullptr) {
                TypeFolder(page, c.added);
                Click(Item(page, 1014));
            }
            if (c.apply)
                Click(GetDlgItem(run.windows.sheet, SheetApplyButton));
        });
        ASSERT_FALSE(run.timedOut);
        std::string after = run.plugin.ReadIni();
        if (c.path.empty()) {
            EXPECT_EQ(after, ini);
        } else {
            EXPECT_EQ(SectionLines(after, "Path"), c.path) << after;
            EXPECT_EQ(SectionLines(after, "Behavior"), SectionLines(ini, "Behavior"));
        }
        EXPECT_TRUE(run.boxes.shown.empty());
    }
}

// The list keeps its entries as Unicode, and an entry read from a hostile
// file can come back from it in the ANSI code page longer than it went in,
// filling the page's buffer with no terminator. Apply writes it within 259
// bytes, not with whatever follows the buffer. Found by the soak, seed
// 20241919; the entry is made that long here through the Unicode message.
TEST(DestinationPage, ApplyWritesAnEntryThatFillsTheBufferWithin259Bytes)
{
    DestinationRun run;
    run.ini = std::string(BaseIni) + "[Path]\r\nD=D:\\Work\\\r\n";
    run.closeButton = IDOK;
    const std::wstring grown = L"D:\\" + std::wstring(257, L'a');
    run.Run([&](HWND page) {
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = const_cast<wchar_t *>(grown.c_str());
        SendMessageW(Item(page, 1015), LVM_SETITEMTEXTW, 0, (LPARAM)&item);
    });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(SectionLines(run.plugin.ReadIni(), "Path"), Texts{"D=D:\\" + std::string(256, 'a')});
}

TEST(DestinationPage, DoubleClickCopiesTheEntryToTheField)
{
    DestinationRun run;
    run.ini = std::string(BaseIni) + "[Path]\r\nC=C:\\Windows\\\r\nD=D:\\Work\\\r\n";
    std::string withoutSelection = "?", withSelection;
    bool addEnabled = false;
    run.Run([&](HWND page) {
        HWND list = Item(page, 1015);
        NMITEMACTIVATE click{};
        click.hdr.hwndFrom = list;
        click.hdr.idFrom = 1015;
        click.hdr.code = NM_DBLCLK;
        click.iItem = -1;
        SendMessageA(page, WM_NOTIFY, 1015, (LPARAM)&click);
        withoutSelection = WindowText(Item(page, 1012));
        SelectEntry(list, 1);
        click.iItem = 1;
        SendMessageA(page, WM_NOTIFY, 1015, (LPARAM)&click);
        withSelection = WindowText(Item(page, 1012));
        addEnabled = IsWindowEnabled(Item(page, 1014));
    });
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(withoutSelection, "");
    EXPECT_EQ(withSelection, "D:\\Work\\");
    EXPECT_TRUE(addEnabled);
}

// The folder picker: a dialog of this thread that is neither the sheet, the
// change-drive dialog nor a message box.
BOOL CALLBACK MatchPicker(HWND window, LPARAM data)
{
    char className[64] = "", title[256] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) && !IsMessageBox(window)
        && lstrcmpA(title, SheetTitle) != 0 && lstrcmpA(title, DialogTitle) != 0) {
        *(HWND *)data = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindPicker()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchPicker, (LPARAM)&found);
    return found;
}

// The real picker, closed with OK at once: what lands in the field is the
// folder it opened on.
TEST(DestinationPage, BrowseOpensOnTheHostFolder)
{
    struct Case {
        const char *hostPath;
        const char *picked;
    } cases[] = {
        {"C:\\", "C:\\"},
        {"C:\\windows\\", "C:\\windows"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.hostPath);
        PluginCopy plugin;
        plugin.WriteIni(BaseIni);
        TestHost host(SheetHostTree);
        host.SetCurrentPath(c.hostPath);
        MessageBoxWatch boxes;
        ModalScript script;
        SheetWindows windows;
        HWND page = nullptr, picker = nullptr;
        std::string field;
        OpenSheet(script, windows)
            .Then([&] {
                page = ShowPage(windows.sheet, DestinationPageIndex);
                PostMessageA(page, WM_COMMAND, MAKEWPARAM(1013, BN_CLICKED), (LPARAM)GetDlgItem(page, 1013));
                return true;
            })
            .Then([&] {
                picker = FindPicker();
                return picker != nullptr;
            })
            .Pause(300)
            .Then([&] {
                PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(picker, IDOK));
                return true;
            })
            .Then([&] { return !IsWindow(picker); })
            .Then([&] {
                field = WindowText(GetDlgItem(page, 1012));
                return true;
            });
        CloseSheet(script, windows, IDCANCEL);
        CloseDialog(script, windows);

        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
        EXPECT_EQ(field, c.picked);
    }
}

// A folder without a file-system path (My Computer, chosen by the picker's
// own message and confirmed) is as good as nothing chosen: the caller's text
// is left as it was.
TEST(DestinationPage, PickedFolderWithoutPathChoosesNothing)
{
    TestHost host(SheetHostTree);
    LPITEMIDLIST computer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
    ModalScript script;
    HWND picker = nullptr;
    script.Then([&] { return (picker = FindPicker()) != nullptr; })
        .Pause(200)
        .Then([&] {
            SendMessageA(picker, BFFM_SETSELECTIONA, FALSE, (LPARAM)computer);
            PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(picker, IDOK));
            return true;
        });
    char out[MAX_PATH] = "C:\\Kept\\";
    int result = BrowseForFolder(host.window(), "C:\\", out, sizeof out);
    CoTaskMemFree(computer);
    ASSERT_FALSE(script.timedOut()) << "steps done: " << script.stepsDone();
    EXPECT_EQ(result, 2);
    EXPECT_STREQ(out, "C:\\Kept\\");
}

// Wine's menu colour can equal the window colour; a colour of its own makes
// the list's background tell whether the page set it.
class MenuColour {
public:
    MenuColour() : saved_(GetSysColor(COLOR_MENU))
    {
        INT element = COLOR_MENU;
        COLORREF colour = RGB(201, 102, 53);
        SetSysColors(1, &element, &colour);
    }
    ~MenuColour()
    {
        INT element = COLOR_MENU;
        SetSysColors(1, &element, &saved_);
    }

private:
    COLORREF saved_;
};

TEST(RememberedPage, ShowsSectionCurrentReadOnly)
{
    MenuColour menuColour;
    ASSERT_NE(GetSysColor(COLOR_MENU), GetSysColor(COLOR_WINDOW));
    struct Case {
        const char *name;
        const char *current;   // section Current, or nullptr for none
        Texts listed;
    } cases[] = {
        {"entries", "[Current]\r\nd=D:\\Work\\\r\nC=C:\\Windows\\System\\\r\nE=\r\n",
         {"", "C:\\Windows\\System\\", "D:\\Work\\"}},
        {"empty section", "[Current]\r\n", {}},
        {"no section", "", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DestinationRun run;
        run.ini = std::string(BaseIni) + c.current;
        Texts listed;
        COLORREF background = 0, textBackground = 0;
        run.Run([&](HWND page) {
            HWND list = GetDlgItem(page, 1015);
            listed = ListTexts(list);
            background = (COLORREF)SendMessageA(list, LVM_GETBKCOLOR, 0, 0);
            textBackground = (COLORREF)SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0);
        }, RememberedPageIndex);
        ASSERT_FALSE(run.timedOut);
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(background, GetSysColor(COLOR_MENU));
        EXPECT_EQ(textBackground, GetSysColor(COLOR_MENU));
    }
}

// The page saves nothing: a lowercase key and an order other than A to Z in
// section Current survive Apply and OK.
TEST(RememberedPage, ApplyAndOkLeaveSectionCurrent)
{
    const std::string ini = std::string(BaseIni) + "[Current]\r\nd=D:\\Work\\\r\nC=C:\\Windows\\\r\n";
    DestinationRun run;
    run.ini = ini;
    run.closeButton = IDOK;
    run.Run([&](HWND) {
        SendMessageA(run.windows.sheet, PSM_CHANGED, (WPARAM)ShowPage(run.windows.sheet, BehaviorPageIndex), 0);
        Click(GetDlgItem(run.windows.sheet, SheetApplyButton));
        ShowPage(run.windows.sheet, RememberedPageIndex);
    }, RememberedPageIndex);
    ASSERT_FALSE(run.timedOut);
    // The Behavior page rewrote its keys with the values they had, so the
    // whole file keeps its bytes.
    EXPECT_EQ(run.plugin.ReadIni(), ini);
}

TEST(FolderList, ByteKindFollowsTheLeadBytes)
{
    struct Case {
        const char *text;
        int index;
        int kind;
    } cases[] = {
        {"C:\\", 0, SingleByte},
        {"C:\\", 2, SingleByte},
        {"表", 0, LeadByte},
        {"表", 1, TrailByte},
        {"表\\", 2, SingleByte},
        {"a表", 1, LeadByte},
        {"a表", 2, TrailByte},
        {"表表", 2, LeadByte},
        {"表表", 3, TrailByte},
        {"ｿ", 0, SingleByte},             // half-width katakana: one byte
        {"ｿ\\", 1, SingleByte},
        {"\x81\x81\x81", 2, LeadByte},    // lead, trail, lead
        {"\x81", 1, SingleByte},          // the NUL after a lone lead byte
        {"ab", 5, SingleByte},            // past the end: stops at the NUL
        {"\x81\x00\x81\x5c", 3, SingleByte},
        {"", 0, SingleByte},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(GetByteKind(c.text, c.index), c.kind) << "text \"" << c.text << "\" index " << c.index;
    }
}

}  // namespace

// The drive change: which folder Shift and Ctrl pick, the messages and
// fallbacks when it is missing, and the folder being left in [Current].
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>
#include "changer/drive_change.h"
#include "plugin/settings.h"
#include "support/keyboard.h"
#include "support/message_boxes.h"
#include "support/modal_script.h"
#include "support/plugin_copy.h"
#include "support/test_host.h"
#include "tree/host_tree.h"

namespace {

const char Tree[] =
    "@desktop\n"
    "  @computer\n"
    "    ローカル ディスク (C:)\n"
    "      Windows\n"
    "        System\n"
    "    Data (D:)\n"
    "      A\n"
    "      Work\n"
    "    Media (E:)\n"
    "      Photos\n";

const char RememberedMissing[] = "記憶したフォルダが見つかりません。";
const char ConfiguredMissing[] = "設定したフォルダが見つかりません。";
const char NotConfiguredD[] = "Dドライブのフォルダへのパスは設定されていません。";

enum Keys { NoKey, ShiftKey, CtrlKey, CtrlShiftKey };

using Overrides = std::vector<std::pair<std::string, int>>;

// A settings file with the default values except overrides, plus the given
// lines of [Current] and [Path].
std::string MakeIni(const Overrides &overrides, const std::string &current, const std::string &path)
{
    std::vector<std::pair<std::string, int>> behavior = {
        {"Version", 100}, {"State", 6}, {"PathNotFind", 1}, {"SetPathNotFind", 2}, {"NonSetPath", 0}};
    std::vector<std::pair<std::string, int>> actions = {{"Normal", 0}, {"Shift", 1}, {"Ctrl", 2}};
    for (const auto &change : overrides) {
        bool known = false;
        for (auto *keys : {&behavior, &actions})
            for (auto &key : *keys)
                if (key.first == change.first) {
                    key.second = change.second;
                    known = true;
                }
        if (!known)
            actions.push_back(change);   // a key the plug-in does not read
    }
    std::string ini = "[Behavior]\r\n";
    for (const auto &key : behavior)
        ini += key.first + "=" + std::to_string(key.second) + "\r\n";
    ini += "[EnterAction]\r\n";
    for (const auto &key : actions)
        ini += key.first + "=" + std::to_string(key.second) + "\r\n";
    if (!current.empty())
        ini += "[Current]\r\n" + current;
    if (!path.empty())
        ini += "[Path]\r\n" + path;
    return ini;
}

// The keys of a section as "K=V;K=V", read back from the file.
std::string SectionOf(const PluginCopy &plugin, const char *section)
{
    char buffer[4096] = "";
    DWORD length = GetPrivateProfileSectionA(section, buffer, sizeof buffer, plugin.iniPath().c_str());
    std::string joined;
    for (DWORD at = 0; at < length && buffer[at] != '\0'; at += lstrlenA(buffer + at) + 1)
        joined += (joined.empty() ? "" : ";") + std::string(buffer + at);
    return joined;
}

int ChangeWith(Keys keys, char letter, TestHost &host)
{
    SetModifiers(keys == ShiftKey || keys == CtrlShiftKey, keys == CtrlKey || keys == CtrlShiftKey);
    int moved = ChangeDrive(letter, host.tree(), host.info()->currentPath, FindFirstDriveItem(host.tree()),
                            host.window());
    SetModifiers(false, false);
    return moved;
}

struct Case {
    const char *name;
    Overrides overrides;
    std::string current;    // lines of [Current]
    std::string path;       // lines of [Path]
    Keys keys;
    int moved;
    const char *selected;   // the host's new folder; "" when the selection must not change
    const char *message;    // "" when no message may be shown
    UINT icon;
};

// Runs drive D from C:\Windows\ and checks the result, the host's selection,
// the one message (text, title, icon, owner, OK only) and [Current].
void Check(const Case &c, const char *file, int line)
{
    SCOPED_TRACE(testing::Message() << file << ":" << line << ": " << c.name);
    PluginCopy plugin;
    plugin.WriteIni(MakeIni(c.overrides, c.current, c.path));
    LoadSettingsOf(plugin);
    TestHost host(Tree);
    host.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    int before = host.selectionChanges;

    EXPECT_EQ(ChangeWith(c.keys, 'D', host), c.moved);

    if (c.selected[0] != '\0') {
        EXPECT_EQ(host.selectionChanges, before + 1);
        EXPECT_EQ(host.SelectedPath(), c.selected);
    } else {
        EXPECT_EQ(host.selectionChanges, before) << "moved to " << host.SelectedPath();
    }
    if (c.message[0] == '\0') {
        EXPECT_TRUE(boxes.shown.empty()) << "shown: " << boxes.shown[0].text;
    } else if (boxes.shown.size() != 1) {
        ADD_FAILURE() << "expected the message " << c.message << ", got " << boxes.shown.size() << " messages";
    } else {
        const ShownMessage &shown = boxes.shown[0];
        EXPECT_EQ(shown.text, c.message);
        EXPECT_EQ(shown.title, "ドライブの変更");
        EXPECT_EQ(shown.icon, c.icon);
        EXPECT_EQ(shown.owner, host.window());
        EXPECT_EQ(shown.buttons, std::vector<int>{IDOK});
    }
    // The folder left is recorded on every move and only then.
    std::string current = SectionOf(plugin, "Current");
    std::string expected = c.current;
    for (size_t at; (at = expected.find("\r\n")) != std::string::npos;)
        expected.replace(at, 2, ";");
    if (!expected.empty() && expected.back() == ';')
        expected.pop_back();
    if (c.moved)
        expected += (expected.empty() ? "" : ";") + std::string("C=C:\\Windows\\");
    EXPECT_EQ(current, expected);
}

#define CHECK_CASES(cases) \
    for (const Case &c : cases) Check(c, __FILE__, __LINE__)

TEST(DriveChange, DefaultsPickFolderByModifiers)
{
    const std::string stored = "D=D:\\Work\\\r\n";
    const std::string configured = "D=D:\\A\\\r\n";
    const Case cases[] = {
        {"no modifier: root", {}, stored, configured, NoKey, 1, "D:\\", "", 0},
        {"Shift: remembered", {}, stored, configured, ShiftKey, 1, "D:\\Work\\", "", 0},
        {"Ctrl: configured", {}, stored, configured, CtrlKey, 1, "D:\\A\\", "", 0},
        {"Ctrl+Shift: root", {}, stored, configured, CtrlShiftKey, 1, "D:\\", "", 0},
        {"Ctrl+Shift stays root whatever the file says", {{"CtrlShift", 1}}, stored, configured, CtrlShiftKey, 1,
         "D:\\", "", 0},
        {"actions come from the file", {{"Normal", 2}, {"Shift", 0}, {"Ctrl", 1}}, stored, configured, NoKey, 1,
         "D:\\A\\", "", 0},
        {"Ctrl reads Ctrl", {{"Normal", 2}, {"Shift", 0}, {"Ctrl", 1}}, stored, configured, CtrlKey, 1,
         "D:\\Work\\", "", 0},
    };
    CHECK_CASES(cases);
}

TEST(DriveChange, RememberedFolderMissing)
{
    const std::string gone = "D=D:\\Work\\Gone\\\r\n";
    const Case cases[] = {
        {"defaults: no message, root", {}, gone, "", ShiftKey, 1, "D:\\", "", 0},
        {"stay", {{"State", 1}, {"PathNotFind", 0}}, gone, "", ShiftKey, 0, "", RememberedMissing, MB_ICONERROR},
        {"root", {{"State", 1}, {"PathNotFind", 1}}, gone, "", ShiftKey, 1, "D:\\", RememberedMissing, MB_ICONERROR},
        {"deepest", {{"State", 1}, {"PathNotFind", 2}}, gone, "", ShiftKey, 1, "D:\\Work\\", RememberedMissing,
         MB_ICONERROR},
        {"deepest without a message", {{"State", 6}, {"PathNotFind", 2}}, gone, "", ShiftKey, 1, "D:\\Work\\", "", 0},
        {"deepest on a missing drive: root", {{"State", 1}, {"PathNotFind", 2}}, "D=G:\\Work\\\r\n", "", ShiftKey,
         1, "D:\\", RememberedMissing, MB_ICONERROR},
        {"stay without a message", {{"State", 0}, {"PathNotFind", 0}}, gone, "", ShiftKey, 0, "", "", 0},
        {"other State bits do not warn", {{"State", 0x7FFFFFFE}, {"PathNotFind", 0}}, gone, "", ShiftKey, 0, "", "",
         0},
    };
    CHECK_CASES(cases);
}

// Without a remembered folder the root is the answer, silently.
TEST(DriveChange, NothingRemembered)
{
    const Case cases[] = {
        {"defaults", {}, "", "", ShiftKey, 1, "D:\\", "", 0},
        {"every warning, stay", {{"State", 7}, {"PathNotFind", 0}}, "", "", ShiftKey, 1, "D:\\", "", 0},
        {"every warning, deepest", {{"State", 7}, {"PathNotFind", 2}}, "E=E:\\Photos\\\r\n", "", ShiftKey, 1, "D:\\",
         "", 0},
        {"absent-key text stored", {{"State", 7}, {"PathNotFind", 0}}, "D=key Name Not Set\r\n", "", ShiftKey, 1,
         "D:\\", "", 0},
    };
    CHECK_CASES(cases);
}

TEST(DriveChange, ConfiguredFolderMissing)
{
    const std::string missing = "D=D:\\A\\B\\\r\n";
    const Case cases[] = {
        {"defaults: message, deepest", {}, "", missing, CtrlKey, 1, "D:\\A\\", ConfiguredMissing, MB_ICONERROR},
        {"stay", {{"SetPathNotFind", 0}}, "", missing, CtrlKey, 0, "", ConfiguredMissing, MB_ICONERROR},
        {"root", {{"SetPathNotFind", 1}}, "", missing, CtrlKey, 1, "D:\\", ConfiguredMissing, MB_ICONERROR},
        {"no message", {{"State", 5}}, "", missing, CtrlKey, 1, "D:\\A\\", "", 0},
        {"deepest on a missing drive: root", {}, "", "D=G:\\A\\\r\n", CtrlKey, 1, "D:\\", ConfiguredMissing,
         MB_ICONERROR},
        {"remembered warning bit plays no part", {{"State", 1}, {"SetPathNotFind", 0}}, "", missing, CtrlKey, 0, "",
         "", 0},
    };
    CHECK_CASES(cases);
}

TEST(DriveChange, NoConfiguredFolder)
{
    const Case cases[] = {
        {"defaults: warning, stay", {}, "", "", CtrlKey, 0, "", NotConfiguredD, MB_ICONWARNING},
        {"other drive configured", {}, "", "E=E:\\Photos\\\r\n", CtrlKey, 0, "", NotConfiguredD, MB_ICONWARNING},
        {"absent-key text stored", {}, "", "D=key Name Not Set\r\n", CtrlKey, 0, "", NotConfiguredD,
         MB_ICONWARNING},
        {"NonSetPath 1: root", {{"NonSetPath", 1}}, "", "", CtrlKey, 1, "D:\\", NotConfiguredD, MB_ICONWARNING},
        {"NonSetPath -1: root", {{"NonSetPath", -1}}, "", "", CtrlKey, 1, "D:\\", NotConfiguredD, MB_ICONWARNING},
        {"no warning bit", {{"State", 3}}, "", "", CtrlKey, 0, "", "", 0},
        {"no warning bit, root", {{"State", 3}, {"NonSetPath", 2}}, "", "", CtrlKey, 1, "D:\\", "", 0},
        {"remembered branch never warns about configuration", {{"State", 7}}, "", "", ShiftKey, 1, "D:\\", "", 0},
    };
    CHECK_CASES(cases);
}

// Codes outside 0..2 act as the root: an unknown action goes there directly,
// an unknown fallback after the message.
TEST(DriveChange, CodesOutsideTheirRangeActAsRoot)
{
    const std::string stored = "D=D:\\Work\\\r\n";
    const std::string configured = "D=D:\\A\\\r\n";
    const std::string gone = "D=D:\\A\\Gone\\\r\n";
    const Case cases[] = {
        {"Normal 7", {{"Normal", 7}}, stored, configured, NoKey, 1, "D:\\", "", 0},
        {"Shift -1", {{"Shift", -1}}, stored, configured, ShiftKey, 1, "D:\\", "", 0},
        {"Ctrl 3", {{"Ctrl", 3}}, stored, configured, CtrlKey, 1, "D:\\", "", 0},
        {"PathNotFind 7", {{"State", 1}, {"PathNotFind", 7}}, gone, "", ShiftKey, 1, "D:\\", RememberedMissing,
         MB_ICONERROR},
        {"PathNotFind -1", {{"State", 1}, {"PathNotFind", -1}}, gone, "", ShiftKey, 1, "D:\\", RememberedMissing,
         MB_ICONERROR},
        {"SetPathNotFind 3", {{"SetPathNotFind", 3}}, "", gone, CtrlKey, 1, "D:\\", ConfiguredMissing, MB_ICONERROR},
        {"SetPathNotFind -2", {{"SetPathNotFind", -2}}, "", gone, CtrlKey, 1, "D:\\", ConfiguredMissing,
         MB_ICONERROR},
    };
    CHECK_CASES(cases);
}

// A stored path finds its drive by its own first byte: another drive's folder
// is reached, a lowercase letter never is.
TEST(DriveChange, StoredPathNamesItsOwnDrive)
{
    const Case cases[] = {
        {"remembered on E", {}, "D=E:\\Photos\\\r\n", "", ShiftKey, 1, "E:\\Photos\\", "", 0},
        {"configured on E", {}, "", "D=E:\\Photos\\\r\n", CtrlKey, 1, "E:\\Photos\\", "", 0},
        {"remembered lowercase", {{"State", 1}, {"PathNotFind", 0}}, "D=d:\\Work\\\r\n", "", ShiftKey, 0, "",
         RememberedMissing, MB_ICONERROR},
        {"remembered lowercase, defaults", {}, "D=d:\\Work\\\r\n", "", ShiftKey, 1, "D:\\", "", 0},
        {"configured lowercase", {}, "", "D=d:\\A\\\r\n", CtrlKey, 1, "D:\\", ConfiguredMissing, MB_ICONERROR},
        {"remembered folder in other case", {}, "D=D:\\WORK\\\r\n", "", ShiftKey, 1, "D:\\Work\\", "", 0},
        {"empty value", {{"State", 1}, {"PathNotFind", 0}}, "D=\r\n", "", ShiftKey, 0, "", RememberedMissing,
         MB_ICONERROR},
    };
    CHECK_CASES(cases);
}

TEST(DriveChange, DriveNotInTreeStaysSilently)
{
    PluginCopy plugin;
    plugin.WriteIni(MakeIni({{"State", 7}, {"NonSetPath", 1}}, "G=D:\\Work\\\r\n", "G=D:\\A\\\r\n"));
    LoadSettingsOf(plugin);
    TestHost host(Tree);
    host.SetCurrentPath("C:\\Windows\\");
    MessageBoxWatch boxes;
    for (Keys keys : {NoKey, CtrlShiftKey}) {
        EXPECT_EQ(ChangeWith(keys, 'G', host), 0);
        EXPECT_EQ(ChangeWith(keys, 'd', host), 0);
    }
    EXPECT_EQ(host.selectionChanges, 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(SectionOf(plugin, "Current"), "G=D:\\Work\\");
}

// The host's current path is the host's own buffer, which the selection
// change rewrites: the folder left must already be in the file by then.
TEST(DriveChange, FolderLeftIsWrittenBeforeTheSelectionChanges)
{
    static std::string iniPath;
    static std::vector<std::string> seenAtSelection;
    static WNDPROC hostProc = nullptr;
    struct Spy {
        static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
        {
            if (message == WM_NOTIFY) {
                UINT code = ((NMHDR *)lParam)->code;
                if (code == TVN_SELCHANGEDA || code == TVN_SELCHANGEDW) {
                    std::string bytes = ReadFileBytes(iniPath);
                    size_t at = bytes.find("[Current]\r\n");
                    seenAtSelection.push_back(at == std::string::npos ? "" : bytes.substr(at + 11));
                }
            }
            return CallWindowProcA(hostProc, window, message, wParam, lParam);
        }
    };
    PluginCopy plugin;
    LoadSettingsOf(plugin);
    iniPath = plugin.iniPath();
    seenAtSelection.clear();
    TestHost host(Tree);
    host.SetCurrentPath("D:\\Work\\");
    hostProc = (WNDPROC)SetWindowLongPtrA(host.window(), GWLP_WNDPROC, (LONG_PTR)Spy::Proc);

    ASSERT_EQ(ChangeWith(NoKey, 'C', host), 1);
    SetWindowLongPtrA(host.window(), GWLP_WNDPROC, (LONG_PTR)hostProc);

    // Two notifications: the cleared selection, then the target.
    ASSERT_FALSE(seenAtSelection.empty());
    for (const std::string &seen : seenAtSelection)
        EXPECT_EQ(seen, "D=D:\\Work\\\r\n");
    EXPECT_EQ(host.currentPath(), "C:\\");
    EXPECT_EQ(SectionOf(plugin, "Current"), "D=D:\\Work\\");
}

TEST(DriveChange, FolderLeftIsStoredUnderItsOwnLetter)
{
    struct PathCase {
        const char *currentPath;
        char letter;             // drive chosen
        const char *before;      // [Current] before
        const char *after;       // [Current] after, "K=V;K=V"
    } cases[] = {
        {"D:\\Work\\", 'C', "", "D=D:\\Work\\"},
        {"D:\\Work\\", 'D', "D=D:\\Old\\\r\n", "D=D:\\Work\\"},   // the drive itself is rewritten
        {"d:\\work\\", 'C', "", "D=d:\\work\\"},
        {"E:\\Photos\\", 'D', "D=D:\\Old\\\r\n", "D=D:\\Old\\;E=E:\\Photos\\"},
        {"C:\\表示\\", 'D', "", "C=C:\\表示\\"},
        {"", 'D', "", ""},
        {"1:\\Work\\", 'D', "", ""},
        {"\\\\server\\share\\", 'D', "", ""},
        {"\x83\x5C\\", 'D', "", ""},
    };
    for (const PathCase &c : cases) {
        SCOPED_TRACE(std::string("from \"") + c.currentPath + "\" to " + c.letter);
        PluginCopy plugin;
        plugin.WriteIni(MakeIni({}, c.before, ""));
        LoadSettingsOf(plugin);
        TestHost host(Tree);
        host.SetCurrentPath(c.currentPath);
        ASSERT_EQ(ChangeWith(NoKey, c.letter, host), 1);
        EXPECT_EQ(SectionOf(plugin, "Current"), c.after);
    }
}

// Choosing the drive whose root is already selected still moves the host, so
// it shows the folder again.
TEST(DriveChange, TargetAlreadySelectedStillMovesHost)
{
    PluginCopy plugin;
    plugin.WriteIni(MakeIni({}, "D=D:\\Work\\\r\n", ""));
    LoadSettingsOf(plugin);
    TestHost host(Tree);
    for (Keys keys : {NoKey, ShiftKey}) {
        WriteDriveFolder("Current", 'D', "D:\\Work\\");
        SelectTreeItem(host.tree(), host.ItemAt(keys == NoKey ? "D:\\" : "D:\\Work\\"));
        int before = host.selectionChanges;
        ASSERT_EQ(ChangeWith(keys, 'D', host), 1);
        EXPECT_EQ(host.selectionChanges, before + 1);
        EXPECT_EQ(host.SelectedPath(), keys == NoKey ? "D:\\" : "D:\\Work\\");
    }
}

// The dialog's drive list reads labels with the same rule and the same 256
// bytes: a label whose ":)" lies past them is not a drive.
TEST(DriveChange, DialogListsOnlyLabelsThatFitTheReadBuffer)
{
    PluginCopy plugin;
    const std::string cut = std::string(251, 'x') + " (H:)";
    TestHost host("@desktop\n  @computer\n    ローカル ディスク (C:)\n    " + cut + "\n    Data (D:)\n");
    host.SetCurrentPath("C:\\");
    std::vector<char> letters;
    ModalScript script;
    script.WaitForWindow("ドライブの変更").Then([&] {
        HWND combo = FindWindowExA(script.window(), nullptr, "ComboBoxEx32", nullptr);
        int count = (int)SendMessageA(combo, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i)
            letters.push_back((char)SendMessageA(combo, CB_GETITEMDATA, i, 0));
        PostMessageA(script.window(), WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_FALSE(script.timedOut());
    EXPECT_EQ(std::string(letters.begin(), letters.end()), "CD");
}

}  // namespace

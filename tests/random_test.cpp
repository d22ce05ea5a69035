// Randomized inputs: hostile settings files, odd host trees and stored paths.
// Tree lookups are checked against the model in support/tree_model, written
// apart from the product's code. Seeded; KESTRIN_SEED=<n> replays a reported failure.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "changer/drive_change.h"
#include "plugin/settings.h"
#include "support/keyboard.h"
#include "support/message_boxes.h"
#include "support/modal_script.h"
#include "support/sheet_driver.h"
#include "support/plugin_copy.h"
#include "support/test_host.h"
#include "support/tree_model.h"
#include "tree/host_tree.h"

namespace {

unsigned Seed()
{
    const char *text = getenv("KESTRIN_SEED");
    return text != nullptr && *text != '\0' ? (unsigned)strtoul(text, nullptr, 0) : 20240611u;
}
#define TRACE_SEED(seed) SCOPED_TRACE("replay with KESTRIN_SEED=" + std::to_string(seed))

struct RandomTree {
    TestHost host{"@desktop\n  @computer\n"};
    HostNode *computer = nullptr;
    std::vector<HostNode *> folders;   // every folder node, for path picking
};

// 26 real drives among decoy labels, random folders, and one crowded folder.
void Grow(RandomTree &tree, Random &random, int crowd)
{
    tree.computer = tree.host.FindNode({"@desktop", "@computer"});
    std::vector<HostNode *> drives;
    for (int letter = 0; letter < 26; ++letter) {
        // Decoys mostly after the drive, so most drives keep their folders.
        if (random.Chance(10))
            tree.host.AddNode(tree.computer, RandomLabel(random));
        drives.push_back(tree.host.AddNode(tree.computer, random.Pick(NamePieces) + " (" + char('A' + letter) + ":)"));
        while (random.Chance(30))
            tree.host.AddNode(tree.computer, RandomLabel(random));
    }
    std::vector<HostNode *> parents(drives);
    for (int i = 0; i < 300; ++i) {
        HostNode *parent = random.Pick(parents);
        HostNode *node = tree.host.AddNode(parent, random.Chance(2) ? "" : RandomName(random));
        tree.folders.push_back(node);
        if (random.Chance(60))
            parents.push_back(node);
    }
    HostNode *crowded = random.Pick(drives);
    for (int i = 0; i < crowd; ++i)
        tree.folders.push_back(tree.host.AddNode(crowded, RandomName(random) + std::to_string(i)));
}

// A stored path: a real folder's path, often damaged on the way.
std::string RandomStoredPath(Random &random, const RandomTree &tree)
{
    std::string path = PathOfNode(random.Pick(tree.folders));
    switch (random.Below(9)) {
    case 0: path.pop_back(); break;                                          // no final backslash
    case 1: path.insert(NextSeparator(path, 0), "\\"); break;                // doubled backslash
    case 2: path[0] = (char)tolower((unsigned char)path[0]); break;         // lowercase drive letter
    case 3: for (char &c : path) c = (char)toupper((unsigned char)c); break; // other case, lead bytes kept
    case 4: path += random.Chance(50) ? "\x81" : "\x95"; break;             // lone lead byte at the end
    case 5: path += RandomName(random) + "\\"; break;                        // one folder too many
    case 6: path = path.substr(0, 2) + path.substr(3); break;                // "C:Windows\"
    case 7: path = path.substr(0, random.Below(4)); break;                   // "", "C", "C:", "C:\"
    default: break;
    }
    return path;
}

std::string Describe(const HostNode *node) { return node == nullptr ? "(none)" : Escaped(PathOfNode(node)); }

std::string TextOf(HWND tree, HTREEITEM item)
{
    char text[1024] = "(none)";
    if (item != nullptr) {
        TVITEMA read{};
        read.mask = TVIF_TEXT;
        read.hItem = item;
        read.pszText = text;
        read.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&read);
    }
    return Escaped(text);
}

// ":)" at every position of labels up to 300 bytes: the rule itself, the
// rule on texts as read from a real tree (cut to 255 bytes, never past the
// read buffer), and the dialog's drive list.
TEST(Randomized, DriveLabelRuleAtEveryPosition)
{
    unsigned seed = Seed();
    TRACE_SEED(seed);
    Random random(seed);
    TestHost host("@desktop\n  @computer\n");
    HostNode *computer = host.FindNode({"@desktop", "@computer"});
    int drives = 0;
    for (int at = 0; at <= 300; ++at) {
        std::string text;
        while ((int)text.size() < at)
            text += random.Pick(NamePieces);
        text.resize(at);   // may cut a character: the rule is byte-wise
        text += random.Pick(std::vector<std::string>{"(C:)", "(c:)", "C:)", "(\x83\x43:)", "(\x82\x60:)", ":)", "(Z:)"});
        text += random.Chance(50) ? "(D:)" : "";
        SCOPED_TRACE("\":)\" near byte " + std::to_string(at) + ": " + Escaped(text));
        EXPECT_EQ(GetDriveLetterFromLabel(text.c_str()), ModelLetter(text));
        if (IsLead((unsigned char)text[at - (at > 0)]))
            continue;   // not valid CP932 for the tree
        host.AddNode(computer, text);
        drives += ModelLetter(AsRead(text)) != 0;
    }

    SendMessageA(host.tree(), TVM_EXPAND, TVE_EXPAND, (LPARAM)host.Item({"@desktop", "@computer"}));
    for (auto &node : computer->children) {
        HTREEITEM item = node->item;
        char text[ItemTextSize + 64];
        FillMemory(text, sizeof text, 0xCC);
        ASSERT_TRUE(GetTreeItemText(host.tree(), item, text, ItemTextSize));
        SCOPED_TRACE(Escaped(node->text));
        for (size_t b = ItemTextSize; b < sizeof text; ++b)
            ASSERT_EQ((unsigned char)text[b], 0xCC) << "read past the 256-byte buffer";
        EXPECT_EQ(std::string(text), AsRead(node->text));
        EXPECT_EQ(GetDriveLetterFromLabel(text), ModelLetter(AsRead(node->text)));
    }

    PluginCopy plugin;
    int listed = -1;
    ModalScript script;
    script.WaitForWindow("ドライブの変更").Then([&] {
        listed = (int)SendDlgItemMessageA(script.window(), 1001, CB_GETCOUNT, 0, 0);
        PostMessageA(script.window(), WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(plugin.DoProcess(host.info()), 1);
    EXPECT_EQ(listed, drives) << "drive list entries";
}

// Drive lookups and walks of damaged stored paths agree with the model.
TEST(Randomized, WalkAgreesWithModel)
{
    unsigned seed = Seed();
    TRACE_SEED(seed);
    Random random(seed);
    RandomTree tree;
    Grow(tree, random, 3000);
    HWND hwnd = tree.host.tree();

    HTREEITEM first = FindFirstDriveItem(hwnd);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        Walked model = ModelWalk(tree.computer, std::string(1, letter) + ":\\");
        SCOPED_TRACE(std::string("drive ") + letter);
        EXPECT_EQ(FindDriveItem(hwnd, first, letter), model.found ? model.found->item : nullptr)
            << "expected " << (model.found ? Escaped(model.found->text) : "(none)") << ", got "
            << TextOf(hwnd, FindDriveItem(hwnd, first, letter));
    }
    int reached = 0;
    for (int i = 0; i < 400; ++i) {
        std::string path = RandomStoredPath(random, tree);
        SCOPED_TRACE("case " + std::to_string(i) + ": " + Escaped(path));
        Walked model = ModelWalk(tree.computer, path);
        HTREEITEM deepest = (HTREEITEM)1;
        HTREEITEM found = WalkPath(hwnd, path.c_str(), &deepest);
        reached += found != nullptr;
        EXPECT_EQ(found, model.found ? model.found->item : nullptr)
            << "expected " << Describe(model.found) << ", got " << Escaped(tree.host.PathOf(found));
        EXPECT_EQ(deepest, model.deepest ? model.deepest->item : nullptr)
            << "expected deepest " << Describe(model.deepest) << ", got " << Escaped(tree.host.PathOf(deepest));
    }
    // Damage leaves about half the paths walkable; far fewer means the
    // generator lost its way and the comparison proves little.
    EXPECT_GT(reached, 60);
}

// --- Settings files.

const std::vector<std::string> IntegerTexts = {
    "12abc", "-1", "4294967297", "0x10", "abc", "", " 7 ", "2147483648", "-2147483649",
    "99999999999999999999", "1", "2", "0", "6", "+3", "\x95\x5C",
};
const std::vector<std::string> IntegerKeys = {
    "Version", "State", "PathNotFind", "SetPathNotFind", "NonSetPath", "Normal", "Shift", "Ctrl", "CtrlShift",
};
const std::vector<std::string> Sections = {
    "[Behavior]", "[EnterAction]", "[Current]", "[Path]", "[behavior]", "[Path", "[]", "[\x95\x5C]",
};
const std::vector<std::string> RealFolders = {"C:\\Windows\\", "D:\\Work\\Deep\\", "E:\\", "D:\\Work"};

std::string RandomValue(Random &random)
{
    std::string value = random.Pick(RealFolders);
    int length = random.Pick(std::vector<int>{0, 3, 259, 260, 300, 1000 + random.Below(400)});
    if (length > 3)
        while ((int)value.size() < length)
            value += random.Pick(NamePieces) + (random.Chance(20) ? "\\" : "");
    value.resize(length == 3 ? value.size() : length);
    return value;
}

std::string RandomIni(Random &random)
{
    std::string file;
    if (random.Chance(3))
        file += "\xFF\xFE";   // what Windows takes for a UTF-16 file
    int lines = 3 + random.Below(40);
    for (int i = 0; i < lines; ++i) {
        switch (random.Below(6)) {
        case 0: file += random.Pick(Sections); break;
        case 1: file += random.Pick(IntegerKeys) + "=" + random.Pick(IntegerTexts); break;
        case 2:
        case 3: file += std::string(1, (char)(random.Chance(80) ? 'A' + random.Below(26) : 'a' + random.Below(26)))
                        + "=" + RandomValue(random);
                break;
        case 4: file += std::string(random.Chance(50) ? 1000 + random.Below(300) : 1, 'k') + "=" + RandomValue(random);
                break;
        default:
            for (int n = random.Below(1200); n > 0; --n)
                file += (char)random.Below(256);
        }
        file += random.Chance(80) ? "\r\n" : "\n";
    }
    return file;
}

const char DriveTree[] =
    "@desktop\n"
    "  @computer\n"
    "    ローカル ディスク (C:)\n"
    "      Windows\n"
    "    Data (D:)\n"
    "      Work\n"
    "        Deep\n"
    "    Media (E:)\n";

// No crash, no write past a 260-byte buffer, nothing written by a read, and
// a drive change that stays writes nothing while one that moves records the
// folder being left.
TEST(Randomized, HostileSettingsFiles)
{
    unsigned seed = Seed();
    TRACE_SEED(seed);
    Random random(seed);
    PluginCopy plugin;
    TestHost host(DriveTree);
    MessageBoxWatch boxes;
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        std::string file = RandomIni(random);
        plugin.WriteIni(file);
        LoadSettingsOf(plugin);
        ASSERT_EQ(plugin.ReadIni(), file) << "loading the settings changed the file";

        for (const char *section : {"Current", "Path"})
            for (char letter = 'A'; letter <= 'Z'; ++letter) {
                char buffer[MAX_PATH + 64];
                FillMemory(buffer, sizeof buffer, 0xCC);
                ReadDriveFolder(section, letter, buffer, MAX_PATH);
                EXPECT_LT(strnlen(buffer, MAX_PATH), (size_t)MAX_PATH) << section << " " << letter << " unterminated";
                for (size_t b = MAX_PATH; b < sizeof buffer; ++b)
                    ASSERT_EQ((unsigned char)buffer[b], 0xCC) << section << " " << letter << " wrote past 260 bytes";
            }

        std::string left = random.Pick(std::vector<std::string>{"D:\\Work\\", "C:\\Windows\\", "", "e:\\",
                                                                "C:\\" + std::string(290, 'L') + "\\"});
        host.SetCurrentPath(left);
        int changesBefore = host.selectionChanges;
        SetModifiers(random.Chance(50), random.Chance(50));
        int moved = ChangeDrive((char)('C' + random.Below(4)), host.tree(), host.currentPath().c_str(),
                                FindFirstDriveItem(host.tree()), host.window());
        SetModifiers(false, false);
        if (moved == 0) {
            EXPECT_EQ(plugin.ReadIni(), file) << "a drive change that stayed wrote to the file";
            EXPECT_EQ(host.selectionChanges, changesBefore);
        } else {
            ASSERT_EQ(moved, 1);
            EXPECT_EQ(host.selectionChanges, changesBefore + 1);
        }
    }
}

// The dialog and every page of the settings sheet open over a hostile file
// and cancel without touching it.
TEST(Randomized, DialogAndSheetOverHostileFile)
{
    unsigned seed = Seed();
    TRACE_SEED(seed);
    Random random(seed);
    PluginCopy plugin;
    TestHost host(DriveTree);
    host.SetCurrentPath("D:\\Work\\");
    MessageBoxWatch boxes;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        std::string file = RandomIni(random);
        plugin.WriteIni(file);
        SheetWindows windows;
        ModalScript script;
        OpenSheet(script, windows).Then([&] {
            ShowPage(windows.sheet, DestinationPageIndex);
            ShowPage(windows.sheet, RememberedPageIndex);
            return true;
        });
        CloseSheet(script, windows, IDCANCEL);
        CloseDialog(script, windows);
        EXPECT_EQ(plugin.DoProcess(host.info()), 1);
        EXPECT_FALSE(script.timedOut()) << "stopped after step " << script.stepsDone();
        EXPECT_EQ(plugin.ReadIni(), file) << "cancel changed the file";
    }
}

}  // namespace

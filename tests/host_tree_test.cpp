// Tree lookups, the path walk and the selection against a real tree view.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "support/test_host.h"
#include "tree/host_tree.h"

namespace {

const char StandardTree[] =
    "@desktop\n"
    "  @computer\n"
    "    3.5 インチ FD (A:)\n"
    "    ローカル ディスク (C:)\n"
    "      Windows\n"
    "        System\n"
    "      表示\n"
    "        ソフト\n"
    "      ソ\n"
    "      Program Files\n"
    "    Data (D:)\n"
    "      Work\n"
    "    Old (F:)\n"
    "      Windows\n";

const char DriveC[] = "ローカル ディスク (C:)";

// "(none)" for no item, else the host path of the item ("" above the drives).
std::string Describe(TestHost &host, HTREEITEM item)
{
    return item == nullptr ? "(none)" : host.PathOf(item);
}

TEST(HostTree, DriveLabelRule)
{
    const std::string longPrefix(300, 'x');
    struct Case {
        std::string label;
        char letter;
    } cases[] = {
        {"Data (D:)", 'D'},
        {"ローカル ディスク (C:)", 'C'},
        {"(Z:)", 'Z'},
        {"Backup (D:) (E:)", 'D'},
        {"Disk (d:) (E:)", 0},          // only the first ":)" counts
        {"Disk (d:)", 0},
        {"D:)", 0},
        {":)", 0},                      // ":)" at position 0
        {"D:) (E:)", 0},                // first ":)" at position 1
        {"(D:", 0},
        {"(D)", 0},
        {"Disk [D:)", 0},
        {"Disk (@:)", 0},
        {"Disk ([:)", 0},
        {"", 0},
        {"表(D:)", 'D'},
        {longPrefix + " (D:)", 'D'},    // the rule itself has no length limit
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(GetDriveLetterFromLabel(c.label.c_str()), c.letter);
    }
}

// Wine's tree view fills a short buffer to the brim without a terminator; the
// read must still give a terminated text inside the buffer.
TEST(HostTree, LongItemTextIsCutInsideTheBuffer)
{
    TestHost host("@desktop\n  @computer\n    Data (D:)\n");
    HostNode *drive = host.FindNode({"@desktop", "@computer", "Data (D:)"});
    const std::string texts[] = {std::string(300, 'L'), std::string(255, 'M'), std::string(10, 'N') + "表示表示表示"};
    for (const std::string &text : texts)
        host.AddNode(drive, text);
    for (const std::string &text : texts) {
        HTREEITEM item = host.Item({"@desktop", "@computer", "Data (D:)", text});
        ASSERT_NE(item, nullptr);
        for (int size : {(int)ItemTextSize, 8, 13}) {
            SCOPED_TRACE(text.substr(0, 12) + "... into " + std::to_string(size));
            char buffer[ItemTextSize + 64];
            memset(buffer, 0xCC, sizeof buffer);
            ASSERT_TRUE(GetTreeItemText(host.tree(), item, buffer, size));
            size_t length = strnlen(buffer, size);
            ASSERT_LT(length, (size_t)size) << "no terminator inside the buffer";
            EXPECT_EQ(text.compare(0, length, buffer, length), 0);
            EXPECT_GE(length, std::min(text.size(), (size_t)size - 2));
            for (size_t i = size; i < sizeof buffer; ++i)
                ASSERT_EQ((BYTE)buffer[i], 0xCC) << "byte " << i << " written past the buffer";
        }
    }
}

// Drive labels are read into 256 bytes: a ":)" that lies past byte 255 is not
// seen, one that ends at byte 255 is.
TEST(HostTree, LongDriveLabels)
{
    struct Case {
        std::string label;
        char letter;   // the drive FindDriveItem finds under this label, or 0
    } cases[] = {
        {std::string(250, 'x') + " (G:)", 'G'},   // 255 bytes
        {std::string(251, 'x') + " (H:)", 0},     // 256 bytes: ")" is cut off
        {std::string(400, 'x') + " (J:)", 0},
        {std::string(300, ':') + ")", 0},
    };
    std::string tree = "@desktop\n  @computer\n";
    for (const Case &c : cases)
        tree += "    " + c.label + "\n";
    TestHost host(tree);
    HTREEITEM first = FindFirstDriveItem(host.tree());
    for (const Case &c : cases) {
        char letter = c.label[c.label.size() - 3];
        SCOPED_TRACE(std::string(1, letter));
        HTREEITEM found = FindDriveItem(host.tree(), first, letter);
        if (c.letter == 0)
            EXPECT_EQ(found, nullptr);
        else
            EXPECT_EQ(found, host.Item({"@desktop", "@computer", c.label}));
    }
}

TEST(HostTree, FirstDriveThroughDesktopAndMyComputer)
{
    struct Case {
        const char *name;
        const char *tree;
        const char *firstDrive;   // path of the first drive, or "(none)"
    } cases[] = {
        {"standard", StandardTree, "A:\\"},
        {"root items before Desktop", "Network\nRecycle\n@desktop\n  @computer\n    Data (D:)\n", "D:\\"},
        {"items before My Computer", "@desktop\n  Documents\n  Network\n  @computer\n    Data (D:)\n", "D:\\"},
        {"no Desktop", "Somewhere\n  @computer\n    Data (D:)\n", "(none)"},
        {"My Computer at the root", "@computer\n  Data (D:)\n@desktop\n  Documents\n", "(none)"},
        {"no My Computer", "@desktop\n  Network\n    Data (D:)\n", "(none)"},
        {"Desktop without children", "@desktop\n", "(none)"},
        {"My Computer without children", "@desktop\n  @computer\n", "(none)"},
        {"empty tree", "", "(none)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestHost host(c.tree);
        HTREEITEM first = FindFirstDriveItem(host.tree());
        EXPECT_EQ(Describe(host, first), c.firstDrive);
    }
}

TEST(HostTree, FindDriveItemByLetter)
{
    TestHost host("@desktop\n  @computer\n    Disk (d:)\n    Folder\n    Backup (D:) (E:)\n    Media (E:)\n");
    HTREEITEM first = FindFirstDriveItem(host.tree());
    EXPECT_EQ(FindDriveItem(host.tree(), first, 'D'), host.Item({"@desktop", "@computer", "Backup (D:) (E:)"}));
    EXPECT_EQ(FindDriveItem(host.tree(), first, 'E'), host.Item({"@desktop", "@computer", "Media (E:)"}));
    EXPECT_EQ(FindDriveItem(host.tree(), first, 'd'), nullptr);
    EXPECT_EQ(FindDriveItem(host.tree(), first, 0), nullptr);
    EXPECT_EQ(FindDriveItem(host.tree(), nullptr, 'D'), nullptr);
}

TEST(HostTree, WalkPath)
{
    const std::string longName(300, 'L');
    struct Case {
        std::string path;
        const char *found;     // path of the item returned, or "(none)"
        const char *deepest;   // path of deepest, or "(none)"
    } cases[] = {
        {"C:\\Windows\\System\\", "C:\\Windows\\System\\", "C:\\Windows\\System\\"},
        {"C:\\Windows\\System", "C:\\Windows\\", "C:\\Windows\\"},   // text after the last "\" is not walked
        {"F:\\Windows\\System\\", "(none)", "F:\\Windows\\"},
        {"C:\\Missing\\System\\", "(none)", "C:\\"},
        {"E:\\Windows\\System\\", "(none)", "(none)"},
        {"C:", "C:\\", "(none)"},
        {"C:\\", "C:\\", "C:\\"},
        // Nothing between the letter and the first "\" is read.
        {"C:Program Files\\Windows\\", "C:\\Windows\\", "C:\\Windows\\"},
        {"C?\\Windows\\", "C:\\Windows\\", "C:\\Windows\\"},
        {"C:Windows\\System\\", "(none)", "C:\\"},
        {"C:\\windows\\SYSTEM\\", "C:\\Windows\\System\\", "C:\\Windows\\System\\"},
        {"c:\\Windows\\", "(none)", "(none)"},
        {"C:\\\\Windows\\", "(none)", "C:\\"},
        {"C:\\Windows\\\\System\\", "(none)", "C:\\Windows\\"},
        {"C:\\表示\\ソフト\\", "C:\\表示\\ソフト\\", "C:\\表示\\ソフト\\"},
        {"C:\\ソ\\", "C:\\ソ\\", "C:\\ソ\\"},
        {"C:\\表示\\ソ\\", "(none)", "C:\\表示\\"},
        {"D:\\Work\\", "D:\\Work\\", "D:\\Work\\"},
        {"D:\\" + longName + "\\", "(none)", "D:\\"},
        {"", "(none)", "(none)"},
        {"1:\\Windows\\", "(none)", "(none)"},
        {"\\\\server\\share\\", "(none)", "(none)"},
    };
    TestHost host(StandardTree);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        HTREEITEM deepest = (HTREEITEM)(INT_PTR)0x1234;
        HTREEITEM found = WalkPath(host.tree(), c.path.c_str(), &deepest);
        EXPECT_EQ(Describe(host, found), c.found);
        EXPECT_EQ(Describe(host, deepest), c.deepest);
    }
}

TEST(HostTree, BareDriveExpandsNothingBelowTheDrive)
{
    for (const char *path : {"C:", "C:\\"}) {
        SCOPED_TRACE(path);
        TestHost host(StandardTree);
        HTREEITEM drive = host.Item({"@desktop", "@computer", DriveC});
        HTREEITEM deepest = nullptr;
        EXPECT_EQ(WalkPath(host.tree(), path, &deepest), drive);
        EXPECT_FALSE(host.IsExpanded(drive));
        EXPECT_EQ(host.FindNode({"@desktop", "@computer", DriveC, "Windows"})->item, nullptr)
            << "the drive's folders were filled in";
    }
}

// Walking reads the tree's own texts, which may be longer than the read buffer.
TEST(HostTree, WalkPathPastLongSiblings)
{
    TestHost host("@desktop\n  @computer\n    Data (D:)\n");
    HostNode *drive = host.FindNode({"@desktop", "@computer", "Data (D:)"});
    host.AddNode(drive, std::string(300, 'L'));
    host.AddNode(drive, std::string(400, 'M') + "Work");
    host.AddNode(drive, std::string(255, 'N'));
    host.AddNode(drive, "Work");
    HTREEITEM deepest = nullptr;
    EXPECT_EQ(Describe(host, WalkPath(host.tree(), "D:\\Work\\", &deepest)), "D:\\Work\\");
    std::string n255 = "D:\\" + std::string(255, 'N') + "\\";
    EXPECT_EQ(Describe(host, WalkPath(host.tree(), n255.c_str(), &deepest)), n255);
    std::string l300 = "D:\\" + std::string(300, 'L') + "\\";
    EXPECT_EQ(Describe(host, WalkPath(host.tree(), l300.c_str(), &deepest)), "(none)");
    EXPECT_EQ(Describe(host, deepest), "D:\\");
}

// Selecting the item that is already selected still makes the host move.
TEST(HostTree, SelectTreeItemAlwaysChangesSelection)
{
    TestHost host(StandardTree);
    HTREEITEM work = host.ItemAt("D:\\Work\\");
    SelectTreeItem(host.tree(), work);
    ASSERT_EQ(host.SelectedPath(), "D:\\Work\\");
    int before = host.selectionChanges;
    SelectTreeItem(host.tree(), work);
    EXPECT_EQ(host.selectionChanges, before + 1);
    EXPECT_EQ(host.selections.back(), "D:\\Work\\");
    EXPECT_EQ(host.Selected(), work);
}

}  // namespace

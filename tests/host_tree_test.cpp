// Tree lookups and the path walk against a real tree view.
#include <gtest/gtest.h>
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
    "      Program Files\n"
    "    Data (D:)\n"
    "      Work\n";

TEST(HostTree, FindsFirstDriveThroughDesktopAndMyComputer)
{
    TestHost host(StandardTree);
    HTREEITEM first = FindFirstDriveItem(host.tree());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(host.PathOf(first), "A:\\");
}

TEST(HostTree, WalkStopsBeforeTextAfterLastSeparator)
{
    TestHost host(StandardTree);
    HTREEITEM deepest = nullptr;
    HTREEITEM found = WalkPath(host.tree(), "C:\\Windows\\System\\", &deepest);
    EXPECT_EQ(host.PathOf(found), "C:\\Windows\\System\\");
    found = WalkPath(host.tree(), "C:\\Windows\\System", &deepest);
    EXPECT_EQ(host.PathOf(found), "C:\\Windows\\");
}

}  // namespace

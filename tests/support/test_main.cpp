// The test program: the common controls and COM set up as the host has them.
#include <windows.h>
#include <ole2.h>
#include <commctrl.h>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls,
        ICC_TREEVIEW_CLASSES | ICC_USEREX_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}

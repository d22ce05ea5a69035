// A stand-in for the host file manager: a real top-level window with a real
// SysTreeView32 that fills its items only when they are expanded, as a real
// host does, and records every selection change.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "plugin/plugin.h"

struct HostNode {
    std::string text;
    int image = 0;
    int selectedImage = 0;
    HostNode *parent = nullptr;
    std::vector<std::unique_ptr<HostNode>> children;
    HTREEITEM item = nullptr;   // set once the node is in the tree
    bool filled = false;        // children inserted
};

// Image indices of the host's normal image list.
enum { DesktopImage, ComputerImage, DriveImage, DriveSelectedImage, FolderImage, ImageCount };

class TestHost {
public:
    // description: one item per line, two spaces of indent per level;
    // "@desktop" and "@computer" stand for the shell's display names.
    explicit TestHost(const std::string &description);
    ~TestHost();
    TestHost(const TestHost &) = delete;
    TestHost &operator=(const TestHost &) = delete;

    HWND window() const { return window_; }
    HWND tree() const { return tree_; }
    ProcessInfo *info() { return &info_; }

    void SetCurrentPath(const std::string &path);
    std::string currentPath() const { return currentPath_; }

    // The tree item of a node named by its texts from the root, inserting
    // (expanding) what is needed: {"@desktop", "@computer", "Data (D:)"}.
    HTREEITEM Item(const std::vector<std::string> &texts);
    // The item of a drive-letter path such as "D:\Work\" (drive then folders).
    HTREEITEM ItemAt(const std::string &path);
    // Adds a child under a node after construction (long texts, many siblings).
    HostNode *AddNode(HostNode *parent, const std::string &text);
    // Empties the tree and forgets its nodes and counts, keeping the window,
    // for a program that builds many trees in turn.
    void Clear();
    HostNode *root() { return &root_; }
    HostNode *FindNode(const std::vector<std::string> &texts);

    // The host path of an item: "C:\" for a drive, "C:\A\B\" for a folder,
    // "" for anything above the drives.
    std::string PathOf(HTREEITEM item) const;
    std::string SelectedPath() const;
    HTREEITEM Selected() const;
    bool IsExpanded(HTREEITEM item) const;

    // Starts command as a real host does: from the menu プラグイン(&P) >
    // ドライブの変更(&L) and from the hot key L, as the key goes down.
    void AddPluginCommand(std::function<void()> command);
    // This thread's messages, with the hot key, until done() or the time is up.
    bool RunMessagesUntil(const std::function<bool()> &done, DWORD milliseconds);
    // Another top-level window of the host's thread (a tool window with a
    // field to type in), which a modal dialog leaves enabled.
    HWND OpenToolWindow();

    int selectionChanges = 0;                 // TVN_SELCHANGED with a new item
    std::vector<std::string> selections;      // path of each such change
    int expandRequests = 0;                   // TVN_ITEMEXPANDING with TVE_EXPAND

    static std::string DesktopName();
    static std::string ComputerName();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(NMHDR *header);
    void InsertChildren(HostNode *node);
    HTREEITEM Insert(HostNode *node, HTREEITEM parent);
    HostNode *NodeOf(HTREEITEM item) const;

    HostNode root_;
    HWND window_ = nullptr;
    HWND tree_ = nullptr;
    HWND toolWindow_ = nullptr;
    HACCEL hotKeys_ = nullptr;
    std::function<void()> command_;
    HIMAGELIST images_ = nullptr;
    char currentPath_[MAX_PATH + 64] = "";   // the host's own buffer, as currentPath points at it
    ProcessInfo info_{};
};

// The letter of a drive label such as "Local Disk (C:)", or 0. Written apart
// from the product's own rule so the two can be compared.
char LabelLetter(const std::string &text);

// The test host window and its lazily filled tree.
#include "support/test_host.h"
#include <shlobj.h>
#include <sstream>

namespace {

const char HostClass[] = "KestrinTestHost";
const UINT PluginCommandId = 40100;

std::string ShellName(int folderId)
{
    std::string name;
    IShellFolder *desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)))
        return name;
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, folderId, &item))) {
        STRRET strret{};
        if (desktop->GetDisplayNameOf(item, SHGDN_NORMAL, &strret) == S_OK) {
            char buffer[MAX_PATH] = "";
            if (strret.uType == STRRET_WSTR) {
                WideCharToMultiByte(CP_ACP, 0, strret.pOleStr, -1, buffer, sizeof buffer, nullptr, nullptr);
                CoTaskMemFree(strret.pOleStr);
            } else if (strret.uType == STRRET_CSTR) {
                lstrcpynA(buffer, strret.cStr, sizeof buffer);
            } else if (strret.uType == STRRET_OFFSET) {
                lstrcpynA(buffer, (const char *)item + strret.uOffset, sizeof buffer);
            }
            name = buffer;
        }
        CoTaskMemFree(item);
    }
    desktop->Release();
    return name;
}

HIMAGELIST MakeImages()
{
    static const COLORREF colours[ImageCount] = {
        RGB(80, 120, 200), RGB(90, 90, 90), RGB(150, 150, 160), RGB(30, 160, 60), RGB(230, 190, 60),
    };
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, ImageCount, 0);
    HDC screen = GetDC(nullptr);
    for (COLORREF colour : colours) {
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
        HGDIOBJ old = SelectObject(dc, bitmap);
        RECT area = {0, 0, 16, 16};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &area, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ImageList_AddMasked(images, bitmap, RGB(255, 0, 255));
        DeleteObject(bitmap);
    }
    ReleaseDC(nullptr, screen);
    return images;
}

void RegisterHostClass()
{
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = HostClass;
    RegisterClassA(&windowClass);
    registered = true;
}

int ImageFor(const HostNode *node, int depth)
{
    if (depth == 0)
        return DesktopImage;
    if (LabelLetter(node->text) != 0)
        return DriveImage;
    if (depth == 1)
        return ComputerImage;
    return FolderImage;
}

}  // namespace

char LabelLetter(const std::string &text)
{
    size_t at = text.find(":)");
    if (at == std::string::npos || at < 2)
        return 0;
    char letter = text[at - 1];
    return (letter >= 'A' && letter <= 'Z' && text[at - 2] == '(') ? letter : 0;
}

std::string TestHost::DesktopName() { return ShellName(CSIDL_DESKTOP); }
std::string TestHost::ComputerName() { return ShellName(CSIDL_DRIVES); }

TestHost::TestHost(const std::string &description)
{
    const std::string desktop = DesktopName(), computer = ComputerName();
    std::vector<HostNode *> levels = {&root_};
    std::istringstream lines(description);
    std::string line;
    while (std::getline(lines, line)) {
        size_t indent = line.find_first_not_of(' ');
        if (indent == std::string::npos)
            continue;
        std::string text = line.substr(indent);
        if (text == "@desktop")
            text = desktop;
        else if (text == "@computer")
            text = computer;
        size_t depth = indent / 2 + 1;
        levels.resize(depth);
        HostNode *node = AddNode(levels[depth - 1], text);
        levels.push_back(node);
    }

    RegisterHostClass();
    window_ = CreateWindowExA(0, HostClass, "Test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              40, 40, 480, 400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, (LONG_PTR)this);
    SetWindowLongPtrA(window_, GWLP_WNDPROC, (LONG_PTR)WindowProc);
    tree_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                            WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                            0, 0, 460, 360, window_, (HMENU)1, GetModuleHandleA(nullptr), nullptr);
    images_ = MakeImages();
    SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)images_);
    InsertChildren(&root_);

    info_.hwndOwner = window_;
    info_.hwndTree = tree_;
    info_.currentPath = currentPath_;
}

TestHost::~TestHost()
{
    if (toolWindow_ != nullptr)
        DestroyWindow(toolWindow_);
    if (hotKeys_ != nullptr)
        DestroyAcceleratorTable(hotKeys_);
    DestroyWindow(window_);
    ImageList_Destroy(images_);
}

HostNode *TestHost::AddNode(HostNode *parent, const std::string &text)
{
    auto node = std::make_unique<HostNode>();
    node->text = text;
    node->parent = parent;
    int depth = 0;
    for (HostNode *up = parent; up != &root_ && up != nullptr; up = up->parent)
        ++depth;
    node->image = ImageFor(node.get(), depth);
    node->selectedImage = node->image == DriveImage ? DriveSelectedImage : node->image;
    HostNode *added = node.get();
    parent->children.push_back(std::move(node));
    if (parent->filled && tree_ != nullptr)
        Insert(added, parent == &root_ ? TVI_ROOT : parent->item);
    else if (parent->item != nullptr) {
        TVITEMA update{};
        update.mask = TVIF_CHILDREN;
        update.hItem = parent->item;
        update.cChildren = 1;
        SendMessageA(tree_, TVM_SETITEMA, 0, (LPARAM)&update);
    }
    return added;
}

void TestHost::Clear()
{
    SendMessageA(tree_, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
    root_.children.clear();
    selectionChanges = 0;
    selections.clear();
    expandRequests = 0;
}

HTREEITEM TestHost::Insert(HostNode *node, HTREEITEM parent)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    insert.item.pszText = const_cast<char *>(node->text.c_str());
    insert.item.iImage = node->image;
    insert.item.iSelectedImage = node->selectedImage;
    insert.item.cChildren = node->children.empty() ? 0 : 1;
    insert.item.lParam = (LPARAM)node;
    node->item = (HTREEITEM)SendMessageA(tree_, TVM_INSERTITEMA, 0, (LPARAM)&insert);
    return node->item;
}

void TestHost::InsertChildren(HostNode *node)
{
    if (node->filled)
        return;
    node->filled = true;
    for (auto &child : node->children)
        Insert(child.get(), node == &root_ ? TVI_ROOT : node->item);
}

HostNode *TestHost::NodeOf(HTREEITEM item) const
{
    if (item == nullptr)
        return nullptr;
    TVITEMA read{};
    read.mask = TVIF_PARAM;
    read.hItem = item;
    if (!SendMessageA(tree_, TVM_GETITEMA, 0, (LPARAM)&read))
        return nullptr;
    return (HostNode *)read.lParam;
}

LRESULT CALLBACK TestHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *host = (TestHost *)GetWindowLongPtrA(window, GWLP_USERDATA);
    if (message == WM_NOTIFY && host != nullptr)
        return host->OnNotify((NMHDR *)lParam);
    if (message == WM_COMMAND && LOWORD(wParam) == PluginCommandId && host != nullptr && host->command_) {
        host->command_();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void TestHost::AddPluginCommand(std::function<void()> command)
{
    command_ = std::move(command);
    HMENU bar = CreateMenu(), plugins = CreatePopupMenu();
    AppendMenuA(plugins, MF_STRING, PluginCommandId, "ドライブの変更(&L)");
    AppendMenuA(bar, MF_POPUP, (UINT_PTR)plugins, "プラグイン(&P)");
    SetMenu(window_, bar);
    ACCEL hotKey = {FVIRTKEY, 'L', PluginCommandId};
    hotKeys_ = CreateAcceleratorTableA(&hotKey, 1);
}

bool TestHost::RunMessagesUntil(const std::function<bool()> &done, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= milliseconds)
            return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (hotKeys_ != nullptr && TranslateAcceleratorA(window_, hotKeys_, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
    return true;
}

HWND TestHost::OpenToolWindow()
{
    if (toolWindow_ == nullptr)
        toolWindow_ = CreateWindowExA(WS_EX_TOOLWINDOW, "EDIT", "", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE,
                                      540, 40, 200, 80, window_, nullptr, GetModuleHandleA(nullptr), nullptr);
    return toolWindow_;
}

LRESULT TestHost::OnNotify(NMHDR *header)
{
    if (header->hwndFrom != tree_)
        return 0;
    switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        auto *change = (NMTREEVIEWA *)header;
        if ((change->action & TVE_EXPAND) != 0) {
            ++expandRequests;
            InsertChildren((HostNode *)change->itemNew.lParam);
        }
        return FALSE;
    }
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
        auto *change = (NMTREEVIEWA *)header;
        if (change->itemNew.hItem != nullptr) {
            ++selectionChanges;
            std::string path = PathOf(change->itemNew.hItem);
            selections.push_back(path);
            if (!path.empty())
                SetCurrentPath(path);
        }
        return 0;
    }
    }
    return 0;
}

void TestHost::SetCurrentPath(const std::string &path)
{
    lstrcpynA(currentPath_, path.c_str(), sizeof currentPath_);
}

HostNode *TestHost::FindNode(const std::vector<std::string> &texts)
{
    const std::string desktop = DesktopName(), computer = ComputerName();
    HostNode *node = &root_;
    for (std::string text : texts) {
        if (text == "@desktop")
            text = desktop;
        else if (text == "@computer")
            text = computer;
        HostNode *next = nullptr;
        for (auto &child : node->children)
            if (child->text == text) {
                next = child.get();
                break;
            }
        if (next == nullptr)
            return nullptr;
        node = next;
    }
    return node;
}

HTREEITEM TestHost::Item(const std::vector<std::string> &texts)
{
    HostNode *node = FindNode(texts);
    if (node == nullptr)
        return nullptr;
    std::vector<HostNode *> chain;
    for (HostNode *up = node; up != &root_; up = up->parent)
        chain.insert(chain.begin(), up);
    for (HostNode *step : chain)
        if (step != node)
            SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, (LPARAM)step->item);
    return node->item;
}

HTREEITEM TestHost::ItemAt(const std::string &path)
{
    HostNode *computer = FindNode({"@desktop", "@computer"});
    if (computer == nullptr || path.empty())
        return nullptr;
    std::vector<std::string> texts = {"@desktop", "@computer"};
    bool found = false;
    for (auto &drive : computer->children)
        if (LabelLetter(drive->text) == path[0]) {
            texts.push_back(drive->text);
            found = true;
            break;
        }
    if (!found)
        return nullptr;
    size_t start = path.find('\\');
    while (start != std::string::npos) {
        size_t end = path.find('\\', start + 1);
        if (end == std::string::npos)
            break;
        texts.push_back(path.substr(start + 1, end - start - 1));
        start = end;
    }
    return Item(texts);
}

std::string TestHost::PathOf(HTREEITEM item) const
{
    std::vector<const HostNode *> chain;
    for (const HostNode *node = NodeOf(item); node != nullptr && node != &root_; node = node->parent)
        chain.insert(chain.begin(), node);
    std::string path;
    for (const HostNode *node : chain) {
        if (!path.empty())
            path += node->text + "\\";
        else if (char letter = LabelLetter(node->text); letter != 0 && node->parent && node->parent->parent
                 && node->parent->parent->parent == &root_)
            path = std::string(1, letter) + ":\\";
    }
    return path;
}

HTREEITEM TestHost::Selected() const
{
    return (HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0);
}

std::string TestHost::SelectedPath() const { return PathOf(Selected()); }

bool TestHost::IsExpanded(HTREEITEM item) const
{
    return (SendMessageA(tree_, TVM_GETITEMSTATE, (WPARAM)item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

// The soak: seeded end-to-end runs of the command through DoProcess, each
// with a host tree, a KESTRIN.INI and a user at the keyboard made from its
// seed, and checked after every run against a model written apart from the
// product. scripts/soak.sh runs it; alone it takes --seed S --runs N (or
// --slice N, fewer where the time limits are stretched) and --seconds T
// (--verbose 1 adds a note on each run), and reports on
// standard error, one line per event: "run S", "fail S <invariant>:
// <detail>", "again S: <why>" when a run is made anew, "where S in ..."
// after a hang, "done S", and "end" when it has done all its runs; after a
// failed run it stops without "end".
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <prsht.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "support/keyboard.h"
#include "support/message_boxes.h"
#include "support/modal_script.h"
#include "support/plugin_copy.h"
#include "support/sheet_driver.h"
#include "support/stack_call.h"
#include "support/test_host.h"
#include "support/tree_model.h"

namespace {

const char AbsentText[] = "key Name Not Set";

void Report(const std::string &line)
{
    // Unbuffered, on the stream where Wine's heap checking writes too, so
    // that its complaints fall between the lines of the run that caused them.
    std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), (DWORD)text.size(), &written, nullptr);
}

bool verbose;   // a "note" line for each run: what the user did and what came of it

DWORD TimeScale()
{
    const char *text = getenv("KESTRIN_TEST_TIME_SCALE");
    DWORD scale = text != nullptr ? (DWORD)strtoul(text, nullptr, 10) : 0;
    return scale == 0 ? 1 : scale;
}

// --- Exceptions inside the DLL's image, counted as they are raised: Wine
// swallows those raised inside a hook or some window procedures, where
// Windows would end the host. The range stays set after the DLL is freed,
// so a hook left behind is caught calling into it.

ULONG_PTR imageStart, imageEnd;
LONG faultsInImage;
ULONG_PTR lastFaultAddress;
DWORD lastFaultCode;

LONG CALLBACK CountFault(EXCEPTION_POINTERS *exception)
{
    ULONG_PTR at = (ULONG_PTR)exception->ExceptionRecord->ExceptionAddress;
    if (at >= imageStart && at < imageEnd) {
        InterlockedIncrement(&faultsInImage);
        lastFaultAddress = at - imageStart;
        lastFaultCode = exception->ExceptionRecord->ExceptionCode;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void NoteImage(HMODULE module)
{
    auto *dos = (const IMAGE_DOS_HEADER *)module;
    auto *nt = (const IMAGE_NT_HEADERS *)((const BYTE *)module + dos->e_lfanew);
    imageStart = (ULONG_PTR)module;
    imageEnd = imageStart + nt->OptionalHeader.SizeOfImage;
}

// --- A run that never ends costs only its own seed: the watchdog names it
// and ends the process, and the runner goes on from the next seed.

volatile unsigned watchedSeed;
volatile DWORD watchedSince;   // 0 between runs
const char *volatile watchedPhase = "";
volatile bool dllInPlay;   // from the run's LoadLibrary on
DWORD runLimit;

HANDLE mainThread;

// Where the stuck thread is: the module of its instruction pointer, and the
// addresses inside this program found on its stack, nearest first (some
// are stale, but the first few are mostly its callers). While the thread
// is suspended nothing is allocated and no loader function is called: it
// may hold the heap's or the loader's lock.
std::string StuckWhere()
{
    static ULONG_PTR words[4096];
    size_t count = 0;
    ULONG_PTR ip = 0;
    auto *self = (const BYTE *)GetModuleHandleA(nullptr);
    auto *nt = (const IMAGE_NT_HEADERS *)(self + ((const IMAGE_DOS_HEADER *)self)->e_lfanew);
    ULONG_PTR start = (ULONG_PTR)self, end = start + nt->OptionalHeader.SizeOfImage;
    if (SuspendThread(mainThread) == (DWORD)-1)
        return "";
    CONTEXT context;
    ZeroMemory(&context, sizeof context);
    context.ContextFlags = CONTEXT_CONTROL;
    if (GetThreadContext(mainThread, &context)) {
#if defined(__x86_64__)
        ULONG_PTR sp = context.Rsp;
        ip = context.Rip;
#else
        ULONG_PTR sp = context.Esp;
        ip = context.Eip;
#endif
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQuery((void *)sp, &region, sizeof region)) {
            ULONG_PTR top = (ULONG_PTR)region.BaseAddress + region.RegionSize;
            for (ULONG_PTR at = sp; at + sizeof(ULONG_PTR) <= top && count < 4096; at += sizeof(ULONG_PTR))
                words[count++] = *(const ULONG_PTR *)at;
        }
    }
    ResumeThread(mainThread);

    HMODULE module = nullptr;
    char name[MAX_PATH] = "?";
    if (ip != 0 && GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      (LPCSTR)ip, &module))
        GetModuleFileNameA(module, name, sizeof name);
    std::string where = std::string(" in ") + name;
    int found = 0;
    for (size_t i = 0; i < count && found < 12; ++i)
        if (words[i] > start && words[i] < end) {
            char text[24];
            wsprintfA(text, " +0x%lX", (unsigned long)(words[i] - start));
            where += found++ == 0 ? ", called from" : "";
            where += text;
        }
    return where;
}

DWORD WINAPI Watchdog(void *)
{
    for (;;) {
        Sleep(250);
        DWORD since = watchedSince;
        // Signed: the start is stored with its low bit set, so it can lie a
        // millisecond ahead of the clock, which unsigned reads as 49 days.
        LONG elapsed = (LONG)(GetTickCount() - since);
        if (since != 0 && elapsed > (LONG)runLimit) {
            // Before the run's DLL is loaded only the test host and Wine
            // are at work: the runner makes such a run again in a new process.
            // Said before looking where, which is the riskier part.
            if (!dllInPlay)
                Report("again " + std::to_string(watchedSeed) + ": stalled " + watchedPhase + " for "
                       + std::to_string(runLimit / 1000) + " s, before the DLL was loaded");
            else
                Report("fail " + std::to_string(watchedSeed) + " time: the run did not end within "
                       + std::to_string(runLimit / 1000) + " s, stuck " + watchedPhase);
            Report("where " + std::to_string(watchedSeed) + StuckWhere());
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

// --- Keys, one event at a time: the next is sent only once a keyboard hook
// installed before the plug-in's has seen the last one, that is once the
// plug-in's hook has done with it. Each event then meets the state its
// predecessor left, whatever the speed of the machine.

struct KeyEvent {
    WORD key;
    bool up;
};
std::deque<KeyEvent> pendingKeys;
bool keyInFlight;
KeyEvent keyOnItsWay;
DWORD keySentAt;
int keysResent;
HHOOK feedHook;

void Send(const KeyEvent &key)
{
    keyOnItsWay = key;
    keyInFlight = true;
    keySentAt = GetTickCount();
    if (key.up)
        KeyUp(key.key);
    else
        KeyDown(key.key);
}

void SendNextKey()
{
    if (keyInFlight || pendingKeys.empty())
        return;
    KeyEvent next = pendingKeys.front();
    pendingKeys.pop_front();
    Send(next);
}

bool OursInForeground()
{
    HWND foreground = GetForegroundWindow();
    return foreground != nullptr && GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId();
}

// Input goes to the foreground window's thread. Under Xvfb without a window
// manager Wine now and then leaves no window of this thread in front, and
// the key is dropped before it reaches the thread: it is sent again, to
// the thread's active window brought to the front. A key merely slow to
// arrive finds this thread in front and is given seconds more, on a loaded
// machine, before it counts as dropped too.
void KeepKeysGoing()
{
    if (!keyInFlight)
        return;
    DWORD waited = GetTickCount() - keySentAt;
    if (waited < 300 || (waited < 3000 && OursInForeground()))
        return;
    if (HWND active = GetActiveWindow())
        SetForegroundWindow(active);
    ++keysResent;
    Send(keyOnItsWay);
}

bool IsModifier(WORD key) { return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU; }

// Modifiers sent down and not yet up. When Wine takes a window of this
// thread to the front it may reset the keyboard state to the display's,
// where no key is down: a run whose modifiers were lost so is not the
// plug-in's doing, and is made again.
std::set<WORD> heldKeys;
bool keysDisturbed;

void CheckHeldKeys()
{
    for (WORD key : {(WORD)VK_SHIFT, (WORD)VK_CONTROL, (WORD)VK_MENU})
        if (((GetKeyState(key) & 0x8000) != 0) != (heldKeys.count(key) != 0))
            keysDisturbed = true;
}

// A key event this feeder did not send (the display's, below, that got
// through) leaves the run as no model knows it.
LRESULT CALLBACK FeedProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code != HC_ACTION)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    bool up = (lParam & 0x80000000) != 0;
    if (!keyInFlight || wParam != keyOnItsWay.key || up != keyOnItsWay.up) {
        keysDisturbed = true;
    } else {
        keyInFlight = false;
        if (!IsModifier(keyOnItsWay.key))
            CheckHeldKeys();
        else if (keyOnItsWay.up)
            heldKeys.erase(keyOnItsWay.key);
        else
            heldKeys.insert(keyOnItsWay.key);
        SendNextKey();
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The display's own key events. A key sent here is never down on the
// display, and Wine takes the display's word whenever a window of this
// thread gains its focus or the pointer: Wine 8 then resets the key state,
// Wine 10 also sends a release of every key it holds down, at a moment no
// model can know (a second release of a letter pressed once, a Ctrl let go
// under a Ctrl+letter). So the pointer is parked in a corner where no window
// opens, message boxes are answered without taking the focus, and a
// low-level hook on a thread of its own drops every key event that SendInput
// did not make (nothing else types on this display).
LRESULT CALLBACK DropDisplayKeys(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && (((KBDLLHOOKSTRUCT *)lParam)->flags & LLKHF_INJECTED) == 0)
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI DisplayKeyFilter(void *)
{
    SetWindowsHookExA(WH_KEYBOARD_LL, DropDisplayKeys, GetModuleHandleA(nullptr), 0);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

bool KeysDone() { return !keyInFlight && pendingKeys.empty(); }
void ForgetKeys()
{
    pendingKeys.clear();
    keyInFlight = false;
    heldKeys.clear();
}

void QueueCombo(WORD key, const std::vector<WORD> &modifiers)
{
    for (WORD modifier : modifiers)
        pendingKeys.push_back({modifier, false});
    pendingKeys.push_back({key, false});
    pendingKeys.push_back({key, true});
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        pendingKeys.push_back({*it, true});
    SendNextKey();
}

// Pumps until the keys are through or the time is up.
bool PumpKeys(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!KeysDone() && GetTickCount() - start < milliseconds) {
        KeepKeysGoing();
        PumpMessages(5);
    }
    return KeysDone();
}

struct WindowScan {
    int dialogs = 0;
    int boxes = 0;
    std::string titles;
};

BOOL CALLBACK ScanWindow(HWND window, LPARAM data)
{
    auto *scan = (WindowScan *)data;
    char className[64] = "", title[256] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0)
        return TRUE;
    GetWindowTextA(window, title, sizeof title);
    ++scan->dialogs;
    if (IsWindowVisible(window) && IsMessageBox(window))
        ++scan->boxes;
    scan->titles += std::string(scan->titles.empty() ? "" : ", ") + "'" + Escaped(title) + "'";
    return TRUE;
}

WindowScan ScanThreadWindows()
{
    WindowScan scan;
    EnumThreadWindows(GetCurrentThreadId(), ScanWindow, (LPARAM)&scan);
    return scan;
}

// Nothing left for the thread to handle: no key on its way, no message box
// up, nothing posted. A user acts only then.
bool Settled()
{
    KeepKeysGoing();
    return KeysDone() && ScanThreadWindows().boxes == 0 && HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE)) == 0;
}

// --- The world of one run.

std::string FolderName(Random &random)
{
    if (random.Chance(3))
        return "";
    std::string name = RandomName(random);
    if (random.Chance(15))
        name += random.Pick(std::vector<std::string>{".", " ", ".txt", " .", "...", " a.b"});
    if (random.Chance(5))
        name = "." + name;
    return name;
}

std::string DriveLabel(Random &random, char letter)
{
    std::string drive = std::string("(") + letter + ":)";
    std::string name = random.Pick(NamePieces) + random.Pick(std::vector<std::string>{"", " Disk", " ディスク"});
    switch (random.Below(10)) {
    case 0: return drive + name;
    case 1: return name + drive + name;
    case 2: return name + " " + drive + " (" + char('A' + random.Below(26)) + ":)";
    default: return name + " " + drive;
    }
}

// Labels that almost follow the rule, and ones that follow it too late to
// be read.
std::string NearLabel(Random &random)
{
    char letter = (char)('A' + random.Below(26));
    switch (random.Below(8)) {
    case 0: return std::string("Disk (") + (char)(letter - 'A' + 'a') + ":)";
    case 1: return std::string("Disk ") + letter + ":)";
    case 2: return std::string("Disk (") + letter + " :)";
    case 3: return std::string("Disk ( ") + letter + ":)";
    case 4: return std::string("(:)");
    case 5: return std::string(250 + random.Below(10), 'p') + "(" + letter + ":)";
    case 6: return "コントロール パネル";
    default: return RandomLabel(random);
    }
}

// One host window for the whole process, its tree built anew for each run:
// under load Wine now and then takes many seconds to bring up a new
// top-level window, which would pass for a hang of the run.
TestHost &SharedHost()
{
    static TestHost host("");
    return host;
}

struct World {
    TestHost *host = nullptr;
    HostNode *computer = nullptr;
    std::vector<HostNode *> folders;
    std::vector<HostNode *> drives;

    void Grow(Random &random, HostNode *node, int depth)
    {
        if (depth >= 5)
            return;
        int children = random.Below(depth == 0 ? 6 : 4);
        for (int i = 0; i < children; ++i) {
            std::string name = FolderName(random);
            // A sibling that differs only in case: the walk takes the first.
            if (random.Chance(5) && !node->children.empty()) {
                name = node->children.back()->text;
                for (char &c : name)
                    if (c >= 'a' && c <= 'z')
                        c = (char)(c - 'a' + 'A');
            }
            HostNode *child = host->AddNode(node, name);
            folders.push_back(child);
            if (random.Chance(50))
                Grow(random, child, depth + 1);
        }
    }

    explicit World(Random &random)
    {
        static const std::string desktopName = TestHost::DesktopName(), computerName = TestHost::ComputerName();
        host = &SharedHost();
        host->Clear();
        HostNode *desktop = host->AddNode(host->root(), desktopName);
        if (random.Chance(2)) {
            if (random.Chance(50))
                host->AddNode(desktop, "ネットワーク");
            else
                computer = host->AddNode(desktop, computerName);
            return;
        }
        computer = host->AddNode(desktop, computerName);
        std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        int count = 1 + random.Below(6);
        for (int i = 0; i < count; ++i) {
            if (random.Chance(15))
                host->AddNode(computer, NearLabel(random));
            char letter = random.Chance(40) && letters.find('C') != std::string::npos ? 'C'
                                                                                      : letters[random.Below((int)letters.size())];
            if (!random.Chance(5))   // now and then a letter twice
                letters.erase(letters.find(letter), 1);
            if (letters.empty())
                letters = "Z";
            HostNode *drive = host->AddNode(computer, DriveLabel(random, letter));
            drives.push_back(drive);
            Grow(random, drive, 0);
        }
        while (random.Chance(20))
            host->AddNode(computer, NearLabel(random));
        if (random.Chance(30))
            host->AddNode(desktop, "ネットワーク");
    }

    std::string SomeFolderPath(Random &random) const
    {
        if (!folders.empty() && random.Chance(80))
            return PathOfNode(random.Pick(folders));
        if (!drives.empty())
            return PathOfNode(random.Pick(drives));
        return "C:\\";
    }
};

// A stored folder: one that exists, no longer exists, lies on another drive,
// is relative or UNC, is too long, lacks its final backslash, and so on.
std::string StoredFolder(Random &random, const World &world)
{
    std::string path = world.SomeFolderPath(random);
    switch (random.Below(22)) {
    case 0: return path + "Gone\\";
    case 1: return path.substr(3);
    case 2: return "\\\\server\\share\\" + path.substr(3);
    case 3: return path + std::string(240 + random.Below(40), 'L') + "\\";
    case 4: path.pop_back(); return path;
    case 5: path[0] = (char)(path[0] - 'A' + 'a'); return path;
    case 6: return path + "\x81";
    case 7: return "";
    case 8: return AbsentText;
    case 9: return std::string("Q:\\") + path.substr(3);
    case 10: return path.substr(0, 2);
    default: return path;
    }
}

const std::vector<std::string> IntegerTexts = {
    "12abc", "-1", "4294967297", "0x10", "abc", "", " 7 ", "2147483648", "-2147483649", "99999999999999999999", "1",
    "2", "0", "6", "+3", "3", "7", "\x95\x5C",
};

std::string Junk(Random &random, size_t length)
{
    std::string junk;
    while (junk.size() < length)
        junk += random.Chance(30) ? (char)(0x80 + random.Below(0x80)) : random.Pick(NamePieces)[0];
    return junk;
}

// A settings file: valid, or valid and then damaged. Empty when it is absent.
bool MakeIni(Random &random, const World &world, std::string &file)
{
    int kind = random.Below(100);
    if (kind < 25)
        return false;
    bool hostile = kind >= 60;
    std::vector<std::string> lines;
    auto value = [&](int low, int high) {
        return hostile && random.Chance(25) ? random.Pick(IntegerTexts) : std::to_string(low + random.Below(high - low + 1));
    };
    lines.push_back("[Behavior]");
    lines.push_back("Version=100");
    lines.push_back("State=" + value(0, 7));
    lines.push_back("PathNotFind=" + value(0, 2));
    lines.push_back("SetPathNotFind=" + value(0, 2));
    lines.push_back("NonSetPath=" + value(0, 1));
    lines.push_back("[EnterAction]");
    lines.push_back("Normal=" + value(0, 2));
    lines.push_back("Shift=" + value(0, 2));
    lines.push_back("Ctrl=" + value(0, 2));
    for (const char *section : {"[Current]", "[Path]"}) {
        lines.push_back(section);
        for (int n = random.Below(5); n > 0; --n) {
            char key = world.drives.empty() || random.Chance(20) ? (char)('A' + random.Below(26))
                                                                 : ModelLetter(random.Pick(world.drives)->text);
            if (key == 0)
                key = 'C';
            lines.push_back(std::string(1, key) + "=" + StoredFolder(random, world));
        }
    }
    if (hostile) {
        for (int n = 1 + random.Below(4); n > 0; --n) {
            size_t at = random.Below((int)lines.size() + 1);
            switch (random.Below(9)) {
            case 0: if (!lines.empty()) lines.erase(lines.begin() + random.Below((int)lines.size())); break;
            case 1: if (!lines.empty()) lines.insert(lines.begin() + at, lines[random.Below((int)lines.size())]); break;
            case 2: lines.insert(lines.begin() + at, "Junk=" + Junk(random, 1024 + random.Below(200))); break;
            case 3: lines.insert(lines.begin() + at, std::string(1, (char)('A' + random.Below(26))) + "="
                                 + Junk(random, 65536 + random.Below(300))); break;
            case 4: lines.insert(lines.begin() + at, Junk(random, 1 + random.Below(300))); break;
            case 5: if (!lines.empty()) lines[random.Below((int)lines.size())] += "\x81"; break;
            case 6: lines.insert(lines.begin() + at, random.Pick(std::vector<std::string>{
                                 "[behavior]", "[Path", "[]", "[\x95\x5C]", "[Current]", "c=C:\\", "=x"})); break;
            case 7: lines.insert(lines.begin() + at, std::string(1, (char)('A' + random.Below(26))) + "="
                                 + StoredFolder(random, world)); break;
            default: lines.insert(lines.begin() + at, random.Pick(std::vector<std::string>{
                                 "State=", "Normal=9", "Shift=-5", "Ctrl=1x", "PathNotFind=7", "NonSetPath=abc"})); break;
            }
        }
    }
    file.clear();
    if (hostile && random.Chance(3))
        file = "\xFF\xFE";   // what Windows takes for a UTF-16 file
    for (const std::string &line : lines)
        file += line + (hostile && random.Chance(10) ? "\n" : "\r\n");
    if (hostile && random.Chance(10)) {
        // No line end at the end. Wine reads a byte past a file that ends
        // inside a line end or on a lead byte, so two reads of one such
        // file may differ: it ends on a whole character.
        while (!file.empty() && (file.back() == '\n' || file.back() == '\r'))
            file.pop_back();
        file += "x";
    }
    // Wine reads the odd last byte of a UTF-16 file from beyond what it
    // read, so two reads of one such file may differ.
    if (file.compare(0, 2, "\xFF\xFE") == 0 && file.size() % 2 != 0)
        file += "\n";
    return true;
}

// --- The model of one run, written from the behaviour a user is promised,
// apart from the product's code. It keeps its own copy of the settings file
// and writes to it through the same Windows functions the plug-in uses, so
// the plug-in's file must come out byte for byte the same.

struct Entry {
    char letter;
};

struct Model {
    const HostNode *computer = nullptr;
    std::string file;              // the model's own copy of KESTRIN.INI
    std::string currentPath;
    int State = 6, PathNotFind = 1, SetPathNotFind = 2, NonSetPath = 0, Normal = 0, Shift = 1, Ctrl = 2;
    bool startFails = false;
    std::vector<Entry> entries;
    int selection = -1;
    bool open = true;
    const HostNode *target = nullptr;
    std::vector<std::string> messages;

    void WriteInt(const char *section, const char *key, int value)
    {
        char text[16];
        wsprintfA(text, "%d", value);
        WritePrivateProfileStringA(section, key, text, file.c_str());
    }

    int ReadInt(const char *section, const char *key) { return (int)GetPrivateProfileIntA(section, key, 0, file.c_str()); }

    bool Stored(const char *section, char letter, std::string &value)
    {
        char key[2] = {letter, '\0'};
        char text[MAX_PATH];
        GetPrivateProfileStringA(section, key, AbsentText, text, sizeof text, file.c_str());
        if (strcmp(text, AbsentText) == 0)
            return false;
        value = text;
        return true;
    }

    void Start(bool fileExisted, const std::string &path)
    {
        currentPath = path;
        if (!fileExisted) {
            WriteInt("Behavior", "Version", 100);
            WriteInt("Behavior", "State", State);
            WriteInt("Behavior", "PathNotFind", PathNotFind);
            WriteInt("Behavior", "SetPathNotFind", SetPathNotFind);
            WriteInt("Behavior", "NonSetPath", NonSetPath);
            WriteInt("EnterAction", "Normal", Normal);
            WriteInt("EnterAction", "Shift", Shift);
            WriteInt("EnterAction", "Ctrl", Ctrl);
        } else {
            State = ReadInt("Behavior", "State");
            PathNotFind = ReadInt("Behavior", "PathNotFind");
            SetPathNotFind = ReadInt("Behavior", "SetPathNotFind");
            NonSetPath = ReadInt("Behavior", "NonSetPath");
            Normal = ReadInt("EnterAction", "Normal");
            Shift = ReadInt("EnterAction", "Shift");
            Ctrl = ReadInt("EnterAction", "Ctrl");
        }
        if (computer == nullptr || computer->children.empty()) {
            startFails = true;
            open = false;
            messages.push_back("ドライブ情報を取得出来ませんでした。");
            return;
        }
        char windows[MAX_PATH + 1] = "";
        GetWindowsDirectoryA(windows, sizeof windows);
        int current = -1, system = -1;
        for (auto &child : computer->children) {
            char letter = ModelLetter(AsRead(child->text));
            if (letter == 0)
                continue;
            if (!currentPath.empty() && letter == currentPath[0])
                current = (int)entries.size();
            if (letter == windows[0])
                system = (int)entries.size();
            entries.push_back({letter});
        }
        selection = current >= 0 ? current : system;
    }

    bool Listed(char letter) const
    {
        for (const Entry &entry : entries)
            if (entry.letter == letter)
                return true;
        return false;
    }

    const HostNode *Root(char letter) const
    {
        for (auto &child : computer->children)
            if (ModelLetter(AsRead(child->text)) == letter)
                return child.get();
        return nullptr;
    }

    // What the remembered or configured folder gives: found, a fallback
    // target (possibly none yet), or stay.
    enum Outcome { Found, Fallback, Stay, Absent };
    Outcome Stored(const char *section, char letter, int flag, const char *text, int fallback, const HostNode *&to)
    {
        std::string value;
        if (!Stored(section, letter, value))
            return Absent;
        Walked walked = ModelWalk(computer, value);
        if (walked.found != nullptr) {
            to = walked.found;
            return Found;
        }
        if (State & flag)
            messages.push_back(text);
        if (fallback == 0)
            return Stay;
        if (fallback == 2)
            to = walked.deepest;
        return Fallback;
    }

    // One drive change with these modifiers held; closes the dialog when
    // the host moves.
    void Change(char letter, bool shift, bool ctrl)
    {
        int action = shift && ctrl ? 0 : shift ? Shift : ctrl ? Ctrl : Normal;
        const HostNode *to = nullptr;
        if (action == 1) {
            if (Stored("Current", letter, 1, "記憶したフォルダが見つかりません。", PathNotFind, to) == Stay)
                return;
        } else if (action == 2) {
            Outcome outcome = Stored("Path", letter, 2, "設定したフォルダが見つかりません。", SetPathNotFind, to);
            if (outcome == Stay)
                return;
            if (outcome == Absent) {
                if (State & 4) {
                    char text[128];
                    wsprintfA(text, "%cドライブのフォルダへのパスは設定されていません。", letter);
                    messages.push_back(text);
                }
                if (NonSetPath == 0)
                    return;
            }
        }
        if (to == nullptr)
            to = Root(letter);
        if (to == nullptr)
            return;
        if (!currentPath.empty()) {
            char left = currentPath[0];
            if (left >= 'a' && left <= 'z')
                left = (char)(left - 'a' + 'A');
            if (left >= 'A' && left <= 'Z') {
                char key[2] = {left, '\0'};
                WritePrivateProfileStringA("Current", key, currentPath.c_str(), file.c_str());
            }
        }
        target = to;
        open = false;
    }
};

// --- The user.

enum ActionKind { LetterKey, EnterKey, EscapeKey, UpKey, DownKey, SettingsSheet };

struct Action {
    ActionKind kind;
    char letter = 0;
    bool shift = false, ctrl = false, alt = false;
};

std::vector<Action> MakeUser(Random &random, const Model &model)
{
    std::vector<Action> actions;
    for (int n = 1 + random.Below(4); n > 0; --n) {
        Action action{LetterKey};
        int kind = random.Below(100);
        if (kind < 40) {
            action.kind = LetterKey;
            action.letter = !model.entries.empty() && random.Chance(70) ? random.Pick(model.entries).letter
                                                                          : (char)('A' + random.Below(26));
            int modifiers = random.Below(5);
            action.shift = modifiers == 1 || modifiers == 3;
            action.ctrl = modifiers == 2 || modifiers == 3;
            action.alt = modifiers == 4;
        } else if (kind < 70) {
            action.kind = EnterKey;
            int modifiers = random.Below(4);
            action.shift = (modifiers & 1) != 0;
            action.ctrl = (modifiers & 2) != 0;
        } else if (kind < 80) {
            action.kind = random.Chance(50) ? UpKey : DownKey;
        } else if (kind < 92) {
            action.kind = SettingsSheet;
        } else {
            action.kind = EscapeKey;
        }
        actions.push_back(action);
    }
    actions.push_back({EscapeKey});
    return actions;
}

std::vector<WORD> Modifiers(const Action &action)
{
    std::vector<WORD> keys;
    if (action.shift)
        keys.push_back(VK_SHIFT);
    if (action.ctrl)
        keys.push_back(VK_CONTROL);
    if (action.alt)
        keys.push_back(VK_MENU);
    return keys;
}

void Predict(Model &model, const Action &action)
{
    if (!model.open)
        return;
    switch (action.kind) {
    case LetterKey:
        // The key acts as it goes down and, when it did not move, again as
        // it comes up; Alt plays no part.
        for (int event = 0; event < 2 && model.open; ++event)
            if (model.Listed(action.letter))
                model.Change(action.letter, action.shift, action.ctrl);
        break;
    case EnterKey:
        if (model.selection >= 0)
            model.Change(model.entries[model.selection].letter, action.shift, action.ctrl);
        break;
    case EscapeKey:
        model.open = false;
        break;
    case UpKey:
        // With nothing selected, either arrow selects the first entry.
        if (model.selection > 0)
            --model.selection;
        else if (!model.entries.empty())
            model.selection = 0;
        break;
    case DownKey:
        if (model.selection + 1 < (int)model.entries.size())
            ++model.selection;
        break;
    case SettingsSheet:
        break;
    }
}

// A path typed on the Destination folders page.
std::string TypedFolder(Random &random, const World &world)
{
    std::string path = world.SomeFolderPath(random);
    switch (random.Below(10)) {
    case 0: return path.substr(0, 2);
    case 1: path.pop_back(); return path;
    case 2: return path.substr(3);
    case 3: return "\\\\server\\share\\";
    case 4: return path + std::string(259 - std::min<size_t>(path.size(), 259), 'x');
    case 5: return std::string(1, (char)(path[0] - 'A' + 'a')) + path.substr(1);
    case 6: return path + "\x95\x5C";
    default: return path;
    }
}

// The settings sheet: a few edits on its pages, then OK, Cancel or Apply.
// What Apply saves is read off the pages as it is pressed, and the model's
// file and settings take it the way the pages write it.
struct SheetRun {
    Random *random;
    const World *world;
    Model *model;
    SheetWindows windows;
    bool destinationShown = false;

    void ReadApplied()
    {
        HWND behavior = (HWND)SendMessageA(windows.sheet, PSM_INDEXTOHWND, BehaviorPageIndex, 0);
        HWND destination = (HWND)SendMessageA(windows.sheet, PSM_INDEXTOHWND, DestinationPageIndex, 0);
        Model &m = *model;
        if (behavior != nullptr) {
            auto choice = [&](int id) { return (int)SendDlgItemMessageA(behavior, id, CB_GETCURSEL, 0, 0); };
            auto flag = [&](int id, int bit) { return IsDlgButtonChecked(behavior, id) == BST_CHECKED ? bit : 0; };
            m.Normal = choice(1003);
            m.Shift = choice(1004);
            m.Ctrl = choice(1005);
            m.State = (m.State & ~7) | flag(1006, 1) | flag(1007, 2) | flag(1008, 4);
            m.PathNotFind = choice(1009);
            m.SetPathNotFind = choice(1010);
            m.NonSetPath = choice(1011);
            m.WriteInt("EnterAction", "Normal", m.Normal);
            m.WriteInt("EnterAction", "Shift", m.Shift);
            m.WriteInt("EnterAction", "Ctrl", m.Ctrl);
            m.WriteInt("Behavior", "State", m.State);
            m.WriteInt("Behavior", "PathNotFind", m.PathNotFind);
            m.WriteInt("Behavior", "SetPathNotFind", m.SetPathNotFind);
            m.WriteInt("Behavior", "NonSetPath", m.NonSetPath);
        }
        if (destination != nullptr) {
            WritePrivateProfileStringA("Path", nullptr, nullptr, m.file.c_str());
            for (std::string entry : ListTexts(GetDlgItem(destination, 1015))) {
                // A path is at most 259 bytes, whatever the list makes of it.
                entry = entry.substr(0, MAX_PATH - 1);
                if (entry.empty())
                    continue;
                char key[2] = {entry[0] >= 'a' && entry[0] <= 'z' ? (char)(entry[0] - 'a' + 'A') : entry[0], '\0'};
                WritePrivateProfileStringA("Path", key, entry.c_str(), m.file.c_str());
            }
        }
    }

    void Edit()
    {
        Random &r = *random;
        switch (r.Below(4)) {
        case 0: {
            HWND page = ShowPage(windows.sheet, BehaviorPageIndex);
            int id = 1003 + r.Below(3) + (r.Chance(50) ? 6 : 0);
            SendDlgItemMessageA(page, id, CB_SETCURSEL, (WPARAM)r.Below(id == 1011 ? 2 : 3), 0);
            SendMessageA(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), (LPARAM)GetDlgItem(page, id));
            break;
        }
        case 1:
            Click(GetDlgItem(ShowPage(windows.sheet, BehaviorPageIndex), 1006 + r.Below(3)));
            break;
        case 2: {
            HWND page = ShowPage(windows.sheet, DestinationPageIndex);
            destinationShown = true;
            SetDlgItemTextA(page, 1012, TypedFolder(r, *world).c_str());
            Click(GetDlgItem(page, 1014));
            break;
        }
        default: {
            HWND page = ShowPage(windows.sheet, DestinationPageIndex);
            destinationShown = true;
            HWND list = GetDlgItem(page, 1015);
            int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
            if (count > 0) {
                SelectEntry(list, r.Below(count));
                Click(GetDlgItem(page, 1016));
            }
            break;
        }
        }
    }

    void AddSteps(ModalScript &script)
    {
        OpenSheet(script, windows).Then([this] {
            Random &r = *random;
            for (int n = r.Below(4); n > 0; --n)
                Edit();
            if (r.Chance(30))
                ShowPage(windows.sheet, RememberedPageIndex);
            int close = r.Below(4);
            if (close >= 2 && ApplyEnabled(windows.sheet)) {
                SendMessageA(windows.sheet, WM_COMMAND, MAKEWPARAM(SheetApplyButton, BN_CLICKED),
                             (LPARAM)GetDlgItem(windows.sheet, SheetApplyButton));
                ReadApplied();
            }
            int button = close == 0 || close == 2 ? IDOK : IDCANCEL;
            if (button == IDOK)
                ReadApplied();
            PostMessageA(windows.sheet, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         (LPARAM)GetDlgItem(windows.sheet, button));
            return true;
        })
            .Then([this] { return !IsWindow(windows.sheet); })
            .Then([this] {
                SetForegroundWindow(windows.dialog);
                return Settled();
            });
    }
};

// --- One run and its invariants.

std::string ModelFolder()
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "kestrin-soak-model-" + std::to_string(GetCurrentProcessId()) + "\\";
}

std::string Hex(ULONG_PTR value)
{
    char text[32];
    wsprintfA(text, "0x%lX", (unsigned long)value);
    return text;
}

std::string Messages(const std::vector<std::string> &messages)
{
    std::string text = "[";
    for (const std::string &message : messages)
        text += (text.size() > 1 ? ", '" : "'") + Escaped(message) + "'";
    return text + "]";
}

std::string Describe(const HostNode *node)
{
    return node == nullptr ? "(none)" : "'" + Escaped(PathOfNode(node)) + "'";
}

std::string DescribeActions(const std::vector<Action> &actions)
{
    std::string text;
    for (const Action &action : actions) {
        std::string one;
        if (action.shift) one += "Shift+";
        if (action.ctrl) one += "Ctrl+";
        if (action.alt) one += "Alt+";
        switch (action.kind) {
        case LetterKey: one += action.letter; break;
        case EnterKey: one += "Enter"; break;
        case EscapeKey: one += "Esc"; break;
        case UpKey: one += "Up"; break;
        case DownKey: one += "Down"; break;
        case SettingsSheet: one += "Settings"; break;
        }
        text += (text.empty() ? "" : " ") + one;
    }
    return text;
}

class Run {
public:
    explicit Run(unsigned seed) : seed_(seed), random_(seed) {}

    const std::vector<std::string> &failed() const { return failed_; }

    void Go()
    {
        watchedPhase = "making the host";
        World world(random_);
        TestHost &host = *world.host;
        watchedPhase = "selecting the host's folder";
        std::string currentPath = CurrentPath(world);
        if (HTREEITEM item = currentPath.empty() ? nullptr : host.ItemAt(currentPath))
            SendMessageA(host.tree(), TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
        host.SetCurrentPath(currentPath);
        watchedPhase = "writing the settings file";
        HTREEITEM selectedBefore = host.Selected();
        host.selectionChanges = 0;

        std::string file;
        bool fileExisted = MakeIni(random_, world, file);
        Model model;
        model.computer = world.computer;
        // A name of its own each run: Wine keeps recent settings files in
        // memory and may not see a rewrite within its clock's resolution.
        model.file = ModelFolder() + "MODEL-" + std::to_string(seed_) + ".INI";
        DeleteFileA(model.file.c_str());
        if (fileExisted)
            WriteFileBytes(model.file, file);
        watchedPhase = "reading the model's settings";
        model.Start(fileExisted, host.currentPath());
        std::vector<Action> actions = MakeUser(random_, model);

        watchedPhase = "loading the DLL";
        dllInPlay = true;
        PluginCopy plugin("", false);
        if (fileExisted)
            plugin.WriteIni(file);
        if (!plugin.Load()) {
            Fail("load", "KESTRIN.DLL did not load");
            return;
        }
        NoteImage(plugin.module());

        watchedPhase = "starting the user";
        MessageBoxWatch boxes;
        boxes.leaveInactive = true;   // see the display's own key events
        boxes.choose = [this](const ShownMessage &message) {
            bool yesNo = false;
            for (int id : message.buttons)
                yesNo |= id == IDYES;
            if (!yesNo)
                return IDOK;
            return random_.Chance(50) ? IDYES : IDNO;
        };

        std::vector<std::unique_ptr<SheetRun>> sheets;
        auto script = std::make_unique<ModalScript>();
        script->timeout = 20000 * TimeScale();
        HWND dialog = nullptr;
        script->WaitForWindow(DialogTitle)
            .Then([&] {
                dialog = script->window();
                SetForegroundWindow(dialog);
                return true;
            })
            .Then([&] { return GetForegroundWindow() == dialog && Settled(); });
        for (const Action &action : actions) {
            if (action.kind == SettingsSheet) {
                sheets.push_back(std::make_unique<SheetRun>());
                SheetRun *sheet = sheets.back().get();
                sheet->random = &random_;
                sheet->world = &world;
                sheet->model = &model;
                sheet->AddSteps(*script);
                continue;
            }
            auto started = std::make_shared<bool>(false);
            script->Then([&, action, started] {
                if (!*started) {
                    *started = true;
                    Predict(model, action);
                    switch (action.kind) {
                    case LetterKey: QueueCombo((WORD)action.letter, Modifiers(action)); break;
                    case EnterKey: QueueCombo(VK_RETURN, Modifiers(action)); break;
                    case EscapeKey: QueueCombo(VK_ESCAPE, {}); break;
                    case UpKey: QueueCombo(VK_UP, {}); break;
                    case DownKey: QueueCombo(VK_DOWN, {}); break;
                    case SettingsSheet: break;
                    }
                }
                if (!Settled())
                    return false;
                if (verbose && dialog != nullptr && IsWindow(dialog))
                    Report("note " + std::to_string(seed_) + " after the key the list's selection is "
                           + std::to_string(SendDlgItemMessageA(dialog, 1001, CB_GETCURSEL, 0, 0)) + ", the model's "
                           + std::to_string(model.selection) + " of " + std::to_string(model.entries.size()));
                return true;
            });
        }

        watchedPhase = "in DoProcess";
        DWORD started = GetTickCount();
        int result = CallDoProcess(plugin, host.info());
        DWORD took = GetTickCount() - started;
        bool timedOut = script->timedOut();
        script.reset();
        SetForegroundWindow(host.window());
        PumpKeys(5000);
        ForgetKeys();

        context_ = "user " + DescribeActions(actions) + "; current path '" + Escaped(currentPath) + "'";
        if (result != 1)
            Fail("result", "DoProcess returned " + std::to_string(result) + ", not 1");
        if (timedOut)
            Fail("time", "the dialog was still open after " + std::to_string(took) + " ms");
        WindowScan left = ScanThreadWindows();
        if (left.dialogs != 0)
            Fail("windows", "left open after DoProcess: " + left.titles);

        std::vector<std::string> shown;
        for (const ShownMessage &message : boxes.shown)
            if (message.title == DialogTitle)
                shown.push_back(message.text);
        if (shown != model.messages)
            Fail("messages", "expected " + Messages(model.messages) + ", shown " + Messages(shown));

        HTREEITEM selected = host.Selected();
        if (model.target != nullptr) {
            if (selected != model.target->item || host.selectionChanges != 1)
                Fail("selection", "expected a move to " + Describe(model.target) + ", got '"
                     + Escaped(host.PathOf(selected)) + "' after " + std::to_string(host.selectionChanges)
                     + " selection changes");
        } else if (host.selectionChanges != 0 || selected != selectedBefore) {
            Fail("selection", "expected no move, got '" + Escaped(host.PathOf(selected)) + "' after "
                 + std::to_string(host.selectionChanges) + " selection changes");
        }

        watchedPhase = "after DoProcess";
        // A key pressed afterwards reaches no hook of the plug-in.
        char probe = model.entries.empty() ? 'C' : model.entries[random_.Below((int)model.entries.size())].letter;
        int changes = host.selectionChanges;
        QueueCombo((WORD)probe, {});
        if (!PumpKeys(5000))
            Fail("keyboard", "a key pressed after DoProcess never arrived");
        PumpMessages(10);
        if (host.selectionChanges != changes || ScanThreadWindows().dialogs != 0)
            Fail("hook", std::string("pressing ") + probe + " after DoProcess acted on the host");

        std::string after = plugin.ReadIni();
        std::string expected = ReadFileBytes(model.file);
        if (!plugin.IniExists())
            Fail("file", "KESTRIN.INI is gone");
        else if (after != expected) {
            Fail("file", "KESTRIN.INI differs from the model's: " + std::to_string(after.size()) + " bytes, expected "
                 + std::to_string(expected.size()) + FirstDifference(after, expected));
            if (verbose)
                Report("note " + std::to_string(seed_) + " the file given: '" + Escaped(file) + "'; KESTRIN.INI: '"
                       + Escaped(after) + "'; the model's: '" + Escaped(expected) + "'");
        }
        std::set<std::string> files = FilesIn(plugin.folder());
        if (files != std::set<std::string>{"KESTRIN.DLL", "KESTRIN.INI"}) {
            std::string names;
            for (const std::string &name : files)
                names += " '" + Escaped(name) + "'";
            Fail("files", "the DLL's folder holds" + names);
        }
        if (verbose)
            Report("note " + std::to_string(seed_) + " " + context_ + "; settings file " + (fileExisted ? "given" : "absent")
                   + "; moved to " + Describe(model.target) + "; messages " + Messages(shown) + "; keys sent again "
                   + std::to_string(keysResent));
        if (StraySettingsFile())
            Fail("files", "a KESTRIN.INI outside the DLL's folder");

        watchedPhase = "unloading the DLL";
        plugin.Unload();
        QueueCombo((WORD)probe, {});
        PumpKeys(1000);
        ForgetKeys();
        PumpMessages(5);
        if (faultsInImage != 0)
            Fail("exception", std::to_string(faultsInImage) + " exceptions inside the DLL's image, the last "
                 + Hex(lastFaultCode) + " at offset " + Hex(lastFaultAddress));
        if (!HeapValidate(GetProcessHeap(), 0, nullptr))
            Fail("heap", "the process heap failed validation");
        DeleteFileA(model.file.c_str());
        watchedPhase = "between runs";
    }

private:
    std::string CurrentPath(const World &world)
    {
        switch (random_.Below(20)) {
        case 0: return "";
        case 1: return "\\\\server\\share\\";
        case 2: return "デスクトップ";
        case 3: return "Q:\\Gone\\";
        case 4: { std::string path = world.SomeFolderPath(random_); path[0] = (char)(path[0] - 'A' + 'a'); return path; }
        case 5: return world.SomeFolderPath(random_) + std::string(270, 'x') + "\\";
        case 6: { std::string path = world.SomeFolderPath(random_); path.pop_back(); return path; }
        case 7:
        case 8: return world.drives.empty() ? "C:\\" : PathOfNode(random_.Pick(world.drives));
        default: return world.SomeFolderPath(random_);
        }
    }

    int CallDoProcess(const PluginCopy &plugin, ProcessInfo *info)
    {
#if defined(__i386__)
        // As a 32-bit host calls it, with room for three arguments of which
        // a stdcall DoProcess pops its one.
        int result = 0;
        int left = BytesLeftByCall(GetProcAddress(plugin.module(), "DoProcess"), (DWORD)info, 0, 0, &result);
        if (left != 8)
            Fail("stack", "DoProcess left " + std::to_string(left - 8) + " bytes on the host's stack");
        return result;
#else
        return plugin.DoProcess(info);
#endif
    }

    static std::string FirstDifference(const std::string &a, const std::string &b)
    {
        size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at])
            ++at;
        return ", first difference at byte " + std::to_string(at) + ": '" + Escaped(a.substr(at, 40)) + "' against '"
            + Escaped(b.substr(at, 40)) + "'";
    }

    void Fail(const std::string &invariant, const std::string &detail)
    {
        failed_.push_back("fail " + std::to_string(seed_) + " " + invariant + ": " + detail
                          + (context_.empty() ? "" : " (" + context_ + ")"));
    }

    unsigned seed_;
    Random random_;
    std::vector<std::string> failed_;
    std::string context_;
};

}  // namespace

int main(int argc, char **argv)
{
    unsigned seed = 1, runs = 1;
    DWORD seconds = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        unsigned long value = strtoul(argv[i + 1], nullptr, 10);
        if (name == "--seed")
            seed = (unsigned)value;
        else if (name == "--runs")
            runs = (unsigned)value;
        // The suite's slice: the same seeds to their end on every machine,
        // a tenth of them where everything runs ten times slower (the
        // emulated guest).
        else if (name == "--slice")
            runs = (unsigned)(value / TimeScale() > 0 ? value / TimeScale() : 1);
        else if (name == "--seconds")
            seconds = (DWORD)value;
        else if (name == "--verbose")
            verbose = value != 0;
    }

    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls,
        ICC_TREEVIEW_CLASSES | ICC_USEREX_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    AddVectoredExceptionHandler(1, CountFault);
    // Installed before any of the plug-in's, so it sees each key after them.
    feedHook = SetWindowsHookExA(WH_KEYBOARD, FeedProc, nullptr, GetCurrentThreadId());
    CreateDirectoryA(ModelFolder().c_str(), nullptr);
    runLimit = 40000 * TimeScale();
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
    CreateThread(nullptr, 0, DisplayKeyFilter, nullptr, 0, nullptr);
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);

    DWORD start = GetTickCount();
    bool failed = false;
    for (unsigned n = 0; n < runs; ++n) {
        if (seconds != 0 && GetTickCount() - start >= seconds * 1000)
            break;
        unsigned runSeed = seed + n;
        Report("run " + std::to_string(runSeed));
        std::vector<std::string> failures;
        for (int attempt = 1; attempt <= 3; ++attempt) {
            faultsInImage = 0;
            keysResent = 0;
            keysDisturbed = false;
            watchedSeed = runSeed;
            watchedSince = GetTickCount() | 1;
            watchedPhase = "setting up";
            dllInPlay = false;
            Run run(runSeed);
            run.Go();
            watchedSince = 0;
            failures = run.failed();
            if (!keysDisturbed || failures.empty())
                break;
            Report("again " + std::to_string(runSeed) + ": the display reset the keyboard state");
        }
        for (const std::string &line : failures)
            Report(line);
        Report("done " + std::to_string(runSeed));
        // A failed run may leave the process damaged (a hook into the freed
        // DLL, a corrupt heap); the runner goes on in a fresh one.
        if (!failures.empty()) {
            failed = true;
            break;
        }
    }
    if (!failed)
        Report("end");
    RemoveTree(ModelFolder());
    UnhookWindowsHookEx(feedHook);
    OleUninitialize();
    return failed ? 1 : 0;
}

// KESTRIN.INI: first-run creation, the reads at the start of a run, the
// per-drive keys, and where the file goes (or does not go) for odd module paths.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "changer/drive_change.h"
#include "plugin/settings.h"
#include "support/keyboard.h"
#include "support/message_boxes.h"
#include "support/plugin_copy.h"
#include "support/test_host.h"
#include "tree/host_tree.h"

namespace {

const char DefaultIni[] =
    "[Behavior]\r\n"
    "Version=100\r\n"
    "State=6\r\n"
    "PathNotFind=1\r\n"
    "SetPathNotFind=2\r\n"
    "NonSetPath=0\r\n"
    "[EnterAction]\r\n"
    "Normal=0\r\n"
    "Shift=1\r\n"
    "Ctrl=2\r\n";

std::string Describe(const Settings &s)
{
    char text[256];
    wsprintfA(text, "Version=%d State=%d PathNotFind=%d SetPathNotFind=%d NonSetPath=%d Normal=%d Shift=%d Ctrl=%d CtrlShift=%d",
              s.Version, s.State, s.PathNotFind, s.SetPathNotFind, s.NonSetPath, s.Normal, s.Shift, s.Ctrl,
              s.CtrlShift);
    return text;
}

Settings Make(INT32 version, INT32 state, INT32 pathNotFind, INT32 setPathNotFind, INT32 nonSetPath,
              INT32 normal, INT32 shift, INT32 ctrl)
{
    return Settings{version, state, pathNotFind, setPathNotFind, nonSetPath, normal, shift, ctrl, 0};
}

const Settings Defaults = Make(100, 6, 1, 2, 0, 0, 1, 2);

// Stale values from an earlier run must not survive ResetSettings.
void PoisonSettings()
{
    memset(&settings, 0x5A, sizeof settings);
    memset(settingsPath, 'x', sizeof settingsPath - 1);
    settingsPath[sizeof settingsPath - 1] = '\0';
}

std::string WindowsIniPath()
{
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows) + "\\KESTRIN.INI";
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(SettingsFile, FirstRunWritesEightKeysInOrderAndUsesDefaults)
{
    PluginCopy plugin;
    ASSERT_FALSE(plugin.IniExists());
    PoisonSettings();
    LoadSettingsOf(plugin);

    EXPECT_EQ(Describe(settings), Describe(Defaults));
    EXPECT_EQ(lstrcmpiA(settingsPath, plugin.iniPath().c_str()), 0)
        << "expected " << plugin.iniPath() << ", got " << settingsPath;
    EXPECT_EQ(plugin.ReadIni(), DefaultIni);
}

// Each case is the whole content of an existing file; the run reads what is
// there, takes 0 for what is not, keeps Version at 100 and never writes.
TEST(SettingsFile, ExistingFileIsReadAndLeftUntouched)
{
    struct Case {
        const char *name;
        std::string file;
        Settings expected;
    } cases[] = {
        {"empty file", "", Make(100, 0, 0, 0, 0, 0, 0, 0)},
        {"only State", "[Behavior]\r\nState=1\r\n", Make(100, 1, 0, 0, 0, 0, 0, 0)},
        {"Version is never read", "[Behavior]\r\nVersion=5\r\nState=6\r\n", Make(100, 6, 0, 0, 0, 0, 0, 0)},
        {"every key", "[Behavior]\r\nState=7\r\nPathNotFind=2\r\nSetPathNotFind=0\r\nNonSetPath=1\r\n"
                      "[EnterAction]\r\nNormal=2\r\nShift=0\r\nCtrl=1\r\nCtrlShift=2\r\n",
         Make(100, 7, 2, 0, 1, 2, 0, 1)},
        {"odd texts", "[Behavior]\r\nState=12abc\r\nPathNotFind=-1\r\nSetPathNotFind=\r\nNonSetPath=abc\r\n"
                      "[EnterAction]\r\nNormal=" + std::string(300, 'x') + "\r\nShift=7\r\nCtrl= 2\r\n",
         Make(100, 12, -1, 0, 0, 0, 7, 2)},
        {"keys in the wrong section", "[EnterAction]\r\nState=1\r\n[Behavior]\r\nShift=2\r\n",
         Make(100, 0, 0, 0, 0, 0, 0, 0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        plugin.WriteIni(c.file);
        PoisonSettings();
        LoadSettingsOf(plugin);
        EXPECT_EQ(Describe(settings), Describe(c.expected));
        EXPECT_EQ(plugin.ReadIni(), c.file) << "the file was rewritten";
    }
}

// Anything at the file's path counts as an existing file: nothing is created
// over a folder of that name.
TEST(SettingsFile, FolderNamedLikeTheFileCountsAsExisting)
{
    PluginCopy plugin;
    ASSERT_TRUE(CreateDirectoryA(plugin.iniPath().c_str(), nullptr));
    PoisonSettings();
    LoadSettingsOf(plugin);
    EXPECT_EQ(Describe(settings), Describe(Make(100, 0, 0, 0, 0, 0, 0, 0)));
    EXPECT_NE(GetFileAttributesA(plugin.iniPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(SettingsFile, DriveKeyAbsentOrPresent)
{
    const std::string longValue = "D:\\" + std::string(300, 'L') + "\\";
    struct Case {
        const char *name;
        std::string section;   // content of [Path]
        bool present;
        std::string value;
    } cases[] = {
        {"no section", "", false, ""},
        {"other key", "E=E:\\Work\\\r\n", false, ""},
        {"folder", "D=D:\\Work\\\r\n", true, "D:\\Work\\"},
        {"absent-key text", "D=key Name Not Set\r\n", false, ""},
        {"absent-key text in other case", "D=KEY NAME NOT SET\r\n", true, "KEY NAME NOT SET"},
        {"empty value", "D=\r\n", true, ""},
        {"quoted", "D=\"D:\\My Work\\\"\r\n", true, "D:\\My Work\\"},
        {"Japanese", "D=D:\\表示\\ソフト\\\r\n", true, "D:\\表示\\ソフト\\"},
        {"longer than the buffer", "D=" + longValue + "\r\n", true, longValue.substr(0, MAX_PATH - 1)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        plugin.WriteIni(std::string(DefaultIni) + (c.section.empty() ? "" : "[Path]\r\n" + c.section));
        LoadSettingsOf(plugin);

        char buffer[MAX_PATH + 64];
        memset(buffer, 0xCC, sizeof buffer);
        BOOL present = ReadDriveFolder("Path", 'D', buffer, MAX_PATH);
        EXPECT_EQ(present != FALSE, c.present);
        if (c.present) {
            EXPECT_EQ(std::string(buffer), c.value);
        }
        for (size_t i = MAX_PATH; i < sizeof buffer; ++i)
            ASSERT_EQ((BYTE)buffer[i], 0xCC) << "byte " << i << " written past the " << MAX_PATH << "-byte buffer";
    }
}

// Small buffers: the value is cut, terminated inside the buffer, and an absent
// key still reads as absent although its marker text does not fit.
TEST(SettingsFile, DriveKeyIntoSmallBuffer)
{
    struct Case {
        const char *name;
        const char *value;   // nullptr: key absent
        DWORD size;
        bool present;
    } cases[] = {
        {"absent, 8 bytes", nullptr, 8, false},
        {"absent, 1 byte", nullptr, 1, false},
        {"absent, 16 bytes", nullptr, 16, false},
        {"absent-key text, 8 bytes", "key Name Not Set", 8, false},
        {"folder, 8 bytes", "D:\\Work\\Deeper\\", 8, true},
        {"Japanese, 6 bytes", "D:\\表示\\", 6, true},
        {"Japanese, 5 bytes", "D:\\表示\\", 5, true},
        {"300 bytes, 20 bytes", nullptr, 20, true},
    };
    const std::string long300(300, 'Z');
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PluginCopy plugin;
        std::string value = c.value ? c.value : (c.present ? long300 : "");
        std::string file = DefaultIni;
        if (c.value || c.present)
            file += "[Current]\r\nD=" + value + "\r\n";
        plugin.WriteIni(file);
        LoadSettingsOf(plugin);

        char buffer[64];
        memset(buffer, 0xCC, sizeof buffer);
        BOOL present = ReadDriveFolder("Current", 'D', buffer, c.size);
        EXPECT_EQ(present != FALSE, c.present);
        size_t length = strnlen(buffer, c.size);
        ASSERT_LT(length, c.size) << "no terminator inside the buffer";
        if (c.present) {
            EXPECT_EQ(value.compare(0, length, buffer, length), 0) << "got " << std::string(buffer, length);
        }
        for (size_t i = c.size; i < sizeof buffer; ++i)
            ASSERT_EQ((BYTE)buffer[i], 0xCC) << "byte " << i << " written past the " << c.size << "-byte buffer";
    }
}

// The file lies beside the loaded copy, also in folders whose names hold a
// double-byte character with the trail byte 0x5C (表 is 95 5C, ソ is 83 5C).
TEST(SettingsFile, FileBesideModuleInJapaneseFolders)
{
    for (const char *suffix : {"表示", "ソフト", "ソ"}) {
        SCOPED_TRACE(suffix);
        PluginCopy plugin(suffix);
        PoisonSettings();
        LoadSettingsOf(plugin);
        EXPECT_EQ(lstrcmpiA(settingsPath, plugin.iniPath().c_str()), 0)
            << "expected " << plugin.iniPath() << ", got " << settingsPath;
        EXPECT_EQ(plugin.ReadIni(), DefaultIni);
        EXPECT_EQ(Describe(settings), Describe(Defaults));
    }
}

std::wstring Wide(const std::string &text)
{
    std::wstring wide(text.size() + 1, L'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], (int)wide.size());
    wide.resize(length > 0 ? length - 1 : 0);
    return wide;
}

// A copy of KESTRIN.DLL whose full file name has exactly the given number of
// bytes in the ANSI code page, reached through nested folders made with the
// wide functions and the \\?\ prefix, since the ANSI ones stop at MAX_PATH.
class DeepPluginCopy {
public:
    // shift lengthens the first folder's name, moving where double-byte
    // characters fall against the 260-byte mark.
    DeepPluginCopy(size_t nameBytes, const std::string &unit, const std::string &shift = "")
    {
        static int counter = 0;
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        char base[64];
        wsprintfA(base, "kestrin-deep-%lu-%d", GetCurrentProcessId(), ++counter);
        std::string folder = std::string(temp) + base + shift;
        RemoveWide(Long(folder));   // left over by an earlier run with the same process id
        folders_.push_back(folder);
        const size_t fileBytes = 1 + lstrlenA("KESTRIN.DLL");
        while (folder.size() + fileBytes < nameBytes) {
            // Room for "\" and the component; a middle component leaves at
            // least two bytes for the next one. Linux keeps a name to 255
            // UTF-8 bytes, so components stay near 100 bytes.
            size_t room = nameBytes - folder.size() - fileBytes;
            size_t take = room - 1 <= 120 ? room - 1 : (room - 1 - 101 >= 2 ? 100 : 90);
            std::string component;
            while (component.size() + unit.size() <= take)
                component += unit;
            component.append(take - component.size(), 'a');
            folder += "\\" + component;
            folders_.push_back(folder);
        }
        for (const std::string &step : folders_)
            CreateDirectoryW(Long(step).c_str(), nullptr);
        dll_ = folder + "\\KESTRIN.DLL";
        CopyFileW(Wide(KESTRIN_DLL_PATH).c_str(), Long(dll_).c_str(), FALSE);
        module_ = LoadLibraryW(Long(dll_).c_str());
    }
    ~DeepPluginCopy()
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
        RemoveWide(Long(folders_.front()));
    }
    // Removes a folder and everything in it, however long the names.
    static void RemoveWide(const std::wstring &folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveWide(folder + L"\\" + name);
                else
                    DeleteFileW((folder + L"\\" + name).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(folder.c_str());
    }
    static std::wstring Long(const std::string &path) { return L"\\\\?\\" + Wide(path); }
    static bool Exists(const std::string &path)
    {
        return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    static std::string Read(const std::string &path)
    {
        return ReadAllBytes(
            CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    static void Write(const std::string &path, const std::string &bytes)
    {
        WriteAllBytes(CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), bytes);
    }

    HMODULE module() const { return module_; }
    const std::string &dll() const { return dll_; }
    const std::vector<std::string> &folders() const { return folders_; }
    std::string folder() const { return folders_.back(); }

private:
    std::vector<std::string> folders_;
    std::string dll_;
    HMODULE module_ = nullptr;
};

// When the module's name does not fit MAX_PATH no settings file is safe: a cut
// name would point at another folder, an empty one at the Windows directory.
// The run then keeps the defaults and writes nowhere.
TEST(SettingsFile, ModuleNameTooLongForThePathUsesDefaultsAndWritesNowhere)
{
    struct Case {
        const char *name;
        size_t nameBytes;
        std::string unit;
        bool fits;
        const char *shift;
    } cases[] = {
        {"259 bytes fits", MAX_PATH - 1, "a", true, ""},
        {"260 bytes is cut by one", MAX_PATH, "a", false, ""},
        {"300 bytes", 300, "a", false, ""},
        {"Japanese, 258 bytes", MAX_PATH - 2, "表", true, ""},
        {"Japanese, 262 bytes under 260 characters", MAX_PATH + 2, "表", false, ""},
        // One of these two is cut inside a double-byte character, which
        // leaves the cut name a byte short of the buffer.
        {"Japanese, 320 bytes", 320, "ソ", false, ""},
        {"Japanese, 320 bytes, shifted by a byte", 320, "ソ", false, "x"},
    };
    const std::string windowsIni = WindowsIniPath();
    ASSERT_FALSE(Exists(windowsIni));
    // Where the file would go if the plug-in were not found by name.
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, sizeof program - 1);
    std::string besideProgram = program;
    besideProgram = besideProgram.substr(0, besideProgram.rfind('\\') + 1) + "KESTRIN.INI";
    ASSERT_FALSE(Exists(besideProgram));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DeepPluginCopy plugin(c.nameBytes, c.unit, c.shift);
        ASSERT_EQ(plugin.dll().size(), c.nameBytes);
        ASSERT_NE(plugin.module(), nullptr) << "could not load " << plugin.dll();
        // A file that a wrong path might find: it must not be read.
        const std::string planted = "[Behavior]\r\nState=1\r\n";
        if (!c.fits)
            for (const std::string &folder : plugin.folders())
                DeepPluginCopy::Write(folder + "\\KESTRIN.INI", planted);

        PoisonSettings();
        ResetSettings();
        LoadSettings();
        EXPECT_EQ(Describe(settings), Describe(Defaults));
        if (c.fits) {
            EXPECT_EQ(std::string(settingsPath), plugin.folder() + "\\KESTRIN.INI");
            EXPECT_EQ(DeepPluginCopy::Read(plugin.folder() + "\\KESTRIN.INI"), DefaultIni);
            continue;
        }
        EXPECT_STREQ(settingsPath, "");

        // A whole drive change, which writes the folder being left.
        MessageBoxWatch boxes;
        TestHost host("@desktop\n  @computer\n    ローカル ディスク (C:)\n      Windows\n    Data (D:)\n");
        for (bool ctrl : {false, true}) {
            SetModifiers(!ctrl, ctrl);
            ChangeDrive('D', host.tree(), "C:\\Windows\\", FindFirstDriveItem(host.tree()), host.window());
            SetModifiers(false, false);
        }
        WriteDriveFolder("Path", 'D', "D:\\");
        char buffer[MAX_PATH];
        EXPECT_FALSE(ReadDriveFolder("Current", 'C', buffer, sizeof buffer));

        EXPECT_FALSE(Exists(windowsIni)) << "wrote " << windowsIni;
        DeleteFileA(windowsIni.c_str());
        EXPECT_FALSE(Exists(besideProgram)) << "wrote " << besideProgram;
        DeleteFileA(besideProgram.c_str());
        for (const std::string &folder : plugin.folders()) {
            std::string ini = folder + "\\KESTRIN.INI";
            EXPECT_EQ(DeepPluginCopy::Read(ini), planted) << "wrote " << ini;
        }
    }
}

}  // namespace

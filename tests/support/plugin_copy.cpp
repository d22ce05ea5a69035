// Temporary plug-in folders for the tests.
#include "support/plugin_copy.h"
#include "plugin/settings.h"
#include <cstring>

namespace {

std::string NewTempFolder(const std::string &suffix)
{
    static int counter = 0;
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    char name[64];
    wsprintfA(name, "kestrin-%lu-%d", GetCurrentProcessId(), ++counter);
    std::string folder = std::string(temp) + name + suffix;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

}  // namespace

PluginCopy::PluginCopy(const std::string &folderSuffix, bool load)
    : folder_(NewTempFolder(folderSuffix))
{
    CopyFileA(KESTRIN_DLL_PATH, (folder_ + "KESTRIN.DLL").c_str(), FALSE);
    if (load)
        Load();
}

PluginCopy::~PluginCopy()
{
    Unload();
    RemoveTree(folder_);
}

bool PluginCopy::Load()
{
    Unload();
    module_ = LoadLibraryA((folder_ + "KESTRIN.DLL").c_str());
    if (module_ == nullptr)
        return false;
    getFunctionInfo_ = (decltype(getFunctionInfo_))(void *)GetProcAddress(module_, "GetFunctionInfo");
    doProcess_ = (decltype(doProcess_))(void *)GetProcAddress(module_, "DoProcess");
    return getFunctionInfo_ != nullptr && doProcess_ != nullptr;
}

void PluginCopy::Unload()
{
    if (module_ != nullptr)
        FreeLibrary(module_);
    module_ = nullptr;
    getFunctionInfo_ = nullptr;
    doProcess_ = nullptr;
}

int PluginCopy::GetFunctionInfo(LPSTR info, LPSTR credit, WORD *value) const
{
    return getFunctionInfo_ ? getFunctionInfo_(info, credit, value) : -1;
}

int PluginCopy::DoProcess(ProcessInfo *info) const
{
    return doProcess_ ? doProcess_(info) : -1;
}

bool PluginCopy::IniExists() const
{
    return GetFileAttributesA(iniPath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string PluginCopy::ReadIni() const { return ReadFileBytes(iniPath()); }

void PluginCopy::WriteIni(const std::string &bytes) const { WriteFileBytes(iniPath(), bytes); }

std::string ReadAllBytes(HANDLE file)
{
    std::string bytes;
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool WriteAllBytes(HANDLE file, const std::string &bytes)
{
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string &path)
{
    return ReadAllBytes(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
}

bool WriteFileBytes(const std::string &path, const std::string &bytes)
{
    return WriteAllBytes(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), bytes);
}

void RemoveTree(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\");
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

void LoadSettingsOf(const PluginCopy &plugin)
{
    (void)plugin;
    ResetSettings();
    LoadSettings();
}

std::set<std::string> FilesIn(const std::string &folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        if (lstrcmpA(found.cFileName, ".") != 0 && lstrcmpA(found.cFileName, "..") != 0)
            names.insert(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool StraySettingsFile()
{
    char windows[MAX_PATH] = "", program[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    GetModuleFileNameA(nullptr, program, sizeof program - 1);
    if (char *slash = strrchr(program, '\\'))
        *slash = '\0';
    for (std::string folder : {std::string(windows), std::string(program)})
        if (GetFileAttributesA((folder + "\\KESTRIN.INI").c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    return false;
}

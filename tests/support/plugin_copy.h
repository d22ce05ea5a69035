// A fresh copy of the built KESTRIN.DLL in a temporary folder of its own,
// loaded into the test process, so each test owns its KESTRIN.INI.
#pragma once
#include <windows.h>
#include <set>
#include <string>
#include "plugin/plugin.h"

class PluginCopy {
public:
    // folderName, when given, is appended to the temporary folder's name
    // (long or Japanese module folders).
    explicit PluginCopy(const std::string &folderSuffix = "", bool load = true);
    ~PluginCopy();
    PluginCopy(const PluginCopy &) = delete;
    PluginCopy &operator=(const PluginCopy &) = delete;

    bool Load();
    void Unload();

    const std::string &folder() const { return folder_; }   // ends with "\"
    std::string iniPath() const { return folder_ + "KESTRIN.INI"; }
    HMODULE module() const { return module_; }

    int GetFunctionInfo(LPSTR info, LPSTR credit, WORD *value) const;
    int DoProcess(ProcessInfo *info) const;

    bool IniExists() const;
    std::string ReadIni() const;                 // the file's bytes; "" if missing
    void WriteIni(const std::string &bytes) const;

private:
    std::string folder_;
    HMODULE module_ = nullptr;
    decltype(&::GetFunctionInfo) getFunctionInfo_ = nullptr;
    decltype(&::DoProcess) doProcess_ = nullptr;
};

// The whole contents of an open file, which is closed afterwards; an
// invalid handle reads as nothing and writes fail.
std::string ReadAllBytes(HANDLE file);
bool WriteAllBytes(HANDLE file, const std::string &bytes);
std::string ReadFileBytes(const std::string &path);
bool WriteFileBytes(const std::string &path, const std::string &bytes);
void RemoveTree(const std::string &folder);

// Resets the settings of the product code linked into the tests and loads
// them from the loaded copy's KESTRIN.INI, as a run of the DLL would.
void LoadSettingsOf(const PluginCopy &plugin);

// The names in a folder (ending with "\"), without "." and "..".
std::set<std::string> FilesIn(const std::string &folder);
// Whether a KESTRIN.INI lies where a lost settings path would send the INI
// functions: the Windows folder or the test program's.
bool StraySettingsFile();

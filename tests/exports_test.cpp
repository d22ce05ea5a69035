// The DLL as the host sees it: the export table and imports read from the
// built file, and GetFunctionInfo's writes into the host's buffers.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>
#include "support/pe_file.h"
#include "support/plugin_copy.h"
#include "support/stack_call.h"

namespace {

struct Export {
    std::string name;
    DWORD ordinal;
    bool operator==(const Export &other) const { return name == other.name && ordinal == other.ordinal; }
};

void PrintTo(const Export &e, std::ostream *out) { *out << e.name << " @" << e.ordinal; }

std::vector<Export> NamedExports(const PeFile &pe)
{
    std::vector<Export> exports;
    auto *table = pe.AtRva<IMAGE_EXPORT_DIRECTORY>(pe.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    if (table == nullptr)
        return exports;
    for (DWORD i = 0; i < table->NumberOfNames; ++i) {
        auto *nameRva = pe.AtRva<DWORD>(table->AddressOfNames + i * sizeof(DWORD));
        auto *index = pe.AtRva<WORD>(table->AddressOfNameOrdinals + i * sizeof(WORD));
        if (nameRva == nullptr || index == nullptr)
            break;
        exports.push_back({pe.StringAt(*nameRva), table->Base + *index});
    }
    std::sort(exports.begin(), exports.end(), [](const Export &a, const Export &b) { return a.ordinal < b.ordinal; });
    return exports;
}

std::vector<std::string> ImportedModules(const PeFile &pe)
{
    std::vector<std::string> modules;
    for (const PeFile::Import &import : pe.Imports()) {
        std::string name = import.module;
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return (char)tolower((unsigned char)c); });
        modules.push_back(name);
    }
    return modules;
}

TEST(Exports, BuiltDllExportsBothEntryPointsUndecoratedByOrdinal)
{
    for (const BuiltDll &dll : BuiltDlls()) {
        SCOPED_TRACE(dll.path);
        PeFile pe(dll.path);
        ASSERT_TRUE(pe.Valid()) << "not a PE file";
        EXPECT_EQ(pe.FileHeader().Machine, dll.machine);
        EXPECT_EQ(pe.Is64(), dll.machine == IMAGE_FILE_MACHINE_AMD64) << "optional header kind";
        EXPECT_TRUE(pe.FileHeader().Characteristics & IMAGE_FILE_DLL);

        std::vector<Export> expected = {{"GetFunctionInfo", 1}, {"DoProcess", 2}};
        EXPECT_EQ(NamedExports(pe), expected);
    }
}

// The host loads the plug-in on machines that have nothing but Windows: the
// compiler's runtime must be linked in, never imported. ADVAPI32 is not on
// the list: what the plug-in would want from it at load time (a random
// canary from the cryptographic provider) loads DLLs under the loader lock.
TEST(Exports, BuiltDllImportsOnlyWindowsSystemModules)
{
    const std::vector<std::string> system = {
        "kernel32.dll", "user32.dll", "comctl32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
        "gdi32.dll", "msvcrt.dll", "shlwapi.dll", "comdlg32.dll",
    };
    for (const BuiltDll &dll : BuiltDlls()) {
        SCOPED_TRACE(dll.path);
        PeFile pe(dll.path);
        ASSERT_TRUE(pe.Valid());
        std::vector<std::string> modules = ImportedModules(pe);
        EXPECT_FALSE(modules.empty());
        for (const std::string &module : modules) {
            bool allowed = std::find(system.begin(), system.end(), module) != system.end()
                || module.rfind("api-ms-win-", 0) == 0;
            EXPECT_TRUE(allowed) << "imports " << module << ", which is not a Windows system module";
            for (const char *runtime : {"libgcc", "libstdc++", "libwinpthread", "libssp"})
                EXPECT_EQ(module.find(runtime), std::string::npos) << "imports the compiler runtime " << module;
        }
    }
}

// The stripped DLL does not say where its stack canary lives; the map of the
// link that made it does. Returns the canary's address relative to the
// image base, and the files that refer to it (the cross-reference table),
// or 0 when the map does not name it.
DWORD CanaryInMap(const std::string &map, ULONGLONG imageBase, std::vector<std::string> &referrers)
{
    const std::string name = "__stack_chk_guard";
    DWORD rva = 0;
    std::istringstream lines(map);
    std::string line;
    bool inCrossReference = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream words(line);
        std::string first, second, more;
        words >> first >> second;
        bool twoWords = !second.empty() && !(words >> more);
        if (rva == 0 && twoWords && second == name && first.rfind("0x", 0) == 0)
            rva = (DWORD)(std::stoull(first, nullptr, 16) - imageBase);
        // The symbol's entry: its line, then one indented line per referring file.
        if (line.rfind(name + " ", 0) == 0) {
            inCrossReference = true;
            continue;
        }
        if (inCrossReference && !line.empty() && line[0] == ' ' && second.empty())
            referrers.push_back(first);
        else
            inCrossReference = false;
    }
    return rva;
}

// The canary of the plug-in's protected functions is set while the DLL
// loads, from KERNEL32 alone: the value the file holds has changed before
// any export runs, and two loads do not share one.
TEST(Exports, StackCanaryIsSeededAtLoadWithoutTheCryptoRuntime)
{
    std::string map = ReadFileBytes(KESTRIN_DLL_MAP_PATH);
    ASSERT_FALSE(map.empty()) << "no linker map " << KESTRIN_DLL_MAP_PATH;
    EXPECT_EQ(map.find("libssp"), std::string::npos) << "the DLL links the compiler's stack protector runtime";

    PeFile pe(KESTRIN_DLL_PATH);
    ASSERT_TRUE(pe.Valid());
    std::vector<std::string> referrers;
    DWORD rva = CanaryInMap(map, pe.ImageBase(), referrers);
    ASSERT_NE(rva, 0u) << "the map names no __stack_chk_guard";
    // Functions that hold arrays still check the canary.
    for (const char *file : {"(change_drive_dialog.cpp.obj)", "(drive_change.cpp.obj)", "(drive_key_hook.cpp.obj)"}) {
        bool refers = std::any_of(referrers.begin(), referrers.end(),
                                  [file](const std::string &r) { return r.find(file) != std::string::npos; });
        EXPECT_TRUE(refers) << file << " does not read the canary: not stack-protected";
    }
    const uintptr_t *unseeded = pe.AtRva<uintptr_t>(rva);
    ASSERT_NE(unseeded, nullptr) << "the canary's address is outside the file's sections";

    PluginCopy first, second;
    ASSERT_NE(first.module(), nullptr);
    ASSERT_NE(second.module(), nullptr);
    uintptr_t firstCanary = *(const volatile uintptr_t *)((const BYTE *)first.module() + rva);
    uintptr_t secondCanary = *(const volatile uintptr_t *)((const BYTE *)second.module() + rva);
    EXPECT_NE(firstCanary, *unseeded) << "the canary is still the file's value after loading";
    EXPECT_NE(secondCanary, *unseeded) << "the canary is still the file's value after loading";
    EXPECT_NE(firstCanary, secondCanary) << "two loads got the same canary";
    EXPECT_NE(firstCanary, 0u);
}

TEST(Exports, FunctionInfoFillsExactlyTheHostsBuffers)
{
    PluginCopy plugin;
    ASSERT_NE(plugin.module(), nullptr);

    static const char expectedInfo[] = "ドライブを指定して変更します。\nドライブの変更(&L)";
    static_assert(sizeof expectedInfo == 50, "the info text is 50 bytes in code page 932");

    char info[256], credit[256];
    WORD value[3];
    memset(info, 0xCC, sizeof info);
    memset(credit, 0xCC, sizeof credit);
    memset(value, 0xCC, sizeof value);

    EXPECT_EQ(plugin.GetFunctionInfo(info, credit, &value[1]), 1);

    EXPECT_EQ(std::string(info, 50), std::string(expectedInfo, 50));
    for (size_t i = 50; i < sizeof info; ++i)
        ASSERT_EQ((BYTE)info[i], 0xCC) << "info written past its 50 bytes at offset " << i;

    EXPECT_EQ(value[1], 100);
    EXPECT_EQ(value[0], 0xCCCC) << "written before the 16-bit value";
    EXPECT_EQ(value[2], 0xCCCC) << "written after the 16-bit value";

    const char *end = (const char *)memchr(credit, '\0', 32);
    ASSERT_NE(end, nullptr) << "credit line not terminated within 32 bytes";
    size_t length = end - credit;
    EXPECT_GT(length, 0u) << "empty credit line";
    for (size_t i = length + 1; i < sizeof credit; ++i)
        ASSERT_EQ((BYTE)credit[i], 0xCC) << "credit written past its terminator at offset " << i;
}

TEST(Exports, DoProcessWithoutRecordReturnsOne)
{
    PluginCopy plugin;
    EXPECT_EQ(plugin.DoProcess(nullptr), 1);
}

#if defined(__i386__)
// The host calls both exports stdcall: an export that leaves its arguments
// on the stack unbalances the host's. Looked up by name, so that a wrong
// declaration shared with the tests cannot hide it.
TEST(Exports, EntryPointsPopTheirOwnArguments)
{
    PluginCopy plugin;
    ASSERT_NE(plugin.module(), nullptr);
    FARPROC getFunctionInfo = GetProcAddress(plugin.module(), "GetFunctionInfo");
    FARPROC doProcess = GetProcAddress(plugin.module(), "DoProcess");
    ASSERT_NE(getFunctionInfo, nullptr);
    ASSERT_NE(doProcess, nullptr);

    char info[256], credit[256];
    WORD value = 0;
    int result = 0;
    EXPECT_EQ(BytesLeftByCall(getFunctionInfo, (DWORD)info, (DWORD)credit, (DWORD)&value, &result), 0)
        << "GetFunctionInfo left its arguments on the host's stack";
    EXPECT_EQ(result, 1);
    EXPECT_EQ(BytesLeftByCall(doProcess, 0, 0, 0, &result), 12 - 4) << "DoProcess left its argument on the host's stack";
    EXPECT_EQ(result, 1);
}
#endif

}  // namespace

// The DLL as the host sees it: the export table and imports read from the
// built file, and GetFunctionInfo's writes into the host's buffers.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "support/pe_file.h"
#include "support/plugin_copy.h"

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
    DWORD rva = pe.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress;
    for (auto *entry = pe.AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva); entry != nullptr && entry->Name != 0;
         rva += sizeof *entry, entry = pe.AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva)) {
        std::string name = pe.StringAt(entry->Name);
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
// compiler's runtime must be linked in, never imported.
TEST(Exports, BuiltDllImportsOnlyWindowsSystemModules)
{
    const std::vector<std::string> system = {
        "kernel32.dll", "user32.dll", "comctl32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
        "advapi32.dll", "gdi32.dll", "msvcrt.dll", "shlwapi.dll", "comdlg32.dll",
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

}  // namespace

// What the built KESTRIN.DLL carries besides its code: the hardening flags
// of its PE header, the relocations they need, and its version resource.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "support/pe_file.h"

namespace {

TEST(ReleaseBuild, HeaderAsksForAddressRandomisationAndNoExecuteData)
{
    for (const BuiltDll &dll : BuiltDlls()) {
        SCOPED_TRACE(dll.path);
        PeFile pe(dll.path);
        ASSERT_TRUE(pe.Valid()) << "not a PE file";
        WORD flags = pe.DllCharacteristics();
        EXPECT_EQ(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE)
            << "DllCharacteristics 0x" << std::hex << flags;
        EXPECT_EQ(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT, IMAGE_DLLCHARACTERISTICS_NX_COMPAT)
            << "DllCharacteristics 0x" << std::hex << flags;
        // A movable image is useless without its relocations: stripping must
        // have kept them, or the loader can only place it at its preferred base.
        EXPECT_EQ(pe.FileHeader().Characteristics & IMAGE_FILE_RELOCS_STRIPPED, 0);
        EXPECT_GT(pe.Directory(IMAGE_DIRECTORY_ENTRY_BASERELOC).Size, 0u) << "no base relocation directory";
        if (dll.shipped) {
            EXPECT_LE(pe.size(), 64u * 1024) << "the DLL grew past 64 KiB";
        }
    }
}

std::string VersionValue(const std::vector<char> &block, const char *language, const char *name)
{
    std::string query = std::string("\\StringFileInfo\\") + language + "\\" + name;
    char *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), (void **)&value, &length) || value == nullptr)
        return "(missing)";
    return value;
}

void ExpectVersionResource(const char *path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));   // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);               // .0.0
    EXPECT_EQ(fixed->dwFileType, (DWORD)VFT_DLL);

    DWORD *translations = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", (void **)&translations, &length));
    ASSERT_EQ(length, 8u);
    EXPECT_EQ(translations[0], MAKELONG(0x0411, 932));
    EXPECT_EQ(translations[1], MAKELONG(0x0409, 1252));

    for (const char *language : {"041103a4", "040904e4"}) {
        SCOPED_TRACE(language);
        EXPECT_EQ(VersionValue(block, language, "FileVersion"), "1.0.0");
        EXPECT_EQ(VersionValue(block, language, "ProductVersion"), "1.0.0");
        EXPECT_EQ(VersionValue(block, language, "OriginalFilename"), "KESTRIN.DLL");
    }
    // Read back in code page 932: the Japanese description survives the trip.
    EXPECT_EQ(VersionValue(block, "041103a4", "FileDescription"), "ドライブの変更プラグイン");
    EXPECT_EQ(VersionValue(block, "040904e4", "FileDescription"), "Change-drive plug-in");
}

TEST(ReleaseBuild, VersionResourceInJapaneseAndEnglish)
{
    for (const BuiltDll &dll : BuiltDlls()) {
        SCOPED_TRACE(dll.path);
        ExpectVersionResource(dll.path);
    }
}

}  // namespace

// A PE image read from its file, 32-bit or 64-bit, for the tests that check
// what the built DLLs carry: headers, export and import tables. A test
// program of either architecture reads either kind.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>
#include "support/plugin_copy.h"

class PeFile {
public:
    explicit PeFile(const std::string &path) : bytes_(ReadFileBytes(path)) {}

    bool Valid() const
    {
        auto *dos = At<IMAGE_DOS_HEADER>(0);
        if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE)
            return false;
        auto *nt = At<IMAGE_NT_HEADERS32>(dos->e_lfanew);
        if (nt == nullptr || nt->Signature != IMAGE_NT_SIGNATURE)
            return false;
        if (nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
            return At<IMAGE_NT_HEADERS64>(dos->e_lfanew) != nullptr;
        return nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    }

    size_t size() const { return bytes_.size(); }

    // The parts both kinds share; call only on a Valid() image.
    const IMAGE_FILE_HEADER &FileHeader() const { return Nt32()->FileHeader; }
    WORD Magic() const { return Nt32()->OptionalHeader.Magic; }
    bool Is64() const { return Magic() == IMAGE_NT_OPTIONAL_HDR64_MAGIC; }
    WORD DllCharacteristics() const
    {
        return Is64() ? Nt64()->OptionalHeader.DllCharacteristics : Nt32()->OptionalHeader.DllCharacteristics;
    }
    ULONGLONG ImageBase() const
    {
        return Is64() ? Nt64()->OptionalHeader.ImageBase : Nt32()->OptionalHeader.ImageBase;
    }
    const IMAGE_DATA_DIRECTORY &Directory(int index) const
    {
        return Is64() ? Nt64()->OptionalHeader.DataDirectory[index] : Nt32()->OptionalHeader.DataDirectory[index];
    }

    // File offset of a relative virtual address, or SIZE_MAX when no section holds it.
    size_t Offset(DWORD rva) const
    {
        const IMAGE_FILE_HEADER &file = FileHeader();
        size_t table = At<IMAGE_DOS_HEADER>(0)->e_lfanew + sizeof(DWORD) + sizeof file + file.SizeOfOptionalHeader;
        for (int i = 0; i < file.NumberOfSections; ++i) {
            auto *section = At<IMAGE_SECTION_HEADER>(table + i * sizeof(IMAGE_SECTION_HEADER));
            if (section == nullptr)
                break;
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->SizeOfRawData)
                return rva - section->VirtualAddress + section->PointerToRawData;
        }
        return SIZE_MAX;
    }

    template <typename T> const T *AtRva(DWORD rva) const { return At<T>(Offset(rva)); }

    std::string StringAt(DWORD rva) const
    {
        size_t offset = Offset(rva);
        if (offset >= bytes_.size())
            return "<bad address>";
        size_t end = bytes_.find('\0', offset);
        return bytes_.substr(offset, end == std::string::npos ? std::string::npos : end - offset);
    }

    // The import table: each module with the functions it gives, by name,
    // or "#" and the ordinal for one imported by ordinal.
    struct Import {
        std::string module;
        std::vector<std::string> functions;
    };
    std::vector<Import> Imports() const
    {
        std::vector<Import> imports;
        DWORD rva = Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress;
        for (auto *entry = AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva); entry != nullptr && entry->Name != 0;
             rva += sizeof *entry, entry = AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva)) {
            Import import{StringAt(entry->Name), {}};
            DWORD thunk = entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk;
            for (;; thunk += Is64() ? 8 : 4) {
                ULONGLONG value = 0, byOrdinal = 0;
                if (Is64()) {
                    auto *slot = AtRva<ULONGLONG>(thunk);
                    value = slot != nullptr ? *slot : 0;
                    byOrdinal = IMAGE_ORDINAL_FLAG64;
                } else {
                    auto *slot = AtRva<DWORD>(thunk);
                    value = slot != nullptr ? *slot : 0;
                    byOrdinal = IMAGE_ORDINAL_FLAG32;
                }
                if (value == 0)
                    break;
                if (value & byOrdinal)
                    import.functions.push_back("#" + std::to_string(value & 0xFFFF));
                else   // a hint, then the name
                    import.functions.push_back(StringAt((DWORD)value + sizeof(WORD)));
            }
            imports.push_back(import);
        }
        return imports;
    }

private:
    const IMAGE_NT_HEADERS32 *Nt32() const { return At<IMAGE_NT_HEADERS32>(At<IMAGE_DOS_HEADER>(0)->e_lfanew); }
    const IMAGE_NT_HEADERS64 *Nt64() const { return At<IMAGE_NT_HEADERS64>(At<IMAGE_DOS_HEADER>(0)->e_lfanew); }

    template <typename T> const T *At(size_t offset) const
    {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T))
            return nullptr;
        return (const T *)(bytes_.data() + offset);
    }

    std::string bytes_;
};

// A built KESTRIN.DLL and the machine its header must name.
struct BuiltDll {
    const char *path;
    WORD machine;
    bool shipped;   // the i686 file users install
};

// The shipped i686 DLL whatever the test program's architecture, and on
// the 64-bit twin the twin's own DLL as well.
inline std::vector<BuiltDll> BuiltDlls()
{
    std::vector<BuiltDll> dlls = {{KESTRIN_SHIPPED_DLL_PATH, IMAGE_FILE_MACHINE_I386, true}};
#if defined(__x86_64__)
    dlls.push_back({KESTRIN_DLL_PATH, IMAGE_FILE_MACHINE_AMD64, false});
#endif
    return dlls;
}

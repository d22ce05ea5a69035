// A 32-bit PE image read from its file, for the tests that check what the
// built DLL carries: headers, export and import tables.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "support/plugin_copy.h"

// A 32-bit PE image read from its file: enough to follow export and import
// tables by their relative addresses.
class PeFile {
public:
    explicit PeFile(const std::string &path) : bytes_(ReadFileBytes(path)) {}

    bool Valid() const
    {
        auto *dos = At<IMAGE_DOS_HEADER>(0);
        if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE)
            return false;
        auto *nt = Nt();
        return nt != nullptr && nt->Signature == IMAGE_NT_SIGNATURE
            && nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    }

    size_t size() const { return bytes_.size(); }

    const IMAGE_NT_HEADERS32 *Nt() const
    {
        auto *dos = At<IMAGE_DOS_HEADER>(0);
        return dos ? At<IMAGE_NT_HEADERS32>(dos->e_lfanew) : nullptr;
    }

    const IMAGE_DATA_DIRECTORY &Directory(int index) const
    {
        return Nt()->OptionalHeader.DataDirectory[index];
    }

    // File offset of a relative virtual address, or SIZE_MAX when no section holds it.
    size_t Offset(DWORD rva) const
    {
        auto *nt = Nt();
        auto *section = At<IMAGE_SECTION_HEADER>((const char *)IMAGE_FIRST_SECTION(nt) - bytes_.data());
        for (int i = 0; section != nullptr && i < nt->FileHeader.NumberOfSections; ++i, ++section)
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->SizeOfRawData)
                return rva - section->VirtualAddress + section->PointerToRawData;
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

private:
    template <typename T> const T *At(size_t offset) const
    {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T))
            return nullptr;
        return (const T *)(bytes_.data() + offset);
    }

    std::string bytes_;
};

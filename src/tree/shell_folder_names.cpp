// The shell's display names of special folders (Desktop, My Computer), which
// the host uses as the texts of its top tree items.
#include "tree/host_tree.h"
#include <shlobj.h>

// Copies a name that is stored as ANSI text; one that does not fit is
// refused rather than cut, so it can only ever match nothing.
static BOOL CopyWholeName(LPCSTR name, size_t available, LPSTR out, DWORD size)
{
    size_t length = 0;
    while (length < available && name[length] != '\0')
        ++length;
    if (length >= available || length >= size)
        return FALSE;
    lstrcpynA(out, name, (int)length + 1);
    return TRUE;
}

static BOOL ConvertDisplayName(STRRET *name, LPCITEMIDLIST item, LPSTR out, DWORD size)
{
    switch (name->uType) {
    case STRRET_WSTR: {
        int written = WideCharToMultiByte(CP_ACP, 0, name->pOleStr, -1, out, (int)size, NULL, NULL);
        return written > 0;
    }
    case STRRET_OFFSET:
        // The text lies inside the item list; it is read no further than the
        // name buffer allows.
        return CopyWholeName((LPCSTR)item + name->uOffset, size, out, size);
    case STRRET_CSTR:
        return CopyWholeName(name->cStr, sizeof name->cStr, out, size);
    default:
        return FALSE;
    }
}

BOOL GetSpecialFolderName(int folderId, LPSTR out, DWORD size)
{
    ZeroMemory(out, size);

    IShellFolder *desktop = NULL;
    if (FAILED(SHGetDesktopFolder(&desktop)))
        return FALSE;
    IMalloc *allocator = NULL;
    if (FAILED(SHGetMalloc(&allocator))) {
        desktop->Release();
        return FALSE;
    }
    LPITEMIDLIST item = NULL;
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, folderId, &item))) {
        STRRET name;
        ZeroMemory(&name, sizeof name);
        if (desktop->GetDisplayNameOf(item, SHGDN_NORMAL, &name) == S_OK) {
            if (!ConvertDisplayName(&name, item, out, size))
                ZeroMemory(out, size);
            if (name.uType == STRRET_WSTR)
                allocator->Free(name.pOleStr);
        }
        allocator->Free(item);
    }
    allocator->Release();
    desktop->Release();
    return out[0] != '\0';
}

// The contract between the host file manager and a plug-in: the record the
// host passes to DoProcess and the two exports it calls (stdcall, undecorated).
#pragma once
#include <windows.h>
#include <stddef.h>

struct ProcessInfo {
    HWND hwndOwner;       // owns the plug-in's modal dialog
    HWND hwndTree;        // the host's folder tree (a common-controls tree view)
    DWORD reserved[3];    // host fields the plug-in never reads
    LPCSTR currentPath;   // the host's current folder, "C:\...\" form
};
// The host passes consecutive 32-bit fields, the path at the sixth. The
// 64-bit twin keeps the same declaration, which puts it at 32.
#if defined(__i386__)
static_assert(offsetof(ProcessInfo, hwndTree) == 4 && offsetof(ProcessInfo, currentPath) == 20,
              "the host's record layout");
#elif defined(__x86_64__)
static_assert(offsetof(ProcessInfo, hwndTree) == 8 && offsetof(ProcessInfo, currentPath) == 32,
              "the host's record layout, 64-bit");
#endif

// The first buffer of GetFunctionInfo must hold at least this many bytes.
enum { FunctionInfoSize = 50 };

extern "C" {
int WINAPI GetFunctionInfo(LPSTR info, LPSTR credit, WORD *value);
int WINAPI DoProcess(ProcessInfo *info);
}

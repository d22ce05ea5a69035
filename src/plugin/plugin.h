// The contract between the host file manager and a plug-in: the record the
// host passes to DoProcess and the two exports it calls (stdcall, undecorated).
#pragma once
#include <windows.h>

struct ProcessInfo {
    HWND hwndOwner;       // owns the plug-in's modal dialog
    HWND hwndTree;        // the host's folder tree (a common-controls tree view)
    DWORD reserved[3];    // host fields the plug-in never reads
    LPCSTR currentPath;   // the host's current folder, "C:\...\" form
};

// The first buffer of GetFunctionInfo must hold at least this many bytes.
enum { FunctionInfoSize = 50 };

extern "C" {
int WINAPI GetFunctionInfo(LPSTR info, LPSTR credit, WORD *value);
int WINAPI DoProcess(ProcessInfo *info);
}

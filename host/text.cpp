// Text conversions between the ANSI code page the host runs in and the UTF-8
// of fixture files and of the terminal that runs the scripted tour.
#include "host.h"

static BOOL Convert(UINT from, LPCSTR text, UINT to, LPSTR out, int size)
{
    WCHAR wide[1024];
    if (size <= 0)
        return FALSE;
    out[0] = '\0';
    if (MultiByteToWideChar(from, 0, text, -1, wide, (int)(sizeof wide / sizeof wide[0])) == 0)
        return FALSE;
    if (WideCharToMultiByte(to, 0, wide, -1, out, size, NULL, NULL) == 0) {
        out[0] = '\0';
        return FALSE;
    }
    return TRUE;
}

BOOL Utf8ToAnsi(LPCSTR utf8, LPSTR out, int size)
{
    return Convert(CP_UTF8, utf8, CP_ACP, out, size);
}

BOOL AnsiToUtf8(LPCSTR ansi, LPSTR out, int size)
{
    return Convert(CP_ACP, ansi, CP_UTF8, out, size);
}

void PrintLine(LPCSTR ansiText)
{
    char line[2048];
    if (!AnsiToUtf8(ansiText, line, (int)sizeof line - 1))
        lstrcpynA(line, "?", (int)sizeof line);
    int length = lstrlenA(line);
    line[length++] = '\n';
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != NULL && out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(out, line, (DWORD)length, &written, NULL);
        FlushFileBuffers(out);
    }
}

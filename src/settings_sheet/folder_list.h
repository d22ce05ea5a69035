// The per-drive folder lists of the Destination and Remembered folders pages,
// and the double-byte test used to check typed paths.
#pragma once
#include <windows.h>

enum { SingleByte = 0, LeadByte = 1, TrailByte = 2 };

void FillFolderList(HWND list, LPCSTR section);
void AppendFolderItem(HWND list, LPCSTR text);
void FitFolderColumn(HWND list);
int GetByteKind(LPCSTR text, int index);

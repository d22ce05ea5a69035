// The Destination folders page: one configured folder per drive, checked as
// it is added and written back to section Path on apply.
#pragma once
#include <windows.h>

int AddConfiguredFolder(HWND page);
int DeleteConfiguredFolder(HWND page);
// FALSE when the settings file could not be written.
BOOL SaveConfiguredFolders(HWND page);

// 1 when a folder was chosen (out then holds it), 2 when nothing was.
int BrowseForFolder(HWND owner, LPCSTR start, LPSTR out, int size);
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

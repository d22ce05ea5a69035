// The three-page settings sheet opened from the change-drive dialog, and the
// protocol its pages share.
#pragma once
#include <windows.h>

extern const char SettingsSheetTitle[];   // "ドライブの変更の設定"
extern BOOL sheetStyleFixed;              // context-help button already removed

// The dialog's Settings button: runs the sheet with the letter-key hook off.
void RunSettingsCommand(HWND window);
void ShowSettingsSheet(HINSTANCE module, HWND parent);
void HideSheetContextHelp(HWND page);
// Enables the sheet's Apply button on behalf of page.
void NotifySheetChanged(HWND page);
// For a page whose PSN_APPLY could not write the settings file: tells the
// user and keeps the sheet open; the page procedure returns the result.
INT_PTR RefuseApply(HWND page);

INT_PTR CALLBACK BehaviorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RememberedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

void FillBehaviorPage(HWND page);
// FALSE when the settings file could not be written.
BOOL SaveBehaviorPage(HWND page);

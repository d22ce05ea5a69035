// The change-drive dialog (template 101) and its keyboard shortcut: a drive's
// letter key acts on that drive at once.
#pragma once
#include <windows.h>
#include <commctrl.h>

extern HWND dialog;                 // the dialog while it is open
extern HWND driveCombo;             // its drive list (ComboBoxEx)
extern HHOOK keyHook;               // the letter-key hook while installed
extern HTREEITEM firstDriveItem;    // first drive item of the host tree

// Runs the dialog modally for one DoProcess call; no hook is left afterwards.
void RunChangeDriveDialog(HINSTANCE module, HWND owner);
// TRUE when a dialog of this module is open: it has been brought to the front.
BOOL BringChangeDriveToFront();

INT_PTR CALLBACK ChangeDriveDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL FillDriveList(HWND window);
void ActOnDrive(char letter);
void CloseChangeDrive(HWND window, INT_PTR result);

void InstallDriveKeyHook(HWND window);
void RemoveDriveKeyHook();
// A new dialog owns no key pressed before it.
void ForgetDriveKeys();
LRESULT CALLBACK DriveKeyHookProc(int code, WPARAM wParam, LPARAM lParam);

// KESTRIN.INI beside the module: the in-memory settings record, where the file
// lives, and the rules for the per-drive sections Current and Path.
#pragma once
#include <windows.h>

enum { ActionRoot = 0, ActionRemembered = 1, ActionConfigured = 2 };
enum { FallbackStay = 0, FallbackRoot = 1, FallbackDeepest = 2 };
enum {
    WarnRememberedNotFound = 1,
    WarnConfiguredNotFound = 2,
    WarnConfiguredNotSet = 4,
};

struct Settings {
    INT32 Version;
    INT32 State;
    INT32 PathNotFind;
    INT32 SetPathNotFind;
    INT32 NonSetPath;
    INT32 Normal;
    INT32 Shift;
    INT32 Ctrl;
    INT32 CtrlShift;
};

extern Settings settings;
// Full path of KESTRIN.INI; empty when no safe path could be made, in which
// case nothing is read from or written to any file.
extern char settingsPath[MAX_PATH];

extern const char SettingsModuleName[];   // "KESTRIN.DLL"
extern const char SettingsFileName[];     // "KESTRIN.INI"
extern const char AbsentKeyText[];        // "key Name Not Set"

// The file's sections, spelled once so that no reader or writer can split it.
extern const char BehaviorSection[];      // "Behavior": State and the fallbacks
extern const char EnterActionSection[];   // "EnterAction": the action per modifier
extern const char CurrentSection[];       // "Current": remembered folder per drive
extern const char PathSection[];          // "Path": configured folder per drive

void ResetSettings();
BOOL GetSettingsPath(LPCSTR moduleName, LPCSTR fileName, LPSTR out, DWORD size);
void LoadSettings();

// The writers return FALSE when the file could not be written (or no path
// for it could be made), so that a save the user asked for can say so.
// Integer keys of sections Behavior and EnterAction, written as "%d".
BOOL WriteSettingInt(LPCSTR section, LPCSTR key, int value);

// Per-drive keys "%c" of sections Current and Path. ReadDriveFolder returns
// FALSE when the key is absent (the file gave back the absent-key text).
BOOL ReadDriveFolder(LPCSTR section, char letter, LPSTR out, DWORD size);
BOOL WriteDriveFolder(LPCSTR section, char letter, LPCSTR value);
BOOL DeleteSettingsSection(LPCSTR section);

// KESTRIN.INI: defaults, location, first-run creation and the reads at the
// start of every run, plus the per-drive key rules shared by the changer and
// the settings sheet.
#include "plugin/settings.h"

Settings settings;
char settingsPath[MAX_PATH];

const char SettingsModuleName[] = "KESTRIN.DLL";
const char SettingsFileName[] = "KESTRIN.INI";
const char AbsentKeyText[] = "key Name Not Set";

const char BehaviorSection[] = "Behavior";
const char EnterActionSection[] = "EnterAction";
const char CurrentSection[] = "Current";
const char PathSection[] = "Path";

void ResetSettings()
{
    settings.Version = 100;
    settings.State = WarnConfiguredNotFound | WarnConfiguredNotSet;
    settings.PathNotFind = FallbackRoot;
    settings.SetPathNotFind = FallbackDeepest;
    settings.NonSetPath = 0;
    settings.Normal = ActionRoot;
    settings.Shift = ActionRemembered;
    settings.Ctrl = ActionConfigured;
    settings.CtrlShift = ActionRoot;
}

// Length of the drive and directory part of a full file name, separator
// included. A trail byte 0x5C of a double-byte character is not a separator.
static DWORD DirectoryLength(LPCSTR path)
{
    DWORD end = 0;
    for (DWORD i = 0; path[i] != '\0'; ++i) {
        if (IsDBCSLeadByteEx(CP_ACP, (BYTE)path[i])) {
            if (path[i + 1] == '\0')
                break;
            ++i;
            continue;
        }
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':')
            end = i + 1;
    }
    return end;
}

BOOL GetSettingsPath(LPCSTR moduleName, LPCSTR fileName, LPSTR out, DWORD size)
{
    if (size == 0)
        return FALSE;
    out[0] = '\0';

    // A cut module name is useless, and a cut is not always visible in the
    // result: Wine leaves it unterminated, and a cut that falls inside a
    // double-byte character comes back a byte short of the buffer. So the
    // name is read into a buffer far larger than a usable one and must end
    // well inside it. An empty path would send the INI functions to the
    // Windows directory, so failure leaves out empty.
    char module[MAX_PATH * 4];
    DWORD length = GetModuleFileNameA(GetModuleHandleA(moduleName), module, sizeof module);
    if (length == 0 || length + 2 >= sizeof module || length >= size)
        return FALSE;
    module[length] = '\0';
    lstrcpynA(out, module, (int)size);

    DWORD directory = DirectoryLength(out);
    DWORD name = (DWORD)lstrlenA(fileName);
    if (directory == 0 || directory + name >= size) {
        out[0] = '\0';
        return FALSE;
    }
    lstrcpynA(out + directory, fileName, (int)(size - directory));
    return TRUE;
}

BOOL WriteSettingInt(LPCSTR section, LPCSTR key, int value)
{
    if (settingsPath[0] == '\0')
        return FALSE;
    char text[16];
    wsprintfA(text, "%d", value);
    return WritePrivateProfileStringA(section, key, text, settingsPath);
}

static INT32 ReadSettingInt(LPCSTR section, LPCSTR key)
{
    return (INT32)GetPrivateProfileIntA(section, key, 0, settingsPath);
}

static BOOL SettingsFileExists()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(settingsPath, &found);
    if (search == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(search);
    return TRUE;
}

void LoadSettings()
{
    if (!GetSettingsPath(SettingsModuleName, SettingsFileName, settingsPath, sizeof settingsPath))
        return;

    if (!SettingsFileExists()) {
        WriteSettingInt(BehaviorSection, "Version", settings.Version);
        WriteSettingInt(BehaviorSection, "State", settings.State);
        WriteSettingInt(BehaviorSection, "PathNotFind", settings.PathNotFind);
        WriteSettingInt(BehaviorSection, "SetPathNotFind", settings.SetPathNotFind);
        WriteSettingInt(BehaviorSection, "NonSetPath", settings.NonSetPath);
        WriteSettingInt(EnterActionSection, "Normal", settings.Normal);
        WriteSettingInt(EnterActionSection, "Shift", settings.Shift);
        WriteSettingInt(EnterActionSection, "Ctrl", settings.Ctrl);
        return;
    }

    settings.State = ReadSettingInt(BehaviorSection, "State");
    settings.PathNotFind = ReadSettingInt(BehaviorSection, "PathNotFind");
    settings.SetPathNotFind = ReadSettingInt(BehaviorSection, "SetPathNotFind");
    settings.NonSetPath = ReadSettingInt(BehaviorSection, "NonSetPath");
    settings.Normal = ReadSettingInt(EnterActionSection, "Normal");
    settings.Shift = ReadSettingInt(EnterActionSection, "Shift");
    settings.Ctrl = ReadSettingInt(EnterActionSection, "Ctrl");
}

static void MakeDriveKey(char letter, char key[2])
{
    key[0] = letter;
    key[1] = '\0';
}

BOOL ReadDriveFolder(LPCSTR section, char letter, LPSTR out, DWORD size)
{
    if (size == 0)
        return FALSE;
    out[0] = '\0';
    if (settingsPath[0] == '\0')
        return FALSE;
    char key[2];
    MakeDriveKey(letter, key);
    // Read whole, then cut: in a buffer shorter than the absent-key text the
    // text itself would arrive cut and pass for a stored folder.
    char value[MAX_PATH];
    GetPrivateProfileStringA(section, key, AbsentKeyText, value, sizeof value, settingsPath);
    if (lstrcmpA(value, AbsentKeyText) == 0)
        return FALSE;
    lstrcpynA(out, value, (int)size);
    return TRUE;
}

BOOL WriteDriveFolder(LPCSTR section, char letter, LPCSTR value)
{
    if (settingsPath[0] == '\0')
        return FALSE;
    char key[2];
    MakeDriveKey(letter, key);
    return WritePrivateProfileStringA(section, key, value, settingsPath);
}

BOOL DeleteSettingsSection(LPCSTR section)
{
    if (settingsPath[0] == '\0')
        return FALSE;
    return WritePrivateProfileStringA(section, NULL, NULL, settingsPath);
}

// The DLL's face to the host: the load notification and the two exports.
#include "plugin/plugin.h"
#include "plugin/run_state.h"
#include "plugin/settings.h"
#include "changer/change_drive_dialog.h"

// Description, line feed, then the command caption with its access key:
// exactly FunctionInfoSize bytes in code page 932, terminator included.
static const char FunctionInfoText[] = "ドライブを指定して変更します。\nドライブの変更(&L)";
static_assert(sizeof FunctionInfoText == FunctionInfoSize, "the host's info buffer holds 50 bytes");

// The host does not say how large its credit buffer is: stay within 32 bytes.
static const char CreditLine[] = "KESTRIN 1.0.0";
static_assert(sizeof CreditLine <= 32, "credit line must fit 32 bytes");

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        instance = module;
    return TRUE;
}

extern "C" int WINAPI GetFunctionInfo(LPSTR info, LPSTR credit, WORD *value)
{
    CopyMemory(info, FunctionInfoText, sizeof FunctionInfoText);
    CopyMemory(credit, CreditLine, sizeof CreditLine);
    *value = 100;
    return 1;
}

extern "C" int WINAPI DoProcess(ProcessInfo *info)
{
    if (info == NULL || BringChangeDriveToFront())
        return 1;
    processInfo = info;
    ResetSettings();
    LoadSettings();
    RunChangeDriveDialog(instance, info->hwndOwner);
    return 1;
}

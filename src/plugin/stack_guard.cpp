// The stack protector's canary and its failure path, for KESTRIN.DLL alone.
// The compiler's own runtime for them seeds the canary from the Windows
// cryptographic provider in a constructor, which loads DLLs while the host
// holds the loader lock. Here the canary comes from KERNEL32 counters that
// load nothing, set in the DLL's entry point before any code that checks it.
#include <windows.h>
#include <stdint.h>

// The canary until the entry point has run; never a seeded value.
#if defined(_WIN64)
static const uintptr_t UnseededGuard = 0x00002B992DDFA232ull;
#else
static const uintptr_t UnseededGuard = 0xBB40E64Eu;
#endif

extern "C" {
uintptr_t __stack_chk_guard = UnseededGuard;
void __stack_chk_fail(void) __attribute__((noreturn));
BOOL WINAPI KestrinDllEntry(HANDLE module, DWORD reason, LPVOID reserved);
BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, LPVOID reserved);
}

// Mixed as the Visual C++ runtime mixes its security cookie: none of these
// is secret, together they differ from load to load. The stack address
// varies with the process's address layout. On 64-bit the top 16 bits stay
// clear, so a string copied over the canary cannot reproduce it.
__attribute__((no_stack_protector)) static uintptr_t NewGuard()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);

    ULONGLONG mix = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
    mix ^= GetCurrentThreadId();
    mix ^= GetCurrentProcessId();
    mix ^= (ULONGLONG)GetTickCount() << 24;
    mix ^= ((ULONGLONG)counter.LowPart << 32) ^ (ULONGLONG)counter.QuadPart;
    mix ^= (ULONGLONG)(uintptr_t)&mix;

    uintptr_t guard;
    if (sizeof guard < sizeof mix)
        guard = (uintptr_t)(mix ^ (mix >> 32));
    else
        guard = (uintptr_t)(mix & 0x0000FFFFFFFFFFFFull);
    if (guard == 0 || guard == UnseededGuard)
        guard = UnseededGuard + 1;
    return guard;
}

// The linker's entry point for the DLL, ahead of the C runtime's: the canary
// changes before the runtime's start-up, the constructors and DllMain run,
// so no function that checks it is live across the change. This function
// checks nothing itself.
__attribute__((no_stack_protector)) BOOL WINAPI KestrinDllEntry(HANDLE module, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH && __stack_chk_guard == UnseededGuard)
        __stack_chk_guard = NewGuard();
    return DllMainCRTStartup(module, reason, reserved);
}

// A smashed stack: the process ends at once, with nothing loaded, no message
// and no handler run on the damaged stack.
void __stack_chk_fail(void)
{
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

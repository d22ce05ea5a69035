// Calls an export the way a 32-bit host does, to see what it leaves on the
// host's stack.
#pragma once
#include <windows.h>

#if defined(__i386__)
// Calls an export with three 32-bit arguments pushed as the host pushes
// them, trusting the callee to pop its own, and returns how many of the 12
// bytes are still on the stack: 12 less the arguments it takes when it is
// stdcall, 12 when it is cdecl. In assembly, because compiled code restores
// the stack pointer from its frame and would hide the difference.
inline int BytesLeftByCall(FARPROC function, DWORD first, DWORD second, DWORD third, int *result)
{
    int left;
    asm volatile("movl %%esp, %%ebx\n\t"
                 "pushl %[c]\n\t"
                 "pushl %[b]\n\t"
                 "pushl %[a]\n\t"
                 "call *%[f]\n\t"
                 "movl %%ebx, %%ecx\n\t"
                 "subl %%esp, %%ecx\n\t"
                 "movl %%ebx, %%esp"
                 : "=a"(*result), "=c"(left)
                 : [f] "r"(function), [a] "r"(first), [b] "r"(second), [c] "r"(third)
                 : "ebx", "edx", "memory", "cc");
    return left;
}
#endif

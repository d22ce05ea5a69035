// Keyboard helpers for the tests.
#include "support/keyboard.h"

void SetModifiers(bool shift, bool ctrl)
{
    BYTE keys[256] = {};
    if (shift)
        keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    if (ctrl)
        keys[VK_CONTROL] = keys[VK_LCONTROL] = 0x80;
    SetKeyboardState(keys);
}

static void SendKey(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = (WORD)MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void KeyDown(WORD key) { SendKey(key, false); }
void KeyUp(WORD key) { SendKey(key, true); }

void PressKey(WORD key, std::initializer_list<WORD> modifiers)
{
    for (WORD modifier : modifiers)
        KeyDown(modifier);
    KeyDown(key);
    KeyUp(key);
    for (auto it = modifiers.end(); it != modifiers.begin();)
        KeyUp(*--it);
}

void PumpMessages(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

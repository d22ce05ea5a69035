// Keyboard state and real key input for the tests.
#pragma once
#include <windows.h>
#include <initializer_list>

// Sets Shift and Ctrl in this thread's keyboard state, as GetKeyboardState
// will report them; every other key is released.
void SetModifiers(bool shift, bool ctrl);

// Real input through SendInput: the modifiers go down, the key is pressed
// and released, the modifiers come up (in reverse order).
void PressKey(WORD key, std::initializer_list<WORD> modifiers = {});
void KeyDown(WORD key);
void KeyUp(WORD key);

// Pumps this thread's messages for about milliseconds.
void PumpMessages(DWORD milliseconds);

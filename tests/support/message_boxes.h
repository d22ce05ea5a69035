// Reads message boxes off the screen through a WH_CBT hook on this thread and
// answers them, so tests see exactly what a user would see.
#pragma once
#include <windows.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

struct ShownMessage {
    std::string title;
    std::string text;
    UINT icon = 0;              // MB_ICONERROR, MB_ICONWARNING, MB_ICONQUESTION, MB_ICONINFORMATION or 0
    std::vector<int> buttons;   // IDOK, IDCANCEL, IDYES, IDNO present
    HWND owner = nullptr;
    // The owner as it was while the box was up: it may be gone by the time
    // the test looks (a dialog that ends when its start fails).
    std::string ownerTitle;
    HWND ownerOwner = nullptr;
};

class MessageBoxWatch {
public:
    MessageBoxWatch();
    ~MessageBoxWatch();
    MessageBoxWatch(const MessageBoxWatch &) = delete;
    MessageBoxWatch &operator=(const MessageBoxWatch &) = delete;

    // Answers for the next boxes, in order; when none is queued a box gets
    // IDOK if it has it, else IDNO.
    std::deque<int> answers;
    // When no answer is queued and this is set, it picks one of the box's
    // buttons instead.
    std::function<int(const ShownMessage &)> choose;
    std::vector<ShownMessage> shown;
    // The boxes are answered without being activated: no window of the
    // thread takes the display's focus from the one the keys go to.
    bool leaveInactive = false;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    HHOOK hook_ = nullptr;
};

// True when window looks like a message box: only static and button children.
bool IsMessageBox(HWND window);

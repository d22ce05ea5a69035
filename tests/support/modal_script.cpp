// Timer-driven scripts for modal dialogs.
#include "support/modal_script.h"
#include <cstdlib>
#include <memory>

namespace {

ModalScript *activeScript = nullptr;

// Where everything runs many times slower (the emulated guest), ctest's
// limits are stretched by KESTRIN_TEST_TIME_SCALE; a script gives up no
// sooner, so that a slow step is not taken for a broken one.
DWORD TimeScale()
{
    char text[16] = "";
    DWORD length = GetEnvironmentVariableA("KESTRIN_TEST_TIME_SCALE", text, sizeof text);
    int scale = length > 0 && length < sizeof text ? atoi(text) : 1;
    return scale > 1 ? (DWORD)scale : 1;
}

struct DialogSearch {
    const std::string *title;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM data)
{
    auto *search = (DialogSearch *)data;
    char className[64] = "", title[512] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) && *search->title == title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

}  // namespace

HWND FindThreadDialog(const std::string &title)
{
    DialogSearch search = {&title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, (LPARAM)&search);
    return search.found;
}

void CancelThreadDialogs()
{
    EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

ModalScript::ModalScript()
{
    activeScript = this;
    started_ = GetTickCount();
    timer_ = SetTimer(nullptr, 0, 20, Tick);
}

ModalScript::~ModalScript()
{
    KillTimer(nullptr, timer_);
    if (activeScript == this)
        activeScript = nullptr;
}

ModalScript &ModalScript::Then(Step step)
{
    steps_.push_back(std::move(step));
    return *this;
}

ModalScript &ModalScript::WaitForWindow(const std::string &title)
{
    return Then([this, title] {
        window_ = FindThreadDialog(title);
        return window_ != nullptr;
    });
}

ModalScript &ModalScript::Pause(DWORD milliseconds)
{
    auto until = std::make_shared<DWORD>(0);
    return Then([until, milliseconds] {
        if (*until == 0)
            *until = GetTickCount() + milliseconds;
        return (LONG)(GetTickCount() - *until) >= 0;
    });
}

void CALLBACK ModalScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeScript != nullptr)
        activeScript->Run();
}

void ModalScript::Run()
{
    // A step may start a nested modal loop (a message box); the timer keeps
    // ticking inside it, but steps never run inside each other.
    if (running_)
        return;
    if (!finished() && GetTickCount() - started_ > timeout * TimeScale()) {
        timedOut_ = true;
        next_ = steps_.size();
        CancelThreadDialogs();
        return;
    }
    if (finished())
        return;
    running_ = true;
    if (steps_[next_]())
        ++next_;
    running_ = false;
}

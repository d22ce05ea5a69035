// Drives a modal loop from inside: steps run on a thread timer while, say,
// DoProcess shows its dialog on this same thread.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class ModalScript {
public:
    // A step returns true when it is done, false to be polled again.
    using Step = std::function<bool()>;

    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript &) = delete;
    ModalScript &operator=(const ModalScript &) = delete;

    ModalScript &Then(Step step);
    // Waits until a top-level window of this thread with this title appears;
    // it is then available as window().
    ModalScript &WaitForWindow(const std::string &title);
    // Leaves the input a moment to arrive before the next step.
    ModalScript &Pause(DWORD milliseconds);

    HWND window() const { return window_; }
    bool finished() const { return next_ >= steps_.size(); }
    bool timedOut() const { return timedOut_; }
    size_t stepsDone() const { return next_; }

    // After this many milliseconds the script gives up and cancels every
    // dialog of the thread, so a broken test fails instead of hanging.
    DWORD timeout = 15000;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
    void Run();

    std::vector<Step> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD started_ = 0;
    bool running_ = false;
    bool timedOut_ = false;
    HWND window_ = nullptr;
};

// The visible top-level window of this thread with this title and the dialog
// class, or null.
HWND FindThreadDialog(const std::string &title);
// Ends every dialog of this thread (message boxes, sheets, the dialog).
void CancelThreadDialogs();

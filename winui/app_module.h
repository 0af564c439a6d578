// The module: the instance whose resources the dialogs load, and the message loop of each
// thread, so that a dialog can find the loop that serves it.
#pragma once

#include <windows.h>

#include <map>

class CMessageLoop;

class CAppModule {
public:
    void Init(HINSTANCE instance);
    // Forgets the instance and every registered loop.
    void Term();

    // The instance given to Init, or the executable's own before Init.
    HINSTANCE Instance() const;

    // One loop per thread: false when the current thread has one already.
    bool AddMessageLoop(CMessageLoop* loop);
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = GetCurrentThreadId()) const;

private:
    HINSTANCE instance_ = nullptr;
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    std::map<DWORD, CMessageLoop*> loops_;
};

extern CAppModule AppModule;

// The module: the instance whose resources the dialogs load, and the program's one message
// loop, so that a dialog can find the loop that serves it.
#pragma once

#include <windows.h>

class CMessageLoop;

class CAppModule {
public:
    void Init(HINSTANCE instance);
    // Forgets the instance and the loop.
    void Term();

    // The instance given to Init, or the executable's own before Init.
    HINSTANCE Instance() const;

    // The program has one thread and one loop: false when a loop is registered already.
    bool AddMessageLoop(CMessageLoop* loop);
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop() const { return loop_; }

private:
    HINSTANCE instance_ = nullptr;
    CMessageLoop* loop_ = nullptr;
};

extern CAppModule AppModule;

// One running tracker per time log in all sessions of the computer: a second start hands
// over to the first instead of saving its own copy of the same log over the other's.
#pragma once

#include <windows.h>

#include <string>

#include "base/scoped_handles_win.h"

// The property by which the running instance's main window is found.
constexpr char kInstanceWindowProperty[] = "Ostrak.MainWindow";

class InstanceGuard {
public:
    InstanceGuard() = default;
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;
    ~InstanceGuard() { Release(); }

    // Takes the guard named after the time log's path, for every session where the system
    // allows it and for this one where not. A guard whose holder shows no window here (it is
    // shutting down, or runs in another session) is waited for a few seconds.
    bool Acquire(const std::string& timeLogPath);
    void Release();

    // The main window of the instance that holds the guard, when it runs on this desktop; null.
    HWND RunningInstanceWindow() const;

    // The instance's name, which its main window carries; the guard is this name in the
    // "Global\" or "Local\" namespace.
    static std::string NameFor(const std::string& timeLogPath);

private:
    ScopedKernelObject mutex_;
    std::string name_;
};

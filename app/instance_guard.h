// One running tracker per time log: a second start hands over to the first instead of
// saving its own copy of the same log over the other's.
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

    // Takes the guard named after the time log's path. A guard whose holder is shutting down
    // (its main window already gone) is waited for a few seconds.
    bool Acquire(const std::string& timeLogPath);
    void Release();

    // The main window of the instance that holds the guard, or null.
    HWND RunningInstanceWindow() const;

    static std::string NameFor(const std::string& timeLogPath);

private:
    ScopedKernelObject mutex_;
    std::string name_;
};

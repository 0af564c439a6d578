#include "app/instance_guard.h"

#include <cstdint>
#include <cstdio>
#include <utility>

namespace {

constexpr DWORD kWaitForReleaseMs = 5000;

struct WindowSearch {
    const std::string* guardName;
    HWND found;
};

BOOL CALLBACK MatchInstanceWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    ATOM atom = static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(GetPropA(window, kInstanceWindowProperty)));
    if (!atom) return TRUE;
    char name[256] = {};
    if (GlobalGetAtomNameA(atom, name, sizeof name) && *search->guardName == name) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::string InstanceGuard::NameFor(const std::string& timeLogPath) {
    // Kernel object names cannot hold backslashes, and letter case does not tell two paths
    // apart on Windows: hash the upper-cased path.
    std::string upper = timeLogPath;
    CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : upper) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Ostrak-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

bool InstanceGuard::Acquire(const std::string& timeLogPath) {
    Release();
    name_ = NameFor(timeLogPath);
    // A start in another session of the computer must find the same guard; where the global
    // namespace is denied (policy, or another user's object), this session's is the guard.
    ScopedKernelObject mutex(CreateMutexA(nullptr, FALSE, ("Global\\" + name_).c_str()));
    if (!mutex && GetLastError() == ERROR_ACCESS_DENIED)
        mutex.reset(CreateMutexA(nullptr, FALSE, ("Local\\" + name_).c_str()));
    if (!mutex) return false;
    // A running instance answers at once; one without a window is on its way out.
    DWORD wait = WaitForSingleObject(mutex.get(), 0);
    if (wait == WAIT_TIMEOUT && !RunningInstanceWindow()) wait = WaitForSingleObject(mutex.get(), kWaitForReleaseMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
    mutex_ = std::move(mutex);
    return true;
}

void InstanceGuard::Release() {
    if (!mutex_) return;
    ReleaseMutex(mutex_.get());
    mutex_.reset();
}

HWND InstanceGuard::RunningInstanceWindow() const {
    WindowSearch search{&name_, nullptr};
    EnumWindows(MatchInstanceWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

#include "winui/app_module.h"

CAppModule AppModule;

namespace {

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& lock_;
};

class SharedLock {
public:
    explicit SharedLock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockShared(&lock_); }
    ~SharedLock() { ReleaseSRWLockShared(&lock_); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    SRWLOCK& lock_;
};

}  // namespace

void CAppModule::Init(HINSTANCE instance) {
    ExclusiveLock hold(lock_);
    instance_ = instance;
}

void CAppModule::Term() {
    ExclusiveLock hold(lock_);
    loops_.clear();
    instance_ = nullptr;
}

HINSTANCE CAppModule::Instance() const {
    SharedLock hold(lock_);
    return instance_ ? instance_ : GetModuleHandleA(nullptr);
}

bool CAppModule::AddMessageLoop(CMessageLoop* loop) {
    if (!loop)
        return false;
    ExclusiveLock hold(lock_);
    return loops_.emplace(GetCurrentThreadId(), loop).second;
}

bool CAppModule::RemoveMessageLoop() {
    ExclusiveLock hold(lock_);
    return loops_.erase(GetCurrentThreadId()) != 0;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const {
    SharedLock hold(lock_);
    auto found = loops_.find(threadId);
    return found == loops_.end() ? nullptr : found->second;
}

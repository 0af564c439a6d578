// The thread's message loop, with message filters offered every message before translation
// and idle handlers called when the queue becomes empty.
#pragma once

#include <windows.h>

#include <vector>

class CMessageFilter {
public:
    // True when the filter consumed the message: it is then neither translated nor dispatched.
    virtual bool PreTranslateMessage(MSG* message) = 0;

protected:
    ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    virtual void OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    virtual ~CMessageLoop() = default;

    // False when the filter or handler is null or registered already.
    bool AddMessageFilter(CMessageFilter* filter);
    bool RemoveMessageFilter(CMessageFilter* filter);
    bool AddIdleHandler(CIdleHandler* handler);
    bool RemoveIdleHandler(CIdleHandler* handler);

    // Runs until the quit message and returns its code.
    int Run();

protected:
    // One retrieval, with GetMessage's result: positive for a message, 0 for the quit
    // message, -1 for a failure.
    virtual BOOL RetrieveMessage(MSG* message);

private:
    bool OfferToFilters(MSG* message);
    void RunIdleHandlers();

    // Removal during a pass leaves an empty slot, so a filter or handler may remove itself or
    // another one while it runs; Run drops the empty slots between messages.
    std::vector<CMessageFilter*> filters_;
    std::vector<CIdleHandler*> idleHandlers_;
};

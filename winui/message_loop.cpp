#include "winui/message_loop.h"

#include <algorithm>

namespace {

template <class T>
bool AddOnce(std::vector<T*>& list, T* item) {
    if (!item || std::find(list.begin(), list.end(), item) != list.end())
        return false;
    list.push_back(item);
    return true;
}

template <class T>
bool RemoveLeavingSlot(std::vector<T*>& list, T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (!item || found == list.end())
        return false;
    *found = nullptr;
    return true;
}

template <class T>
void DropEmptySlots(std::vector<T*>& list) {
    list.erase(std::remove(list.begin(), list.end(), nullptr), list.end());
}

// Mouse moves, paints and the caret's blink timer arrive all the time; they do not start a
// new idle period, or the idle handlers would run for every movement of the mouse.
bool StartsIdlePeriod(const MSG& message) {
    switch (message.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case 0x0118:  // WM_SYSTIMER, the caret blink
        return false;
    default:
        return true;
    }
}

}  // namespace

bool CMessageLoop::AddMessageFilter(CMessageFilter* filter) { return AddOnce(filters_, filter); }

bool CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    return RemoveLeavingSlot(filters_, filter);
}

bool CMessageLoop::AddIdleHandler(CIdleHandler* handler) { return AddOnce(idleHandlers_, handler); }

bool CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
    return RemoveLeavingSlot(idleHandlers_, handler);
}

BOOL CMessageLoop::RetrieveMessage(MSG* message) { return GetMessageA(message, nullptr, 0, 0); }

int CMessageLoop::Run() {
    bool idlePending = true;
    MSG message = {};
    for (;;) {
        if (idlePending && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            idlePending = false;
            RunIdleHandlers();
        }
        BOOL retrieved = RetrieveMessage(&message);
        // GetMessage fails only on an invalid window or message pointer; there is nothing to
        // dispatch, and the loop must not end for it.
        if (retrieved == -1)
            continue;
        if (!retrieved)
            return static_cast<int>(message.wParam);
        DropEmptySlots(filters_);
        if (!OfferToFilters(&message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (StartsIdlePeriod(message))
            idlePending = true;
    }
}

bool CMessageLoop::OfferToFilters(MSG* message) {
    // The filter registered last is asked first: it belongs to the more specific window.
    // Indices, not iterators: a filter may add or remove filters while it runs.
    for (std::size_t i = filters_.size(); i-- > 0;) {
        if (i >= filters_.size())
            continue;
        CMessageFilter* filter = filters_[i];
        if (filter && filter->PreTranslateMessage(message))
            return true;
    }
    return false;
}

void CMessageLoop::RunIdleHandlers() {
    DropEmptySlots(idleHandlers_);
    for (std::size_t i = 0; i < idleHandlers_.size(); ++i) {
        if (CIdleHandler* handler = idleHandlers_[i])
            handler->OnIdle();
    }
}

// Message tables: each window class routes its messages through one table of rows
// (message, control id, notification code, handler); the first matching row handles the message.
#pragma once

#include <windows.h>

#include <climits>
#include <cstddef>

// One window message on its way through a message table, with the answer to give.
struct WindowMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    // A handler clears this to leave the message to reflection and default processing.
    bool handled = true;

    WORD CommandId() const { return LOWORD(wParam); }
    WORD CommandCode() const { return HIWORD(wParam); }
    HWND CommandControl() const { return reinterpret_cast<HWND>(lParam); }
    NMHDR* Notification() const { return reinterpret_cast<NMHDR*>(lParam); }
};

// A parent sends an owner-draw or notification message it did not handle back to the control
// that sent it, under this offset.
constexpr UINT ReflectionOffset = 0x2000;
constexpr UINT Reflected(UINT message) { return message + ReflectionOffset; }

// True for the messages a parent reflects (before the offset is added).
bool IsReflectableMessage(UINT message);

constexpr UINT AnyId = UINT_MAX;
constexpr int AnyCode = INT_MIN;
// Notification code 0 (menu item, button click) or 1 (accelerator).
constexpr int PlainCommand = INT_MIN + 1;

template <class T>
using MessageHandler = LRESULT (T::*)(WindowMessage& message);

// Id and code apply to WM_COMMAND and WM_NOTIFY (also reflected); other messages match on the
// message alone.
template <class T>
struct MessageRow {
    UINT message;
    UINT id;
    int code;
    MessageHandler<T> handler;
};

template <class T>
constexpr MessageRow<T> HandleMessage(UINT message, MessageHandler<T> handler) {
    return {message, AnyId, AnyCode, handler};
}

// A command from a menu item, button click or accelerator (codes 0 and 1 only).
template <class T>
constexpr MessageRow<T> HandleCommand(UINT id, MessageHandler<T> handler) {
    return {WM_COMMAND, id, PlainCommand, handler};
}

template <class T>
constexpr MessageRow<T> HandleCommand(UINT id, int code, MessageHandler<T> handler) {
    return {WM_COMMAND, id, code, handler};
}

// Codes as the system defines them; common-control codes are negative (NM_CLICK is -2).
template <class T>
constexpr MessageRow<T> HandleNotify(UINT id, int code, MessageHandler<T> handler) {
    return {WM_NOTIFY, id, code, handler};
}

bool MessageRowMatches(UINT rowMessage, UINT rowId, int rowCode, const WindowMessage& message);

// Runs the first matching row; true when its handler kept the message handled.
template <class T, std::size_t N>
bool RouteMessage(T& target, const MessageRow<T> (&rows)[N], WindowMessage& message) {
    for (const MessageRow<T>& row : rows) {
        if (!MessageRowMatches(row.message, row.id, row.code, message))
            continue;
        message.handled = true;
        message.result = (target.*row.handler)(message);
        return message.handled;
    }
    return false;
}

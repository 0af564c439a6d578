// Window classes: the binding of a window to its C++ object, and controls of a dialog that a
// C++ class attaches to.
#pragma once

#include "winui/message_table.h"

// What every bound window shares: the handle, the message table, the final message.
class CWindowBase {
public:
    CWindowBase() = default;
    CWindowBase(const CWindowBase&) = delete;
    CWindowBase& operator=(const CWindowBase&) = delete;
    virtual ~CWindowBase();

    HWND hwnd() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    // The object bound to a window by this layer, or null.
    static CWindowBase* FromHandle(HWND window);

protected:
    // The class's message table; true when a row handled the message (answer in
    // message.result). Route it with RouteMessage over a static table of rows.
    virtual bool ProcessMessage(WindowMessage& message);

    // After the window's last message, once the object is unbound from it: an object that
    // owns itself may delete itself here, and nowhere else.
    virtual void OnFinalMessage() {}

    void Bind(HWND window);
    void Unbind();

    // Sends an unhandled owner-draw or notification message back to the bound child control
    // that sent it (message + ReflectionOffset); true with the control's answer when sent.
    static bool ReflectToControl(WindowMessage& message);

    // What a reflected message the control did not handle gets: the default processing of
    // the message as it was before reflection.
    static bool DefaultReflectedAnswer(WindowMessage& message);

    // Delivers one message to a bound object: its table, then, when asked, reflection to the
    // child control that sent it.
    static bool Deliver(CWindowBase& target, WindowMessage& message, bool reflect);

    // Ends the binding of a window that is being destroyed; the object may be gone after this.
    static void FinishWindow(CWindowBase& target);

private:
    HWND window_ = nullptr;
};

// An existing control that the object has attached to (subclassed), typically a control of a
// dialog; the control's own behaviour goes on for every message the object does not handle.
class CWindowImpl : public CWindowBase {
public:
    // Releases, but keeps, the control.
    ~CWindowImpl() override;

    bool Attach(HWND control);
    bool AttachDlgItem(HWND dialog, int id);
    // Releases the control without destroying it; returns its handle.
    HWND Detach();
    bool DestroyWindow();

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR subclassId, DWORD_PTR object);
};

#include "winui/window.h"

#include <commctrl.h>


namespace {

// The window property that holds the bound object. A property, not the user data slot, because
// attached controls are not ours and their user data may be in use.
const char BindingProperty[] = "Ostrak.WindowObject";

// One subclass of ours per control: FromHandle refuses a second attach.
constexpr UINT_PTR AttachSubclassId = 1;

}  // namespace

bool IsReflectableMessage(UINT message) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_PARENTNOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return true;
    default:
        return false;
    }
}

bool MessageRowMatches(UINT rowMessage, UINT rowId, int rowCode, const WindowMessage& message) {
    if (rowMessage != message.message)
        return false;
    UINT id;
    int code;
    if (message.message == WM_COMMAND || message.message == Reflected(WM_COMMAND)) {
        id = LOWORD(message.wParam);
        code = HIWORD(message.wParam);
    } else if (message.message == WM_NOTIFY || message.message == Reflected(WM_NOTIFY)) {
        const NMHDR* header = message.Notification();
        if (!header)
            return false;
        id = static_cast<UINT>(header->idFrom);
        code = static_cast<int>(header->code);
    } else {
        return true;
    }
    if (rowId != AnyId && rowId != id)
        return false;
    if (rowCode == AnyCode)
        return true;
    if (rowCode == PlainCommand)
        return code == 0 || code == 1;
    return rowCode == code;
}

CWindowBase::~CWindowBase() {
    // The derived classes end the binding in their own destructors; this is a last guard so
    // that no message can reach a destroyed object.
    Unbind();
}

CWindowBase* CWindowBase::FromHandle(HWND window) {
    if (!window)
        return nullptr;
    return static_cast<CWindowBase*>(GetPropA(window, BindingProperty));
}

bool CWindowBase::ProcessMessage(WindowMessage&) { return false; }

void CWindowBase::Bind(HWND window) {
    window_ = window;
    SetPropA(window, BindingProperty, this);
}

void CWindowBase::Unbind() {
    if (!window_)
        return;
    RemovePropA(window_, BindingProperty);
    window_ = nullptr;
}

bool CWindowBase::ReflectToControl(WindowMessage& message) {
    HWND control = nullptr;
    switch (message.message) {
    case WM_COMMAND:
        // Zero for menu items and accelerators, which have no control to go back to.
        control = reinterpret_cast<HWND>(message.lParam);
        break;
    case WM_NOTIFY:
        if (message.lParam)
            control = message.Notification()->hwndFrom;
        break;
    case WM_PARENTNOTIFY:
        // Only creation and destruction name the child; mouse events carry a point.
        if (LOWORD(message.wParam) == WM_CREATE || LOWORD(message.wParam) == WM_DESTROY)
            control = reinterpret_cast<HWND>(message.lParam);
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(message.lParam);
        if (item && item->CtlType != ODT_MENU)
            control = item->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(message.lParam);
        if (item && item->CtlType != ODT_MENU)
            control = GetDlgItem(message.hwnd, static_cast<int>(item->CtlID));
        break;
    }
    case WM_COMPAREITEM: {
        auto* item = reinterpret_cast<const COMPAREITEMSTRUCT*>(message.lParam);
        if (item)
            control = item->hwndItem;
        break;
    }
    case WM_DELETEITEM: {
        auto* item = reinterpret_cast<const DELETEITEMSTRUCT*>(message.lParam);
        if (item)
            control = item->hwndItem;
        break;
    }
    default:
        // The rest (scroll bars, list box keys, colours) name the control in lParam.
        if (IsReflectableMessage(message.message))
            control = reinterpret_cast<HWND>(message.lParam);
        break;
    }
    // Only our own children: an unknown control might read the offset message as one of its
    // private messages, and a foreign sender is not "the control that sent it".
    if (!control || control == message.hwnd || !FromHandle(control) ||
        GetAncestor(control, GA_PARENT) != message.hwnd)
        return false;
    message.result = SendMessageA(control, Reflected(message.message), message.wParam, message.lParam);
    return true;
}

bool CWindowBase::DefaultReflectedAnswer(WindowMessage& message) {
    if (message.message < ReflectionOffset || !IsReflectableMessage(message.message - ReflectionOffset))
        return false;
    message.result = DefWindowProcA(message.hwnd, message.message - ReflectionOffset, message.wParam,
                                    message.lParam);
    return true;
}

bool CWindowBase::Deliver(CWindowBase& target, WindowMessage& message, bool reflect) {
    // After the handler returns, the target may already be gone (a handler may destroy its
    // own window, whose final message may delete the object), so only the message is used.
    if (target.ProcessMessage(message))
        return true;
    return reflect && ReflectToControl(message);
}

void CWindowBase::FinishWindow(CWindowBase& target) {
    target.Unbind();
    target.OnFinalMessage();
}

CWindowImpl::~CWindowImpl() {
    // The control is not ours: it goes on without us.
    Detach();
}

bool CWindowImpl::Attach(HWND control) {
    if (hwnd() || !IsWindow(control) || FromHandle(control))
        return false;
    if (!SetWindowSubclass(control, SubclassProc, AttachSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    Bind(control);
    return true;
}

bool CWindowImpl::AttachDlgItem(HWND dialog, int id) { return Attach(GetDlgItem(dialog, id)); }

HWND CWindowImpl::Detach() {
    HWND window = hwnd();
    if (!window)
        return nullptr;
    RemoveWindowSubclass(window, SubclassProc, AttachSubclassId);
    Unbind();
    return window;
}

bool CWindowImpl::DestroyWindow() { return hwnd() && ::DestroyWindow(hwnd()); }

LRESULT CALLBACK CWindowImpl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR subclassId, DWORD_PTR object) {
    auto* self = reinterpret_cast<CWindowImpl*>(object);
    WindowMessage delivered{window, message, wParam, lParam};
    // An attached control has its own behaviour for its children's messages; it reflects none.
    bool handled = Deliver(*self, delivered, false) || DefaultReflectedAnswer(delivered);
    if (message != WM_NCDESTROY)
        return handled ? delivered.result : DefSubclassProc(window, message, wParam, lParam);
    // The subclass goes before the control's own final processing, as comctl32 asks.
    RemoveWindowSubclass(window, SubclassProc, subclassId);
    LRESULT result = handled ? delivered.result : DefSubclassProc(window, message, wParam, lParam);
    FinishWindow(*self);
    return result;
}

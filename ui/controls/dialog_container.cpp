#include "ui/controls/dialog_container.h"

#include <new>

namespace {

void AddControlParentStyle(HWND window) {
    LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    SetWindowLongPtrA(window, GWL_EXSTYLE, exStyle | WS_EX_CONTROLPARENT);
}

// Shows or hides a page where it is, without activating it or changing its z-order.
void SetPageVisible(HWND page, bool visible) {
    SetWindowPos(page, nullptr, 0, 0, 0, 0,
                 (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW) | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER |
                     SWP_NOACTIVATE);
}

}  // namespace

bool CDlgContainerCtrl::Attach(HWND window) {
    if (!CWindowImpl::Attach(window))
        return false;
    SetUp();
    return true;
}

bool CDlgContainerCtrl::AttachDlgItem(HWND dialog, int id) { return Attach(GetDlgItem(dialog, id)); }

void CDlgContainerCtrl::SetUp() {
    if (!hwnd())
        return;
    // The dialog manager then walks into the pages for Tab, mnemonics and the default button.
    AddControlParentStyle(hwnd());
    Notify(GetParent(hwnd()), static_cast<UINT>(NM_CONTAINER_READY));
}

int CDlgContainerCtrl::AddPage(HWND page) {
    // Without memory for another slot the page is not added; the last index says so.
    try {
        pages_.push_back(page);
    } catch (const std::bad_alloc&) {
        return PageCount() - 1;
    }
    SetPageVisible(page, false);
    AddControlParentStyle(page);
    Notify(GetParent(hwnd()), static_cast<UINT>(NM_PAGE_ADDED));
    return PageCount() - 1;
}

bool CDlgContainerCtrl::ShowPage(int index) {
    if (index < 0 || index >= PageCount())
        return false;
    if (index == currentIndex_)
        return true;
    if (Notify(GetParent(hwnd()), TCN_SELCHANGING))
        return false;
    HWND oldPage = currentIndex_ >= 0 ? pages_[currentIndex_] : nullptr;
    HWND newPage = pages_[index];
    currentIndex_ = index;
    currentPage_ = newPage;
    if (oldPage)
        SetPageVisible(oldPage, false);
    FitCurrentPage();
    if (newPage)
        SetPageVisible(newPage, true);
    // The first time, the container's own focus handling finds the page's first control. A
    // slot whose page was never created takes no focus away.
    HWND focus = oldPage ? newPage : hwnd();
    if (IsWindow(focus))
        SetFocus(focus);
    Notify(GetParent(hwnd()), TCN_SELCHANGE);
    if (newPage)
        Notify(newPage, TCN_SELCHANGE);
    return true;
}

bool CDlgContainerCtrl::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CDlgContainerCtrl> rows[] = {
        HandleMessage(WM_DESTROY, &CDlgContainerCtrl::OnDestroy),
        HandleMessage(WM_SETFOCUS, &CDlgContainerCtrl::OnSetFocus),
        HandleMessage(WM_ERASEBKGND, &CDlgContainerCtrl::OnEraseBackground),
        HandleMessage(WM_SIZE, &CDlgContainerCtrl::OnSize),
        HandleMessage(WM_COMMAND, &CDlgContainerCtrl::OnCommand),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CDlgContainerCtrl::OnDestroy(WindowMessage& message) {
    // The pages are our children: the system destroys them with us.
    pages_.clear();
    currentIndex_ = -1;
    currentPage_ = nullptr;
    message.handled = false;
    return 0;
}

LRESULT CDlgContainerCtrl::OnSetFocus(WindowMessage&) {
    if (currentPage_) {
        if (HWND first = GetNextDlgTabItem(currentPage_, nullptr, FALSE))
            SetFocus(first);
    }
    return 0;
}

LRESULT CDlgContainerCtrl::OnEraseBackground(WindowMessage&) {
    return 1;  // the page covers the area
}

LRESULT CDlgContainerCtrl::OnSize(WindowMessage&) {
    FitCurrentPage();
    return 0;
}

LRESULT CDlgContainerCtrl::OnCommand(WindowMessage& message) {
    if (currentPage_)
        SendMessageA(currentPage_, WM_COMMAND, message.wParam, message.lParam);
    message.handled = false;
    return 0;
}

LRESULT CDlgContainerCtrl::Notify(HWND target, UINT code) {
    NMHDR header = {};
    header.hwndFrom = hwnd();
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd()));
    header.code = code;
    return SendMessageA(target, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void CDlgContainerCtrl::FitCurrentPage() {
    if (!currentPage_)
        return;
    RECT client;
    GetClientRect(hwnd(), &client);
    SetWindowPos(currentPage_, nullptr, client.left, client.top, client.right - client.left,
                 client.bottom - client.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

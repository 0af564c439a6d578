#include "ui/controls/hyperlink.h"

#include <commctrl.h>

#include <vector>

#include "base/scoped_handles_win.h"
#include "winui/wide_text.h"

namespace {

std::string WindowText(HWND window) {
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1);
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

// The link keeps the static's alignment, wrapping and prefix handling.
UINT TextFormat(LONG_PTR style) {
    UINT format = DT_WORDBREAK;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        format |= DT_CENTER;
        break;
    case SS_RIGHT:
        format |= DT_RIGHT;
        break;
    default:
        format |= DT_LEFT;
        break;
    }
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    return format;
}

// Ends a paint that BeginPaint started.
class ScopedPaint {
public:
    explicit ScopedPaint(HWND window) : window_(window) { BeginPaint(window, &paint_); }
    ~ScopedPaint() { EndPaint(window_, &paint_); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;

    HDC dc() const { return paint_.hdc; }

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
};

int Luminance(COLORREF colour) {
    return (299 * GetRValue(colour) + 587 * GetGValue(colour) + 114 * GetBValue(colour)) / 1000;
}

COLORREF BrushColour(HBRUSH brush, COLORREF fallback) {
    LOGBRUSH description = {};
    if (brush && GetObjectA(brush, sizeof description, &description) && description.lbStyle == BS_SOLID)
        return description.lbColor;
    return fallback;
}

}  // namespace

COLORREF LinkTextColour(COLORREF hotTrack, COLORREF background) {
    // Windows' own link blue stands 157 levels off its dialog grey; a third of the range is
    // still clearly readable as text.
    constexpr int ReadableDifference = 85;
    const int difference = Luminance(hotTrack) - Luminance(background);
    if (difference >= ReadableDifference || -difference >= ReadableDifference)
        return hotTrack;
    return RGB(0, 102, 204);
}

bool CHyperLink::Attach(HWND control) {
    if (!CWindowImpl::Attach(control))
        return false;
    // A static without SS_NOTIFY is transparent to the mouse; the link answers the hit test
    // itself rather than add the style, which would also send the parent STN_CLICKED.
    label_ = WindowText(control);
    InvalidateRect(control, nullptr, TRUE);
    return true;
}

bool CHyperLink::AttachDlgItem(HWND dialog, int id) { return Attach(GetDlgItem(dialog, id)); }

DWORD CHyperLink::SetHyperLinkExtendedStyle(DWORD extendedStyle) {
    DWORD previous = extendedStyle_;
    extendedStyle_ = extendedStyle;
    return previous;
}

void CHyperLink::SetLabel(const char* label) {
    label_ = label ? label : "";
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, TRUE);
}

bool CHyperLink::ProcessMessage(WindowMessage& message) {
    static const MessageRow<CHyperLink> rows[] = {
        HandleMessage(WM_PAINT, &CHyperLink::OnPaint),
        HandleMessage(WM_PRINTCLIENT, &CHyperLink::OnPrintClient),
        HandleMessage(WM_NCHITTEST, &CHyperLink::OnHitTest),
        HandleMessage(WM_SETCURSOR, &CHyperLink::OnSetCursor),
        HandleMessage(WM_LBUTTONDOWN, &CHyperLink::OnButtonDown),
        HandleMessage(WM_LBUTTONDBLCLK, &CHyperLink::OnButtonDown),
        HandleMessage(WM_LBUTTONUP, &CHyperLink::OnButtonUp),
        HandleMessage(WM_CAPTURECHANGED, &CHyperLink::OnCaptureChanged),
        HandleMessage(WM_SETFOCUS, &CHyperLink::OnFocusChange),
        HandleMessage(WM_KILLFOCUS, &CHyperLink::OnFocusChange),
        HandleMessage(WM_GETDLGCODE, &CHyperLink::OnGetDlgCode),
        HandleMessage(WM_KEYDOWN, &CHyperLink::OnKeyDown),
        HandleMessage(WM_KEYUP, &CHyperLink::OnKeyUp),
        HandleMessage(WM_UPDATEUISTATE, &CHyperLink::OnUiStateChange),
        HandleMessage(WM_ENABLE, &CHyperLink::OnEnable),
    };
    return RouteMessage(*this, rows, message);
}

LRESULT CHyperLink::OnPaint(WindowMessage& message) {
    if (message.wParam) {
        Draw(reinterpret_cast<HDC>(message.wParam));
        return 0;
    }
    ScopedPaint paint(hwnd());
    Draw(paint.dc());
    return 0;
}

LRESULT CHyperLink::OnPrintClient(WindowMessage& message) {
    Draw(reinterpret_cast<HDC>(message.wParam));
    return 0;
}

LRESULT CHyperLink::OnHitTest(WindowMessage&) { return HTCLIENT; }

LRESULT CHyperLink::OnSetCursor(WindowMessage& message) {
    if (LOWORD(message.lParam) != HTCLIENT) {
        message.handled = false;
        return 0;
    }
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    return TRUE;
}

LRESULT CHyperLink::OnButtonDown(WindowMessage&) {
    if (GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_TABSTOP)
        SetFocus(hwnd());
    SetCapture(hwnd());
    pressed_ = true;
    return 0;
}

LRESULT CHyperLink::OnButtonUp(WindowMessage& message) {
    if (!pressed_)
        return 0;
    pressed_ = false;
    if (GetCapture() == hwnd())
        ReleaseCapture();
    // Releasing the button away from the link is how the user takes a click back.
    POINT point = {static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
    RECT client;
    GetClientRect(hwnd(), &client);
    if (PtInRect(&client, point))
        Click();
    return 0;
}

LRESULT CHyperLink::OnCaptureChanged(WindowMessage&) {
    pressed_ = false;
    return 0;
}

LRESULT CHyperLink::OnFocusChange(WindowMessage& message) {
    InvalidateRect(hwnd(), nullptr, TRUE);
    message.handled = false;
    return 0;
}

LRESULT CHyperLink::OnGetDlgCode(WindowMessage& message) {
    // Enter follows the link instead of pressing the dialog's default button; every other key
    // keeps the dialog manager's meaning.
    const LRESULT code = DefSubclassProc(hwnd(), message.message, message.wParam, message.lParam);
    const auto* key = reinterpret_cast<const MSG*>(message.lParam);
    if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
        return code | DLGC_WANTMESSAGE;
    return code;
}

LRESULT CHyperLink::OnKeyDown(WindowMessage& message) {
    // Held down, the key repeats: the link opens once.
    if (message.wParam != VK_RETURN || (message.lParam & (1 << 30))) {
        message.handled = false;
        return 0;
    }
    Click();
    return 0;
}

LRESULT CHyperLink::OnKeyUp(WindowMessage& message) {
    // Space follows the link as it releases, like a push button.
    if (message.wParam != VK_SPACE) {
        message.handled = false;
        return 0;
    }
    Click();
    return 0;
}

LRESULT CHyperLink::OnUiStateChange(WindowMessage& message) {
    // The first key pressed in the dialog shows the focus rectangles the mouse had hidden.
    InvalidateRect(hwnd(), nullptr, TRUE);
    message.handled = false;
    return 0;
}

LRESULT CHyperLink::OnEnable(WindowMessage& message) {
    InvalidateRect(hwnd(), nullptr, TRUE);
    message.handled = false;
    return 0;
}

void CHyperLink::Click() {
    if ((extendedStyle_ & HyperLinkNotifyButton) != HyperLinkNotifyButton || !IsWindowEnabled(hwnd()))
        return;
    NMHDR header = {};
    header.hwndFrom = hwnd();
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd()));
    header.code = static_cast<UINT>(NM_CLICK);
    SendMessageA(GetParent(hwnd()), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

void CHyperLink::Draw(HDC dc) const {
    RECT client;
    GetClientRect(hwnd(), &client);
    // The parent chooses the background, as it does for any static.
    auto background = reinterpret_cast<HBRUSH>(
        SendMessageA(GetParent(hwnd()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd())));
    if (!background)
        background = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &client, background);

    auto font = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    if (!GetObjectA(font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT), sizeof description, &description))
        return;
    description.lfUnderline = TRUE;
    ScopedFont underlined(CreateFontIndirectA(&description));
    ScopedSelectObject selection(dc, underlined.get());

    const bool enabled = IsWindowEnabled(hwnd());
    const COLORREF linkColour =
        LinkTextColour(GetSysColor(COLOR_HOTLIGHT), BrushColour(background, GetSysColor(COLOR_BTNFACE)));
    const COLORREF previousColour = SetTextColor(dc, enabled ? linkColour : GetSysColor(COLOR_GRAYTEXT));
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const UINT format = TextFormat(GetWindowLongPtrA(hwnd(), GWL_STYLE));
    RECT text = client;
    const std::wstring label = WideText(label_);
    DrawTextW(dc, label.c_str(), -1, &text, format);

    // Only a link the user can tab to shows the focus, and only once the keyboard is in use.
    const bool showFocus = GetFocus() == hwnd() && (GetWindowLongPtrA(hwnd(), GWL_STYLE) & WS_TABSTOP) &&
                           !(SendMessageA(hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    if (showFocus) {
        RECT focus = client;
        DrawTextW(dc, label.c_str(), -1, &focus, format | DT_CALCRECT);
        // The measured rectangle starts at the left whatever the alignment.
        const int spare = (client.right - client.left) - (focus.right - focus.left);
        if (format & DT_CENTER)
            OffsetRect(&focus, spare / 2, 0);
        else if (format & DT_RIGHT)
            OffsetRect(&focus, spare, 0);
        IntersectRect(&focus, &focus, &client);
        DrawFocusRect(dc, &focus);
    }
    SetBkMode(dc, previousMode);
    SetTextColor(dc, previousColour);
}

// A static control shown as a hyperlink: its label in the link colour, underlined, with the
// hand cursor over it. In the notify mode a click sends the parent WM_NOTIFY with NM_CLICK
// and the control's id; the link itself never opens anything. A link with WS_TABSTOP takes the
// keyboard focus, shows it with a focus rectangle, and Enter or Space follow it like a click.
#pragma once

#include <string>

#include "winui/window.h"

// Extended style of a link: a click notifies the parent (the only mode this layer offers; a
// link without it ignores clicks).
constexpr DWORD HyperLinkNotifyButton = 0x0C;

// The colour of a link's text: the system's hot-track colour, or the classic link blue where
// the theme makes the hot-track colour too faint against the background (some themes use it
// for hover backgrounds, not for text).
COLORREF LinkTextColour(COLORREF hotTrack, COLORREF background);

class CHyperLink : public CWindowImpl {
public:
    // Attaches to a static control; its current text becomes the label.
    bool Attach(HWND control);
    bool AttachDlgItem(HWND dialog, int id);

    DWORD GetHyperLinkExtendedStyle() const { return extendedStyle_; }
    DWORD SetHyperLinkExtendedStyle(DWORD extendedStyle);

    const std::string& Label() const { return label_; }
    void SetLabel(const char* label);

protected:
    bool ProcessMessage(WindowMessage& message) override;

private:
    LRESULT OnPaint(WindowMessage& message);
    LRESULT OnPrintClient(WindowMessage& message);
    LRESULT OnHitTest(WindowMessage& message);
    LRESULT OnSetCursor(WindowMessage& message);
    LRESULT OnButtonDown(WindowMessage& message);
    LRESULT OnButtonUp(WindowMessage& message);
    LRESULT OnCaptureChanged(WindowMessage& message);
    LRESULT OnFocusChange(WindowMessage& message);
    LRESULT OnGetDlgCode(WindowMessage& message);
    LRESULT OnKeyDown(WindowMessage& message);
    LRESULT OnKeyUp(WindowMessage& message);
    LRESULT OnUiStateChange(WindowMessage& message);
    LRESULT OnEnable(WindowMessage& message);

    void Draw(HDC dc) const;
    void Click();

    std::string label_;
    DWORD extendedStyle_ = 0;
    bool pressed_ = false;
};

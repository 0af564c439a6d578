// Shared by the control tests: a memory bitmap to draw into and read back, the host dialog
// and pages that record what reaches them, and small image lists of solid squares.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/scoped_handles_win.h"
#include "tests/win/controls_test_resource.h"
#include "winui/dialog.h"

using ScopedBitmap = ScopedHandle<HBITMAP, GdiObjectTraits<HBITMAP>>;

namespace controls_test {

// A 32-bit memory bitmap selected into its own device context, first filled with `fill`.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        previous_ = SelectObject(dc_, bitmap_.get());
        Fill(RECT{0, 0, width, height}, fill);
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    COLORREF Pixel(int x, int y) const { return GetPixel(dc_, x, y); }

    void Fill(const RECT& rect, COLORREF colour) {
        ScopedBrush brush(CreateSolidBrush(colour));
        FillRect(dc_, &rect, brush.get());
    }

    // Whether any pixel of `rect` differs from `colour`.
    bool AnyPixelOtherThan(const RECT& rect, COLORREF colour) const {
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                if (Pixel(x, y) != colour)
                    return true;
            }
        }
        return false;
    }

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    ScopedBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// The system's notification codes are unsigned; the tests compare them as the signed values
// the message tables use.
constexpr int SelectionChanging = static_cast<int>(TCN_SELCHANGING);
constexpr int SelectionChanged = static_cast<int>(TCN_SELCHANGE);
constexpr int LinkClicked = static_cast<int>(NM_CLICK);

// What reached a window: a message, its notification code or command id, and the sender.
struct Heard {
    UINT message;
    int code;  // WM_NOTIFY: the header's code; WM_COMMAND: the notification code
    UINT_PTR id;
    HWND sender;
    WPARAM wParam;
};

// The dialog laid out like the options dialog. It records every command and notification and
// answers TCN_SELCHANGING with `refuseChange`; unhandled owner-draw messages are reflected to
// the attached controls by the window layer.
class HostDialog : public CDialogImpl {
public:
    HostDialog() : CDialogImpl(IDD_CONTROLS_HOST) {}

    std::vector<Heard> heard;
    LRESULT refuseChange = 0;

    // Other controls speak too (the list box on focus, buttons as they paint).
    std::vector<Heard> HeardFrom(HWND sender) const {
        std::vector<Heard> found;
        for (const Heard& entry : heard) {
            if (entry.sender == sender)
                found.push_back(entry);
        }
        return found;
    }
    std::vector<int> NotificationCodesFrom(HWND sender) const {
        std::vector<int> codes;
        for (const Heard& entry : HeardFrom(sender)) {
            if (entry.message == WM_NOTIFY)
                codes.push_back(entry.code);
        }
        return codes;
    }

protected:
    bool ProcessMessage(WindowMessage& message) override {
        static const MessageRow<HostDialog> rows[] = {
            HandleMessage(WM_NOTIFY, &HostDialog::OnNotify),
            HandleMessage(WM_COMMAND, &HostDialog::OnCommand),
        };
        return RouteMessage(*this, rows, message);
    }

private:
    LRESULT OnNotify(WindowMessage& message) {
        const NMHDR* header = message.Notification();
        heard.push_back({WM_NOTIFY, static_cast<int>(header->code), header->idFrom, header->hwndFrom, message.wParam});
        return static_cast<int>(header->code) == SelectionChanging ? refuseChange : 0;
    }
    LRESULT OnCommand(WindowMessage& message) {
        heard.push_back({WM_COMMAND, message.CommandCode(), message.CommandId(), message.CommandControl(),
                         message.wParam});
        message.handled = false;  // Cancel and OK keep their default meaning
        return 0;
    }
};

// A page that records the commands and notifications it receives.
class Page : public CDialogImpl {
public:
    explicit Page(UINT templateId) : CDialogImpl(templateId) {}

    std::vector<WORD> commands;
    std::vector<int> notifications;

protected:
    bool ProcessMessage(WindowMessage& message) override {
        static const MessageRow<Page> rows[] = {
            HandleMessage(WM_INITDIALOG, &Page::OnInitDialog),
            HandleMessage(WM_COMMAND, &Page::OnCommand),
            HandleMessage(WM_NOTIFY, &Page::OnNotify),
        };
        return RouteMessage(*this, rows, message);
    }

private:
    LRESULT OnInitDialog(WindowMessage&) { return FALSE; }
    LRESULT OnCommand(WindowMessage& message) {
        commands.push_back(message.CommandId());
        return 0;
    }
    LRESULT OnNotify(WindowMessage& message) {
        notifications.push_back(static_cast<int>(message.Notification()->code));
        return 0;
    }
};

// Runs the thread's messages for a while, as the program's loop would.
inline void PumpMessagesFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

// An image list of `size`-pixel squares, one per colour, without a mask.
inline HIMAGELIST SolidSquares(int size, std::initializer_list<COLORREF> colours) {
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24, static_cast<int>(colours.size()), 1);
    HDC screen = GetDC(nullptr);
    for (COLORREF colour : colours) {
        ScopedBitmap square(CreateCompatibleBitmap(screen, size, size));
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ previous = SelectObject(dc, square.get());
        ScopedBrush brush(CreateSolidBrush(colour));
        RECT all = {0, 0, size, size};
        FillRect(dc, &all, brush.get());
        SelectObject(dc, previous);
        DeleteDC(dc);
        ImageList_Add(list, square.get(), nullptr);
    }
    ReleaseDC(nullptr, screen);
    return list;
}

}  // namespace controls_test

// Message tables: the first matching row wins, command rows take codes 0 and 1 only,
// notification rows match the sender's id and code, and a handler may decline a message.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/win/window_queries.h"
#include "winui/window.h"

namespace {

class RoutedWindow : public CWindowImpl {
public:
    RoutedWindow() { Attach(window_queries::MessageOnlyWindow("routed")); }
    ~RoutedWindow() override { DestroyWindow(); }

    std::vector<std::string> calls;

protected:
    bool ProcessMessage(WindowMessage& message) override {
        static const MessageRow<RoutedWindow> rows[] = {
            HandleCommand(10, 5, &RoutedWindow::OnTenWithCodeFive),
            HandleCommand(20, &RoutedWindow::OnTwenty),
            HandleCommand(AnyId, 7, &RoutedWindow::OnAnyWithCodeSeven),
            HandleCommand(10, &RoutedWindow::OnTen),
            HandleCommand(AnyId, AnyCode, &RoutedWindow::OnAnyCommand),
            HandleCommand(30, &RoutedWindow::OnThirty),  // shadowed by the row above
            HandleNotify(120, NM_CLICK, &RoutedWindow::OnLinkClick),
            HandleMessage(WM_GETDLGCODE, &RoutedWindow::OnGetDialogCode),
        };
        return RouteMessage(*this, rows, message);
    }

private:
    LRESULT Record(const char* name) {
        calls.push_back(name);
        return 0;
    }
    LRESULT OnTenWithCodeFive(WindowMessage&) { return Record("ten/5"); }
    LRESULT OnTwenty(WindowMessage&) { return Record("twenty"); }
    LRESULT OnAnyWithCodeSeven(WindowMessage&) { return Record("any/7"); }
    LRESULT OnTen(WindowMessage&) { return Record("ten"); }
    LRESULT OnAnyCommand(WindowMessage&) { return Record("any"); }
    LRESULT OnThirty(WindowMessage&) { return Record("thirty"); }
    LRESULT OnLinkClick(WindowMessage&) {
        Record("link");
        return 33;
    }
    // Answers for even keys only; the rest go to the static control's default.
    LRESULT OnGetDialogCode(WindowMessage& message) {
        if (message.wParam % 2) {
            message.handled = false;
            return 0;
        }
        return 1000;
    }
};

LRESULT Command(HWND window, int id, int code) {
    return SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, code), 0);
}

std::vector<std::string> CallsFor(int id, int code) {
    RoutedWindow window;
    Command(window.hwnd(), id, code);
    return window.calls;
}

using Calls = std::vector<std::string>;

TEST(MessageTable, AnAttachedWindowIsBoundUntilItIsDestroyed) {
    HWND handle = nullptr;
    {
        RoutedWindow window;
        handle = window.hwnd();
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(CWindowBase::FromHandle(handle), &window);
    }
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(CWindowBase::FromHandle(handle), nullptr);
}

TEST(MessageTable, TheFirstMatchingRowWins) {
    EXPECT_EQ(CallsFor(10, 5), Calls{"ten/5"});
    EXPECT_EQ(CallsFor(10, 7), Calls{"any/7"});  // before the plain row of 10
    EXPECT_EQ(CallsFor(10, 0), Calls{"ten"});
    EXPECT_EQ(CallsFor(10, 6), Calls{"any"});
    EXPECT_EQ(CallsFor(30, 0), Calls{"any"});    // the catch-all comes before 30's row
}

TEST(MessageTable, APlainCommandRowTakesCodesZeroAndOneOnly) {
    EXPECT_EQ(CallsFor(20, 0), Calls{"twenty"});  // menu item or click
    EXPECT_EQ(CallsFor(20, 1), Calls{"twenty"});  // accelerator
    EXPECT_EQ(CallsFor(20, 2), Calls{"any"});
    EXPECT_EQ(CallsFor(20, 0xFFFF), Calls{"any"});
}

TEST(MessageTable, NotificationRowsMatchTheSendersIdAndCode) {
    RoutedWindow window;
    NMHDR click = {window.hwnd(), 120, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(SendMessageA(window.hwnd(), WM_NOTIFY, 120, reinterpret_cast<LPARAM>(&click)), 33);
    NMHDR otherCode = {window.hwnd(), 120, static_cast<UINT>(NM_RCLICK)};
    EXPECT_EQ(SendMessageA(window.hwnd(), WM_NOTIFY, 120, reinterpret_cast<LPARAM>(&otherCode)), 0);
    NMHDR otherId = {window.hwnd(), 126, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(SendMessageA(window.hwnd(), WM_NOTIFY, 126, reinterpret_cast<LPARAM>(&otherId)), 0);
    EXPECT_EQ(window.calls, Calls{"link"});
}

TEST(MessageTable, AHandlerThatDeclinesLeavesTheMessageToTheDefault) {
    RoutedWindow window;
    EXPECT_EQ(SendMessageA(window.hwnd(), WM_GETDLGCODE, 2, 0), 1000);
    EXPECT_EQ(SendMessageA(window.hwnd(), WM_GETDLGCODE, 1, 0), DLGC_STATIC);
}

TEST(MessageTable, ReflectedCommandsAndNotificationsMatchLikeThePlainOnes) {
    // Polymorphic like every window class (GCC misreads member calls on tiny plain classes).
    struct Probe {
        virtual ~Probe() = default;
        int calls = 0;
        LRESULT OnReflectedClick(WindowMessage&) { return ++calls, 1; }
        LRESULT OnReflectedSelection(WindowMessage&) { return ++calls, 2; }
    } probe;
    static const MessageRow<Probe> rows[] = {
        {Reflected(WM_NOTIFY), 102, -2, &Probe::OnReflectedClick},
        {Reflected(WM_COMMAND), 102, LBN_SELCHANGE, &Probe::OnReflectedSelection},
    };
    NMHDR click = {nullptr, 102, static_cast<UINT>(NM_CLICK)};
    WindowMessage notify{nullptr, Reflected(WM_NOTIFY), 102, reinterpret_cast<LPARAM>(&click)};
    ASSERT_TRUE(RouteMessage(probe, rows, notify));
    EXPECT_EQ(notify.result, 1);
    WindowMessage selection{nullptr, Reflected(WM_COMMAND), MAKEWPARAM(102, LBN_SELCHANGE), 0};
    ASSERT_TRUE(RouteMessage(probe, rows, selection));
    EXPECT_EQ(selection.result, 2);
    WindowMessage doubleClick{nullptr, Reflected(WM_COMMAND), MAKEWPARAM(102, LBN_DBLCLK), 0};
    EXPECT_FALSE(RouteMessage(probe, rows, doubleClick));
    WindowMessage plain{nullptr, WM_COMMAND, MAKEWPARAM(102, LBN_SELCHANGE), 0};
    EXPECT_FALSE(RouteMessage(probe, rows, plain));
    EXPECT_EQ(probe.calls, 2);
}

}  // namespace

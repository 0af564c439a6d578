// Dialogs: the main dialog's resource as created, binding at WM_INITDIALOG and unbinding at the
// end, modal dialogs, and reflection of owner-draw and notification messages to attached controls.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/win/window_queries.h"
#include "winui/dialog.h"
#include "winui/window.h"

namespace {

using window_queries::ClassOf;
using window_queries::DialogUnits;
using window_queries::RectInParent;
using window_queries::Text;

::testing::AssertionResult SameRect(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.left << "," << actual.top << ")-(" << actual.right << "," << actual.bottom
           << ") instead of (" << expected.left << "," << expected.top << ")-(" << expected.right << ","
           << expected.bottom << ")";
}

// Everything that happens to a dialog or control object, in order, across objects.
std::vector<std::string> journal;

class MainDialog : public CDialogImpl {
public:
    MainDialog() : CDialogImpl(IDD_MAIN) {}
    ~MainDialog() override { journal.push_back("dialog destructor"); }

    bool boundAtInit = false;
    int finalMessages = 0;
    bool tableSawNcDestroy = false;
    bool handleDrawItem = false;  // a row of its own for WM_DRAWITEM, ahead of reflection

protected:
    bool ProcessMessage(WindowMessage& message) override {
        static const MessageRow<MainDialog> rows[] = {
            HandleMessage(WM_INITDIALOG, &MainDialog::OnInitDialog),
            HandleMessage(WM_DRAWITEM, &MainDialog::OnDrawItem),
            HandleCommand(IDCANCEL, &MainDialog::OnCancel),
            HandleMessage(WM_DESTROY, &MainDialog::OnDestroy),
            HandleMessage(WM_NCDESTROY, &MainDialog::OnNcDestroy),
        };
        return RouteMessage(*this, rows, message);
    }
    void OnFinalMessage() override {
        ++finalMessages;
        journal.push_back("dialog final");
    }

private:
    LRESULT OnInitDialog(WindowMessage& message) {
        boundAtInit = hwnd() == message.hwnd;
        return TRUE;
    }
    LRESULT OnDrawItem(WindowMessage& message) {
        message.handled = handleDrawItem;
        journal.push_back("dialog draw item");
        return 0x51;
    }
    LRESULT OnCancel(WindowMessage&) {
        EndDialog(IDCANCEL + 40);
        return 0;
    }
    LRESULT OnDestroy(WindowMessage&) {
        journal.push_back("dialog WM_DESTROY");
        return 0;
    }
    LRESULT OnNcDestroy(WindowMessage&) {
        tableSawNcDestroy = hwnd() != nullptr;
        journal.push_back("dialog WM_NCDESTROY");
        return 0;
    }
};

// An attached control that answers reflected messages with fixed values.
class ReflectionTarget : public CWindowImpl {
public:
    std::vector<UINT> reflected;  // message numbers as received
    ULONG_PTR drawnItemData = 0;
    int finalMessages = 0;

protected:
    bool ProcessMessage(WindowMessage& message) override {
        static const MessageRow<ReflectionTarget> rows[] = {
            HandleMessage(Reflected(WM_DRAWITEM), &ReflectionTarget::OnDrawItem),
            HandleMessage(Reflected(WM_NOTIFY), &ReflectionTarget::OnNotify),
            HandleMessage(Reflected(WM_COMMAND), &ReflectionTarget::OnCommand),
            HandleMessage(Reflected(WM_CTLCOLORLISTBOX), &ReflectionTarget::OnColour),
        };
        return RouteMessage(*this, rows, message);
    }
    void OnFinalMessage() override {
        ++finalMessages;
        journal.push_back("control final");
    }

private:
    LRESULT OnDrawItem(WindowMessage& message) {
        reflected.push_back(message.message);
        drawnItemData = reinterpret_cast<DRAWITEMSTRUCT*>(message.lParam)->itemData;
        return 0x5A5A;
    }
    LRESULT OnNotify(WindowMessage& message) {
        reflected.push_back(message.message);
        return 77;
    }
    LRESULT OnCommand(WindowMessage& message) {
        reflected.push_back(message.message);
        return 0;
    }
    LRESULT OnColour(WindowMessage& message) {
        reflected.push_back(message.message);
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
};

LRESULT SendDrawItem(HWND dialog, int id) {
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_LISTBOX;
    item.CtlID = id;
    item.itemID = static_cast<UINT>(-1);
    item.hwndItem = GetDlgItem(dialog, id);
    return SendMessageA(dialog, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
}

LRESULT SendClick(HWND dialog, int id) {
    NMHDR header = {GetDlgItem(dialog, id), static_cast<UINT_PTR>(id), static_cast<UINT>(NM_CLICK)};
    return SendMessageA(dialog, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { journal.clear(); }
};

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
    DWORD styleSet;
    DWORD styleClear;
    DWORD exStyleSet;
};

TEST_F(DialogTest, TheMainDialogResourceHasEveryControlInPlace) {
    MainDialog dialog;
    HWND window = dialog.Create(nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(dialog.boundAtInit);
    EXPECT_EQ(Text(window), "Ostrak");
    EXPECT_FALSE(IsWindowVisible(window));
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(style & (WS_VISIBLE | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD), 0);

    RECT client;
    GetClientRect(window, &client);
    EXPECT_TRUE(SameRect(client, DialogUnits(window, 0, 0, 322, 170)));

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    ASSERT_TRUE(font && GetObjectA(font, sizeof description, &description));
    EXPECT_STREQ(description.lfFaceName, "MS Sans Serif");
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(description.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    const ExpectedControl controls[] = {
        {IDC_MAIN_SELECTOR, "ListBox", "", 5, 5, 50, 159,
         LBS_OWNERDRAWFIXED | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP,
         LBS_OWNERDRAWVARIABLE | LBS_SORT | LBS_HASSTRINGS | LBS_MULTIPLESEL | WS_BORDER, WS_EX_STATICEDGE},
        {IDC_MAIN_PAGES, "Static", "", 55, 0, 265, 150, 0, WS_TABSTOP, 0},
        {IDC_MAIN_REPORT_LINK, "Static", "Menu/Report", 60, 153, 60, 12, WS_TABSTOP, 0, 0},
        {IDC_MAIN_HELP_LINK, "Static", "Dialog/Help", 150, 153, 50, 12, WS_TABSTOP, 0, 0},
        {IDOK, "Button", "Dialog/Ok", 212, 150, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 0},
        {IDCANCEL, "Button", "Dialog/Cancel", 267, 150, 50, 14, WS_TABSTOP, BS_DEFPUSHBUTTON, 0},
    };
    int childCount = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++childCount;
    EXPECT_EQ(childCount, static_cast<int>(std::size(controls)));
    for (const ExpectedControl& expected : controls) {
        SCOPED_TRACE(expected.id);
        HWND control = GetDlgItem(window, expected.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(ClassOf(control), expected.className);
        if (expected.id != IDC_MAIN_SELECTOR) {  // an owner-drawn list without strings has no text
            EXPECT_EQ(Text(control), expected.text);
        }
        EXPECT_TRUE(SameRect(RectInParent(control),
                             DialogUnits(window, expected.x, expected.y, expected.width, expected.height)));
        DWORD controlStyle = GetWindowLongA(control, GWL_STYLE);
        EXPECT_EQ(controlStyle & expected.styleSet, expected.styleSet);
        EXPECT_EQ(controlStyle & expected.styleClear, 0u);
        EXPECT_TRUE(controlStyle & WS_VISIBLE);
        DWORD exStyle = GetWindowLongA(control, GWL_EXSTYLE);
        EXPECT_EQ(exStyle & expected.exStyleSet, expected.exStyleSet);
    }

    // The list shows its vertical scroll bar (and the style bit) only when the entries overflow.
    HWND selector = GetDlgItem(window, IDC_MAIN_SELECTOR);
    SendMessageA(selector, LB_SETITEMHEIGHT, 0, 40);
    for (int entry = 0; entry < 20; ++entry)
        SendMessageA(selector, LB_ADDSTRING, 0, entry);
    EXPECT_TRUE(GetWindowLongA(selector, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(DialogTest, DestroyingTheWindowUnbindsTheObjectAfterItsLastMessage) {
    MainDialog dialog;
    HWND window = dialog.Create(nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CWindowBase::FromHandle(window), &dialog);
    EXPECT_FALSE(dialog.Create(nullptr));  // one window per object
    ASSERT_TRUE(DestroyWindow(window));
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_TRUE(dialog.tableSawNcDestroy);  // still bound while its table ran
    EXPECT_EQ(dialog.finalMessages, 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"dialog WM_DESTROY", "dialog WM_NCDESTROY", "dialog final"}));
    // The object can make a new window after the old one is gone.
    EXPECT_NE(dialog.Create(nullptr), nullptr);
}

TEST_F(DialogTest, DeletingTheObjectDestroysItsWindowWithoutCallingIntoIt) {
    auto dialog = std::make_unique<MainDialog>();
    HWND window = dialog->Create(nullptr);
    ASSERT_NE(window, nullptr);
    dialog.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(journal, std::vector<std::string>{"dialog destructor"});
}

TEST_F(DialogTest, AModalDialogReturnsWhatEndDialogWasGiven) {
    class Modal : public MainDialog {
    protected:
        bool ProcessMessage(WindowMessage& message) override {
            if (message.message == WM_INITDIALOG)
                PostMessageA(message.hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return MainDialog::ProcessMessage(message);
        }
    } dialog;
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL + 40);
    EXPECT_TRUE(dialog.boundAtInit);
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_EQ(dialog.finalMessages, 1);
}

TEST_F(DialogTest, AMissingTemplateCreatesNothing) {
    class Missing : public CDialogImpl {
    public:
        Missing() : CDialogImpl(4999) {}
    } dialog;
    EXPECT_EQ(dialog.Create(nullptr), nullptr);
    EXPECT_EQ(dialog.DoModal(nullptr), -1);
    EXPECT_EQ(dialog.hwnd(), nullptr);
}

// Owns itself: deleted by its final message, as a fire-and-forget window would be.
class SelfDeletingDialog : public CDialogImpl {
public:
    static int live;
    static int callsBeforeInit;

    SelfDeletingDialog() : CDialogImpl(IDD_MAIN) { ++live; }
    ~SelfDeletingDialog() override { --live; }

    ReflectionTarget selector;

protected:
    bool ProcessMessage(WindowMessage& message) override {
        if (!initialised_ && message.message != WM_INITDIALOG)
            ++callsBeforeInit;
        if (message.message == WM_INITDIALOG) {
            initialised_ = true;
            selector.AttachDlgItem(message.hwnd, IDC_MAIN_SELECTOR);
        }
        return false;
    }
    void OnFinalMessage() override { delete this; }

private:
    bool initialised_ = false;
};
int SelfDeletingDialog::live = 0;
int SelfDeletingDialog::callsBeforeInit = 0;

TEST_F(DialogTest, RepeatedCreationAndDestructionLeavesNoBindingBehind) {
    for (int round = 0; round < 200; ++round) {
        auto* dialog = new SelfDeletingDialog;
        HWND window = dialog->Create(nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(CWindowBase::FromHandle(window), dialog);
        HWND selector = GetDlgItem(window, IDC_MAIN_SELECTOR);
        ASSERT_EQ(CWindowBase::FromHandle(selector), &dialog->selector);
        ASSERT_EQ(SendDrawItem(window, IDC_MAIN_SELECTOR), 0x5A5A);
        ASSERT_TRUE(DestroyWindow(window));
        ASSERT_EQ(SelfDeletingDialog::live, 0);
        ASSERT_EQ(CWindowBase::FromHandle(window), nullptr);
        ASSERT_EQ(CWindowBase::FromHandle(selector), nullptr);
    }
    EXPECT_EQ(SelfDeletingDialog::callsBeforeInit, 0);
}

class ReflectionTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        window = dialog.Create(nullptr);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(selector.AttachDlgItem(window, IDC_MAIN_SELECTOR));
    }

    MainDialog dialog;
    ReflectionTarget selector;  // destroyed first, as a dialog's member control would be
    HWND window = nullptr;
};

TEST_F(ReflectionTest, APaintedOwnerDrawnEntryReachesTheAttachedListBox) {
    HWND list = selector.hwnd();
    ASSERT_GE(SendMessageA(list, LB_ADDSTRING, 0, 0x1234), 0);  // no strings: lParam is the data
    SendMessageA(list, LB_SETITEMHEIGHT, 0, 40);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ASSERT_FALSE(selector.reflected.empty());
    EXPECT_NE(std::find(selector.reflected.begin(), selector.reflected.end(), Reflected(WM_DRAWITEM)),
              selector.reflected.end());
    EXPECT_NE(std::find(selector.reflected.begin(), selector.reflected.end(), Reflected(WM_CTLCOLORLISTBOX)),
              selector.reflected.end());
    EXPECT_EQ(selector.drawnItemData, 0x1234u);
}

TEST_F(ReflectionTest, TheControlsAnswerComesBackToTheSender) {
    EXPECT_EQ(SendDrawItem(window, IDC_MAIN_SELECTOR), 0x5A5A);
    EXPECT_EQ(SendClick(window, IDC_MAIN_SELECTOR), 77);
    EXPECT_EQ(selector.reflected, (std::vector<UINT>{Reflected(WM_DRAWITEM), Reflected(WM_NOTIFY)}));
    // The dialog's table saw the draw first and declined it.
    EXPECT_EQ(journal, std::vector<std::string>{"dialog draw item"});
}

TEST_F(ReflectionTest, ARowOfTheDialogComesBeforeReflection) {
    dialog.handleDrawItem = true;
    EXPECT_EQ(SendDrawItem(window, IDC_MAIN_SELECTOR), 0x51);
    EXPECT_TRUE(selector.reflected.empty());
}

TEST_F(ReflectionTest, OnlyAttachedControlsGetReflectedMessages) {
    EXPECT_EQ(SendDrawItem(window, IDC_MAIN_PAGES), 0);
    EXPECT_EQ(SendClick(window, IDC_MAIN_PAGES), 0);
    EXPECT_TRUE(selector.reflected.empty());
}

TEST_F(ReflectionTest, ControlCommandsAreReflectedButMenuCommandsAreNot) {
    HWND list = selector.hwnd();
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_SELECTOR, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_SELECTOR, 0), 0);
    EXPECT_EQ(selector.reflected, std::vector<UINT>{Reflected(WM_COMMAND)});
}

TEST_F(ReflectionTest, AControlObjectGoneBeforeItsWindowLeavesTheControlWorking) {
    HWND list = selector.hwnd();
    EXPECT_FALSE(ReflectionTarget().Attach(list));  // one object per window
    {
        ReflectionTarget shortLived;
        ASSERT_TRUE(shortLived.AttachDlgItem(window, IDC_MAIN_REPORT_LINK));
    }
    HWND link = GetDlgItem(window, IDC_MAIN_REPORT_LINK);
    EXPECT_EQ(CWindowBase::FromHandle(link), nullptr);
    EXPECT_EQ(Text(link), "Menu/Report");
    NMHDR header = {link, IDC_MAIN_REPORT_LINK, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(SendMessageA(window, WM_NOTIFY, IDC_MAIN_REPORT_LINK, reinterpret_cast<LPARAM>(&header)), 0);

    EXPECT_EQ(selector.Detach(), list);
    EXPECT_EQ(SendDrawItem(window, IDC_MAIN_SELECTOR), 0);
    EXPECT_GE(SendMessageA(list, LB_ADDSTRING, 0, 1), 0);
    EXPECT_TRUE(selector.reflected.empty());
}

TEST_F(ReflectionTest, TheDialogsEndReleasesItsAttachedControls) {
    ASSERT_TRUE(dialog.DestroyWindow());
    EXPECT_EQ(selector.hwnd(), nullptr);
    EXPECT_EQ(selector.finalMessages, 1);
    EXPECT_EQ(journal, (std::vector<std::string>{"dialog WM_DESTROY", "control final", "dialog WM_NCDESTROY",
                                                 "dialog final"}));
}

}  // namespace

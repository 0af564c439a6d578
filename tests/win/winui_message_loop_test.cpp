// The message loop: filters before translation, idle handlers when the queue empties, the quit
// code, failing retrievals; and the registration of the loop.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "tests/win/window_queries.h"
#include "winui/app_module.h"
#include "winui/message_loop.h"
#include "winui/window.h"

namespace {

constexpr UINT kPing = WM_APP + 1;

// A message-only window that records what the loop dispatched to it.
class RecordingWindow : public CWindowImpl {
public:
    RecordingWindow() { Attach(window_queries::MessageOnlyWindow("")); }
    ~RecordingWindow() override { DestroyWindow(); }

    std::vector<WPARAM> pings;
    std::vector<UINT> keys;  // WM_KEYDOWN and WM_CHAR, in arrival order

protected:
    bool ProcessMessage(WindowMessage& message) override {
        static const MessageRow<RecordingWindow> rows[] = {
            HandleMessage(kPing, &RecordingWindow::OnPing),
            HandleMessage(WM_KEYDOWN, &RecordingWindow::OnKey),
            HandleMessage(WM_CHAR, &RecordingWindow::OnKey),
        };
        return RouteMessage(*this, rows, message);
    }

private:
    LRESULT OnPing(WindowMessage& message) {
        pings.push_back(message.wParam);
        return 0;
    }
    LRESULT OnKey(WindowMessage& message) {
        keys.push_back(message.message);
        return 0;
    }
};

// Consumes one kind of message and records every message offered to it.
class Filter : public CMessageFilter {
public:
    explicit Filter(UINT consumed, WPARAM consumedParam = ~WPARAM{0})
        : consumed_(consumed), consumedParam_(consumedParam) {}

    bool PreTranslateMessage(MSG* message) override {
        offered.push_back(message->message == kPing ? message->wParam : message->message);
        if (onOffer)
            onOffer();
        return message->message == consumed_ &&
               (consumedParam_ == ~WPARAM{0} || message->wParam == consumedParam_);
    }

    std::vector<WPARAM> offered;
    std::function<void()> onOffer;

private:
    UINT consumed_;
    WPARAM consumedParam_;
};

void Ping(HWND window, WPARAM value) { PostMessageA(window, kPing, value, 0); }

TEST(MessageLoop, ConsumedMessagesAreNotDispatchedAndTheQuitCodeComesBack) {
    RecordingWindow window;
    ASSERT_NE(window.hwnd(), nullptr);
    Filter filter(kPing, 2);
    CMessageLoop loop;
    ASSERT_TRUE(loop.AddMessageFilter(&filter));
    EXPECT_FALSE(loop.AddMessageFilter(&filter));  // once only

    Ping(window.hwnd(), 1);
    Ping(window.hwnd(), 2);
    Ping(window.hwnd(), 3);
    PostQuitMessage(42);
    EXPECT_EQ(loop.Run(), 42);

    EXPECT_EQ(filter.offered, (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_EQ(window.pings, (std::vector<WPARAM>{1, 3}));
}

TEST(MessageLoop, FiltersAreOfferedMessagesBeforeTranslation) {
    RecordingWindow window;
    CMessageLoop loop;
    Filter filter(WM_KEYDOWN);
    loop.AddMessageFilter(&filter);
    // A key press the filter takes is neither dispatched nor translated into a character.
    PostMessageA(window.hwnd(), WM_KEYDOWN, 'A', 0x001E0001);
    PostQuitMessage(0);
    loop.Run();
    EXPECT_TRUE(window.keys.empty());

    // Without the filter the same press arrives, and translation adds its character.
    loop.RemoveMessageFilter(&filter);
    PostMessageA(window.hwnd(), WM_KEYDOWN, 'A', 0x001E0001);
    PostQuitMessage(0);
    loop.Run();
    EXPECT_EQ(window.keys, (std::vector<UINT>{WM_KEYDOWN, WM_CHAR}));
}

TEST(MessageLoop, TheFilterAddedLastIsAskedFirstAndTheFirstConsumerEndsTheRound) {
    RecordingWindow window;
    Filter early(kPing, 1);
    Filter late(kPing, 2);
    CMessageLoop loop;
    loop.AddMessageFilter(&early);
    loop.AddMessageFilter(&late);
    Ping(window.hwnd(), 1);
    Ping(window.hwnd(), 2);
    PostQuitMessage(0);
    loop.Run();
    EXPECT_EQ(late.offered, (std::vector<WPARAM>{1, 2}));
    EXPECT_EQ(early.offered, (std::vector<WPARAM>{1}));
    EXPECT_TRUE(window.pings.empty());
}

TEST(MessageLoop, AFilterMayRemoveAnotherWhileItRuns) {
    RecordingWindow window;
    Filter removed(0);
    Filter remover(0);
    CMessageLoop loop;
    loop.AddMessageFilter(&removed);
    loop.AddMessageFilter(&remover);  // asked first
    remover.onOffer = [&] {
        loop.RemoveMessageFilter(&removed);
        loop.RemoveMessageFilter(&remover);
    };
    Ping(window.hwnd(), 1);
    Ping(window.hwnd(), 2);
    PostQuitMessage(0);
    loop.Run();
    EXPECT_EQ(remover.offered, (std::vector<WPARAM>{1}));
    EXPECT_TRUE(removed.offered.empty());
    EXPECT_EQ(window.pings, (std::vector<WPARAM>{1, 2}));
}

// Posts two pings on its first call and the quit message on its second.
class ScriptedIdle : public CIdleHandler {
public:
    explicit ScriptedIdle(RecordingWindow& window) : window_(window) {}

    void OnIdle() override {
        MSG pending;
        queueEmpty.push_back(!PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE));
        pingsSeen.push_back(window_.pings.size());
        if (queueEmpty.size() == 1) {
            Ping(window_.hwnd(), 1);
            Ping(window_.hwnd(), 2);
        } else {
            PostQuitMessage(7);
        }
    }

    std::vector<bool> queueEmpty;
    std::vector<std::size_t> pingsSeen;

private:
    RecordingWindow& window_;
};

TEST(MessageLoop, IdleHandlersRunOnceEachTimeTheQueueBecomesEmpty) {
    RecordingWindow window;
    ScriptedIdle idle(window);
    CMessageLoop loop;
    ASSERT_TRUE(loop.AddIdleHandler(&idle));
    EXPECT_EQ(loop.Run(), 7);
    // Once at the start, and once more after both pings, not once per ping.
    EXPECT_EQ(idle.queueEmpty, (std::vector<bool>{true, true}));
    EXPECT_EQ(idle.pingsSeen, (std::vector<std::size_t>{0, 2}));
}

TEST(MessageLoop, ARemovedIdleHandlerIsNotCalled) {
    RecordingWindow window;
    ScriptedIdle idle(window);
    CMessageLoop loop;
    loop.AddIdleHandler(&idle);
    EXPECT_TRUE(loop.RemoveIdleHandler(&idle));
    EXPECT_FALSE(loop.RemoveIdleHandler(&idle));
    Ping(window.hwnd(), 1);
    PostQuitMessage(3);
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_TRUE(idle.queueEmpty.empty());
}

// GetMessage fails only for invalid arguments, which the loop never passes; this loop fails
// its first retrievals on purpose.
class FailingLoop : public CMessageLoop {
public:
    int failuresLeft = 3;

protected:
    BOOL RetrieveMessage(MSG* message) override {
        if (failuresLeft > 0) {
            --failuresLeft;
            return -1;
        }
        return CMessageLoop::RetrieveMessage(message);
    }
};

TEST(MessageLoop, AFailingRetrievalIsSkippedAndDoesNotEndTheLoop) {
    RecordingWindow window;
    FailingLoop loop;
    Ping(window.hwnd(), 1);
    PostQuitMessage(9);
    EXPECT_EQ(loop.Run(), 9);
    EXPECT_EQ(loop.failuresLeft, 0);
    EXPECT_EQ(window.pings, (std::vector<WPARAM>{1}));
}

TEST(AppModule, HoldsTheOneLoopUntilItIsRemoved) {
    CMessageLoop loop;
    ASSERT_TRUE(AppModule.AddMessageLoop(&loop));
    CMessageLoop second;
    EXPECT_FALSE(AppModule.AddMessageLoop(&second));
    EXPECT_EQ(AppModule.GetMessageLoop(), &loop);

    EXPECT_TRUE(AppModule.RemoveMessageLoop());
    EXPECT_EQ(AppModule.GetMessageLoop(), nullptr);
    EXPECT_FALSE(AppModule.RemoveMessageLoop());
    AppModule.AddMessageLoop(&loop);
    AppModule.Term();
    EXPECT_EQ(AppModule.GetMessageLoop(), nullptr);
}

}  // namespace

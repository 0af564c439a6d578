// The language chosen in the registry names idle time in the log, and the tray menu ends the
// program.
#include <gtest/gtest.h>

#include "tests/e2e/driver.h"

#include <shellapi.h>

namespace {

// A window without a title in front for a while: its stretch goes to the idle name. (No
// window in front at all cannot be had under Wine, whose tray window then takes the front;
// the sampler's tests cover that case.)
void IdleStretch(TitledWindows& windows, DWORD idleMs) {
    windows.BringToFront(windows.Open(""));
    Pump(idleMs);
    windows.BringToFront(windows.Open("Calculator"));
    Pump(1500);
}

std::string ExpectedLog(const std::string& idleName) {
    return Declaration() + "\n<Ostrak>\n   <Date " + TodayAttributes() +
           " time=\"*\">\n      <App name=\"Editor\" time=\"*\"/>\n      <App name=\"" + idleName +
           "\" time=\"~3\"/>\n      <App name=\"Calculator\" time=\"*\"/>\n   </Date>\n</Ostrak>";
}

TEST(LanguageRun, IdleTimeIsCreditedUnderTheChosenLanguagesText) {
    LanguageSetting russian("Russian");
    ProgramFolder folder;
    // "Простой" (idle) as the Russian text of Common/Inactive, the file in Windows-1251: the
    // log, in UTF-8, has it whatever the locale.
    folder.Write("Lang.Russian.xml", "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n<Language><Common><Inactive>"
                                     "\xcf\xf0\xee\xf1\xf2\xee\xe9</Inactive></Common></Language>");
    const std::string idle = "\xD0\x9F\xD1\x80\xD0\xBE\xD1\x81\xD1\x82\xD0\xBE\xD0\xB9";
    TitledWindows windows;
    HWND first = windows.Open("Editor");
    ASSERT_TRUE(windows.BringToFront(first));
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    ASSERT_TRUE(tracker.MainWindow());
    Pump(1500);
    IdleStretch(windows, 3000);
    EXPECT_EQ(tracker.Exit(), 1);
    std::string why;
    EXPECT_TRUE(MatchesLog(ExpectedLog(idle), folder.Read(folder.LogName()), why)) << why;
}

TEST(LanguageRun, WithoutALanguageFileIdleTimeHasAnEmptyApplicationName) {
    LanguageSetting english("English");
    ProgramFolder folder;
    TitledWindows windows;
    HWND first = windows.Open("Editor");
    ASSERT_TRUE(windows.BringToFront(first));
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    ASSERT_TRUE(tracker.MainWindow());
    Pump(1500);
    IdleStretch(windows, 3000);
    EXPECT_EQ(tracker.Exit(), 1);
    std::string why;
    EXPECT_TRUE(MatchesLog(ExpectedLog(""), folder.Read(folder.LogName()), why)) << why;
}

TEST(TrayRun, ExitFromTheTrayMenuRemovesTheIconAndEndsWithCodeOne) {
    ProgramFolder folder;
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    HWND main = tracker.MainWindow();
    ASSERT_TRUE(main);
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.hWnd = main;
    record.uID = 1000;
    EXPECT_TRUE(WaitUntil([&] { return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE; }));

    tracker.Post(0x0401 /* WM_TRAYNOTIFY */, 1000, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = FindWindowA("#32768", nullptr)) && IsWindowVisible(menu); }));
    // Up from no selection lands on the last item, Exit; Enter chooses it.
    PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(tracker.WaitForExit(), 1);
}

}  // namespace

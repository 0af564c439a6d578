// The report started from the running program's tray: the log on disk is saved first, and the
// shell's "open" gets the report beside the program with the log's name and the language.
#include <gtest/gtest.h>

#include "app/tray.h"
#include "resources/resource.h"
#include "tests/e2e/driver.h"
#include "tests/e2e/shell_recorder.h"

#include <cstdlib>

namespace {

// The seconds the log credits to an application of today, or -1 when it has none.
int CreditedSeconds(const std::string& log, const std::string& application) {
    const std::string start = "<App name=\"" + application + "\" time=\"";
    const std::size_t at = log.find(start);
    return at == std::string::npos ? -1 : std::atoi(log.c_str() + at + start.size());
}

// Right-clicks the tray icon and chooses the second item of the menu, Report.
bool ChooseReportFromTheTrayMenu(Tracker& tracker) {
    tracker.Post(WM_TRAYNOTIFY, TrayIconId, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!WaitUntil([&] { return (menu = FindWindowA("#32768", nullptr)) && IsWindowVisible(menu); })) return false;
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

TEST(ReportRun, EachReportFromTheTraySavesTheLogFirstAndStartsTheReportBesideTheProgram) {
    ASSERT_NE(kRecorderProgram[0], '\0') << "built without the recorder program";
    LanguageSetting english("English");
    ProgramFolder folder;
    folder.Write("Report.hta", "<html><head><title>Report</title></head></html>");
    ShellRecorder recorder(kRecorderProgram, folder.File("shell-record.txt"));
    SetEnvironmentVariableA("OSTRAK_COMPUTER_NAME", "DESKTOP 7");
    ASSERT_TRUE(recorder.Registered());

    TitledWindows windows;
    HWND calculator = windows.Open("Calculator");
    HWND editor = windows.Open("Editor");
    ASSERT_TRUE(windows.BringToFront(calculator));
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    SetEnvironmentVariableA("OSTRAK_COMPUTER_NAME", nullptr);
    ASSERT_TRUE(tracker.MainWindow());
    Pump(1500);
    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(2000);
    ASSERT_TRUE(windows.BringToFront(calculator));
    Pump(1500);  // the tracker's next tick sees the change and credits the editor's two seconds
    ASSERT_FALSE(folder.Exists(folder.LogName())) << "nothing saves the log this early but the report";

    ASSERT_TRUE(ChooseReportFromTheTrayMenu(tracker));
    // The computer's name as the copies' names carry it; no shared folder is set.
    const std::string report =
        "\"" + folder.File("Report.hta") + "\" " + folder.LogName() + " English /computer:DESKTOP_7";
    std::vector<std::string> opened = recorder.WaitForOpened(1);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], report);
    const std::string firstLog = folder.Read(folder.LogName());
    const int firstEditorSeconds = CreditedSeconds(firstLog, "Editor");
    EXPECT_NEAR(firstEditorSeconds, 2, 1) << firstLog;

    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(2000);
    ASSERT_TRUE(windows.BringToFront(calculator));
    Pump(1500);
    tracker.Post(WM_COMMAND, MAKEWPARAM(ID_MENU_REPORT, 0), 0);  // what the menu item sends
    opened = recorder.WaitForOpened(2);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], report);
    const std::string secondLog = folder.Read(folder.LogName());
    EXPECT_NEAR(CreditedSeconds(secondLog, "Editor") - firstEditorSeconds, 2, 1)
        << "the second report saves the seconds credited since the first:\n" << secondLog;

    EXPECT_EQ(tracker.Exit(), 1);
}

}  // namespace

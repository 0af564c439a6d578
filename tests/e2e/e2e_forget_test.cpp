// Forget the last 5 minutes with the real program: the log and the timeline lose exactly the
// span, the stretch cut by its start keeps its part before it, and the names of the span go.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/driver.h"

namespace {

constexpr char kPrograms[] =
    "<?xml version=\"1.0\"?>\n<List>\n  <Pattern>Editor</Pattern>\n  <Pattern>Browser</Pattern>\n</List>\n";

// The local time `minutes` before `time`.
SYSTEMTIME MinutesBefore(const SYSTEMTIME& time, int minutes) {
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    ULARGE_INTEGER value{{file.dwLowDateTime, file.dwHighDateTime}};
    value.QuadPart -= static_cast<ULONGLONG>(minutes) * 60 * 10000000;
    file = {value.LowPart, value.HighPart};
    SYSTEMTIME earlier;
    FileTimeToSystemTime(&file, &earlier);
    return earlier;
}

std::string LineStart(const SYSTEMTIME& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

// Seconds by "application\tdocument" in the log ("" for an application's time beyond its
// documents), and in the timeline's lines.
std::map<std::string, int> LogSeconds(const std::string& log) {
    std::map<std::string, int> seconds;
    static const std::regex kElement("<(App|Doc) name=\"([^\"]*)\" time=\"(\\d+)\"");
    std::string app;
    for (auto each = std::sregex_iterator(log.begin(), log.end(), kElement); each != std::sregex_iterator(); ++each) {
        const int time = std::stoi((*each)[3]);
        if ((*each)[1] == "App") {
            app = (*each)[2];
            seconds[app + "\t"] += time;
        } else {
            seconds[app + "\t" + (*each)[2].str()] += time;
            seconds[app + "\t"] -= time;
        }
    }
    for (auto it = seconds.begin(); it != seconds.end();) it = it->second == 0 ? seconds.erase(it) : std::next(it);
    return seconds;
}

std::map<std::string, int> TimelineSeconds(const std::string& timeline) {
    std::map<std::string, int> seconds;
    std::istringstream lines(timeline.substr(timeline.find('\n') + 1));
    static const std::regex kLine("[-0-9]{10} [:0-9]{8}\t(\\d+)\t([^\t]*\t[^\t]*)");
    std::smatch parts;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, parts, kLine)) seconds[parts[2]] += std::stoi(parts[1]);
        else ADD_FAILURE() << line;
    }
    return seconds;
}

// The confirmation the tracker shows: a dialog owned by its main window.
HWND Confirmation(HWND mainWindow) {
    struct Search {
        HWND owner;
        HWND found;
    } search{mainWindow, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* search = reinterpret_cast<Search*>(parameter);
            if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window)) return TRUE;
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(ForgetRun, TheLastFiveMinutesLeaveTheLogAndTheTimelineToTheSecond) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (now.wHour == 0 && now.wMinute < 25) GTEST_SKIP() << "the seeded stretches would begin yesterday";
    ProgramFolder folder;
    folder.Write("Programs.xml", kPrograms);
    // Twenty minutes ago the editor for ten, then the browser until two minutes ago: the span
    // of a Forget a few seconds from now cuts the browser's stretch.
    const SYSTEMTIME editorStart = MinutesBefore(now, 20), browserStart = MinutesBefore(now, 10);
    folder.Write(folder.LogName(), Declaration() + "\n<Ostrak>\n   <Date " + TodayAttributes() +
                                       " time=\"1080\">\n      <App name=\"Editor\" time=\"600\">\n"
                                       "         <Doc name=\"notes.txt\" time=\"600\"/>\n      </App>\n"
                                       "      <App name=\"Browser\" time=\"480\">\n"
                                       "         <Doc name=\"'Quarterly' report\" time=\"480\"/>\n      </App>\n"
                                       "   </Date>\n</Ostrak>");
    char month[16];
    std::snprintf(month, sizeof month, "%04d-%02d", now.wYear, now.wMonth);
    const std::string timelineName = CurrentUserName() + "-Timeline-" + month + ".tsv";
    folder.Write(timelineName, "start\tseconds\tapplication\tdocument\n" + LineStart(editorStart) +
                                   "\t600\tEditor\tnotes.txt\n" + LineStart(browserStart) + "\t480\tBrowser\t'Quarterly' report\n");

    TitledWindows windows;
    HWND calculator = windows.Open("Calculator");
    HWND editor = windows.Open("notes.txt - Editor");
    ASSERT_TRUE(windows.BringToFront(calculator));
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    HWND mainWindow = tracker.MainWindow();
    ASSERT_TRUE(mainWindow);
    Pump(2500);
    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(2500);
    // Suspend and resume: the run so far is saved, for the record of what the Forget takes.
    tracker.Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    tracker.Send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    const std::string logBefore = folder.Read(folder.LogName());
    const std::string timelineBefore = folder.Read(timelineName);
    ASSERT_NE(logBefore.find("Calculator"), std::string::npos) << logBefore;

    ASSERT_TRUE(tracker.Post(WM_COMMAND, ID_MENU_FORGET_5_MINUTES, 0));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = Confirmation(mainWindow)) != nullptr; }));
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(2500);
    EXPECT_EQ(tracker.Exit(), 1);

    const std::string logAfter = folder.Read(folder.LogName());
    const std::string timelineAfter = folder.Read(timelineName);
    std::printf("The log before the Forget:\n%s\nIts timeline:\n%s\nThe log after it and 2.5 s more of the editor:\n%s\n"
                "Its timeline:\n%s\n",
                logBefore.c_str(), timelineBefore.c_str(), logAfter.c_str(), timelineAfter.c_str());
    const std::map<std::string, int> seconds = LogSeconds(logAfter);
    EXPECT_EQ(seconds, TimelineSeconds(timelineAfter)) << "the timeline holds what the log holds";
    EXPECT_EQ(logAfter.find("Calculator"), std::string::npos) << "its only stretch was in the span";
    EXPECT_FALSE(folder.Exists(CurrentUserName() + "-Time.takeback"));
    const auto at = [&seconds](const std::string& key) { return seconds.count(key) ? seconds.at(key) : 0; };
    // The editor's seeded 600 s, and what came after the Forget.
    EXPECT_GE(at("Editor\tnotes.txt"), 601);
    EXPECT_LE(at("Editor\tnotes.txt"), 606);
    // The browser's stretch up to five minutes before the Forget: 300 s and the seconds since
    // the start, within a little.
    EXPECT_GE(at("Browser\t'Quarterly' report"), 303);
    EXPECT_LE(at("Browser\t'Quarterly' report"), 330);
}

// Whether a file of the folder holds one of the words.
bool AnyFileHolds(const ProgramFolder& folder, const std::vector<std::string>& words) {
    for (const std::string& name : folder.Files()) {
        const std::string bytes = folder.Read(name);
        for (const std::string& word : words)
            if (bytes.find(word) != std::string::npos) return ADD_FAILURE() << name << " holds " << word, true;
    }
    return false;
}

// Every privacy control in one day of the real program: a private window, a pause, Forget the
// last 5 minutes, and a start with document names off. Each step's log and timeline are printed.
TEST(PrivacyRun, APrivateWindowAPauseAForgetAndTitlesOffInOneDay) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (now.wHour == 0 && now.wMinute < 10) GTEST_SKIP() << "the Forget would reach into yesterday";
    ProgramFolder folder;
    folder.Write("Programs.xml", kPrograms);
    folder.Write(CurrentUserName() + "-Private.xml", "<List><Pattern>[Hush]</Pattern></List>");
    char month[16];
    std::snprintf(month, sizeof month, "%04d-%02d", now.wYear, now.wMonth);
    const std::string timelineName = CurrentUserName() + "-Timeline-" + month + ".tsv";
    const std::vector<std::string> secretWords = {"Zanzibar", "ledger"};
    auto show = [&](const char* step) {
        std::printf("---- %s\nThe log:\n%s\nThe timeline:\n%s\n", step, folder.Read(folder.LogName()).c_str(),
                    folder.Read(timelineName).c_str());
    };

    TitledWindows windows;
    HWND calculator = windows.Open("Calculator");
    HWND editor = windows.Open("notes.txt - Editor");
    HWND browser = windows.Open("Plans - Browser");
    HWND secret = windows.Open("Zanzibar ledger [Hush] - Browser");
    ASSERT_TRUE(calculator && editor && browser && secret);
    ASSERT_TRUE(windows.BringToFront(calculator));
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    HWND mainWindow = tracker.MainWindow();
    ASSERT_TRUE(mainWindow);
    Pump(1500);
    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(2000);
    ASSERT_TRUE(windows.BringToFront(secret));
    Pump(2000);
    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(500);
    tracker.Send(WM_COMMAND, ID_MENU_PAUSE_15_MINUTES, 0);
    ASSERT_TRUE(windows.BringToFront(browser));
    Pump(3000);
    // Back in the editor before the Resume: the browser's time is all in the pause.
    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(500);
    tracker.Send(WM_COMMAND, ID_MENU_RESUME, 0);
    Pump(2000);
    // Suspend and resume: what ran is saved.
    tracker.Send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    tracker.Send(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    show("A private window, and three seconds of the browser during a pause");
    std::map<std::string, int> seconds = LogSeconds(folder.Read(folder.LogName()));
    EXPECT_EQ(seconds, TimelineSeconds(folder.Read(timelineName)));
    EXPECT_GE(seconds["Private\t"], 1);
    EXPECT_LE(seconds["Private\t"], 3);
    EXPECT_EQ(seconds.count("Browser\tPlans"), 0u) << "the browser was in front only while paused";
    EXPECT_FALSE(AnyFileHolds(folder, secretWords));

    ASSERT_TRUE(tracker.Post(WM_COMMAND, ID_MENU_FORGET_5_MINUTES, 0));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = Confirmation(mainWindow)) != nullptr; }));
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    ASSERT_TRUE(windows.BringToFront(calculator));
    Pump(1500);
    EXPECT_EQ(tracker.Exit(), 1);
    show("After Forget the last 5 minutes, and the calculator for a second and a half");
    seconds = LogSeconds(folder.Read(folder.LogName()));
    EXPECT_EQ(seconds, TimelineSeconds(folder.Read(timelineName)));
    EXPECT_EQ(seconds.count("Private\t") + seconds.count("Editor\tnotes.txt"), 0u) << "the whole run was in the span";

    {
        OptionsValue titlesOff("RecordDocuments", 0);
        ASSERT_TRUE(tracker.Start(folder, "-tray"));
        ASSERT_TRUE(tracker.MainWindow());
        Pump(1000);
        ASSERT_TRUE(windows.BringToFront(editor));
        Pump(2500);
        ASSERT_TRUE(windows.BringToFront(calculator));
        Pump(1000);
        EXPECT_EQ(tracker.Exit(), 1);
    }
    show("A start with document names off: the editor for two and a half seconds");
    const std::string log = folder.Read(folder.LogName());
    seconds = LogSeconds(log);
    EXPECT_EQ(seconds, TimelineSeconds(folder.Read(timelineName)));
    EXPECT_GE(seconds["Editor\t"], 2);
    EXPECT_EQ(log.find("<Doc"), std::string::npos) << "no document name was recorded";
    EXPECT_FALSE(AnyFileHolds(folder, secretWords));
}

}  // namespace

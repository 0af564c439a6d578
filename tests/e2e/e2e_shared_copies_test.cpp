// The real program with a shared folder: at exit each computer's copies are its own files as
// saved, under its own name. Two computers are played by two program folders and the
// OSTRAK_COMPUTER_NAME the program reads when it is set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/e2e/driver.h"

namespace {

// Runs one computer: a few seconds in an editor and a calculator, then Exit.
void RunComputer(const std::string& computer, const ProgramFolder& folder) {
    SetEnvironmentVariableA("OSTRAK_COMPUTER_NAME", computer.c_str());
    TitledWindows windows;
    HWND calculator = windows.Open("Calculator");
    HWND editor = windows.Open("notes.txt - Editor");
    ASSERT_TRUE(calculator && editor);
    ASSERT_TRUE(windows.BringToFront(calculator));
    Tracker tracker;
    ASSERT_TRUE(tracker.Start(folder, "-tray"));
    SetEnvironmentVariableA("OSTRAK_COMPUTER_NAME", nullptr);
    ASSERT_TRUE(tracker.MainWindow());
    Pump(1500);
    ASSERT_TRUE(windows.BringToFront(editor));
    Pump(2000);
    ASSERT_TRUE(windows.BringToFront(calculator));
    Pump(1500);
    EXPECT_EQ(tracker.Exit(), 1);
}

// A plain folder (no program in it) for the copies, emptied and removed at the end.
class SharedFolder {
public:
    explicit SharedFolder(const std::string& path) : path_(path) { CreateDirectoryW(Wide(path_).c_str(), nullptr); }
    ~SharedFolder() {
        for (const std::string& name : Files()) DeleteFileW(Wide(path_ + name).c_str());
        RemoveDirectoryW(Wide(path_).c_str());
    }
    const std::string& Path() const { return path_; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }
    bool Exists(const std::string& name) const {
        return GetFileAttributesW(Wide(path_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::string Read(const std::string& name) const {
        std::string bytes;
        HANDLE file = CreateFileW(Wide(path_ + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "<missing>";
        bytes.resize(GetFileSize(file, nullptr));
        DWORD read = 0;
        if (!bytes.empty()) ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        return bytes;
    }

private:
    std::string path_;
};

TEST(SharedCopiesRun, EachComputerWritesItsOwnCopiesAtExitAndTheyHoldWhatItsLogHolds) {
    ProgramFolder desktop, laptop;
    SharedFolder shared(desktop.Path() + "Shared\\");
    OptionsValue sharedFolder("SharedFolder", shared.Path());
    const std::string user = CurrentUserName();

    RunComputer("DESKTOP-7", desktop);
    const std::string desktopCopy = user + "@DESKTOP-7-Time.xml";
    ASSERT_TRUE(shared.Exists(desktopCopy));
    EXPECT_EQ(shared.Read(desktopCopy), desktop.Read(desktop.LogName())) << "the copy is the log as saved";
    const std::vector<std::string> months = desktop.Files(user + "-Timeline-*.tsv");
    ASSERT_EQ(months.size(), 1u);
    EXPECT_EQ(shared.Read(user + "@DESKTOP-7" + months[0].substr(user.size())), desktop.Read(months[0]));

    RunComputer("LAPTOP", laptop);
    EXPECT_EQ(shared.Read(user + "@LAPTOP-Time.xml"), laptop.Read(laptop.LogName()));
    EXPECT_EQ(shared.Read(desktopCopy), desktop.Read(desktop.LogName())) << "no computer writes another's copy";

    const std::vector<std::string> listing = shared.Files();
    EXPECT_EQ(listing.size(), 4u) << "two logs and two months, no temporary file left";
    std::printf("The shared folder after two computers' runs:\n");
    for (const std::string& name : listing) {
        std::printf("  %-50s %6zu bytes\n", name.c_str(), shared.Read(name).size());
    }
    std::printf("%s:\n%s\n", desktopCopy.c_str(), shared.Read(desktopCopy).c_str());
}

}  // namespace

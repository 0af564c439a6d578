// The help file and the update page go through the shell's real "open" verb to whatever the
// prefix associates with their kind: here a recorder program that writes down what it got.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/program_paths.h"
#include "links/links.h"
#include "localization/language.h"
#include "settings/in_memory_registry.h"
#include "settings/platform_seams.h"
#include "tests/e2e/shell_recorder.h"

namespace {

std::string TempPath(const std::string& name) {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    return std::string(base) + name + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
}

void WriteText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The shell hands the parameters on after the target, so an empty set leaves a blank.
std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string Listed(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n  " + line;
    return text;
}

class ShellLinksTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(kRecorderProgram[0], '\0') << "built without the recorder program";
        ASSERT_NE(GetFileAttributesA(kRecorderProgram), INVALID_FILE_ATTRIBUTES) << kRecorderProgram;
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
        ProgramDir = folder_ + "\\";
        // A clean settings store: the language is the default one, English.
        SetRegistryBackend(&settings_);
        ASSERT_TRUE(recorder_.Registered());
    }
    void TearDown() override {
        FreeLanguage();
        SetRegistryBackend(nullptr);
        CurrentLanguage.clear();
        ProgramDir.clear();
        for (const char* name : {"Lang.English.xml", "Help.English.html"}) DeleteFileA((folder_ + "\\" + name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string folder_ = TempPath("ostrak-links");
    InMemoryRegistry settings_;
    ShellRecorder recorder_{kRecorderProgram, TempPath("ostrak-shell-record") + ".txt"};
};

TEST_F(ShellLinksTest, UpdatePageOpensWithTheBrowserAndSaysRuOnlyForRussian) {
    const std::string site = std::string(MakerSite) + "/ostrak/";
    const std::string query = ".update.php?program_version=1.01&report_version=" + std::string(UpdateToken);
    for (const char* language : {"rUsSiAn", "Ukrainian", "RUSSIAN", "English"}) {
        CurrentLanguage = language;
        OpenUpdatePage();
    }
    const std::vector<std::string> opened = recorder_.WaitForOpened(4);
    ASSERT_EQ(opened.size(), 4u) << Listed(opened);
    // Each start is a process of its own, so the record keeps the order of the calls only
    // when each waits for the one before; the set is what must hold.
    int russian = 0, english = 0;
    for (const std::string& line : opened) {
        russian += Trimmed(line) == "\"" + site + "ru" + query + "\"";
        english += Trimmed(line) == "\"" + site + "en" + query + "\"";
    }
    EXPECT_EQ(russian, 2) << Listed(opened);
    EXPECT_EQ(english, 2) << Listed(opened);
}

TEST_F(ShellLinksTest, HelpOpensTheFileTheLanguageNamesWithItsViewer) {
    WriteText(ProgramDir + "Lang.English.xml",
              "<?xml version=\"1.0\"?>\n<Language><Dialog><HelpFile>Help.English.html</HelpFile></Dialog></Language>");
    WriteText(ProgramDir + "Help.English.html", "<html><body>Help</body></html>");
    LoadLanguage();
    OpenHelp();
    const std::vector<std::string> opened = recorder_.WaitForOpened(1);
    ASSERT_EQ(opened.size(), 1u) << Listed(opened);
    EXPECT_EQ(Trimmed(opened[0]), "\"" + ProgramDir + "Help.English.html\"");
}

TEST_F(ShellLinksTest, WithoutAHelpKeyTheProgramFolderIsOpened) {
    WriteText(ProgramDir + "Lang.English.xml", "<?xml version=\"1.0\"?>\n<Language><Dialog><Ok>OK</Ok></Dialog></Language>");
    LoadLanguage();
    OpenHelp();
    FreeLanguage();
    OpenHelp();  // no language file at all
    const std::vector<std::string> opened = recorder_.WaitForOpened(2);
    ASSERT_EQ(opened.size(), 2u) << Listed(opened);
    for (const std::string& line : opened) EXPECT_EQ(Trimmed(line), "\"" + ProgramDir + "\"");
}

}  // namespace

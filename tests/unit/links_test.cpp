// What the shell is asked to open for the report, the help file and the update page.
#include <gtest/gtest.h>

#include "base/program_paths.h"
#include "links/links.h"
#include "localization/language.h"
#include "tests/unit/test_files.h"

namespace {

class LinksTest : public testing::Test {
protected:
    void SetUp() override { ProgramDir = folder.Path(); }
    void TearDown() override {
        FreeLanguage();
        ProgramDir.clear();
        CurrentLanguage.clear();
    }
    TemporaryFolder folder;
};

TEST_F(LinksTest, ReportGetsTheLogsFileNameTheLanguageTheComputerAndTheSharedFolder) {
    CurrentLanguage = "English";
    const struct {
        const char* shared;
        const char* parameters;
    } cases[] = {
        {"", "user1-Time.xml English /computer:DESKTOP-7"},
        {"D:\\OneDrive\\Ostrak data", "user1-Time.xml English /computer:DESKTOP-7 /shared:\"D:\\OneDrive\\Ostrak data\""},
        // A final backslash would escape the closing quote.
        {"\\\\server\\times\\", "user1-Time.xml English /computer:DESKTOP-7 /shared:\"\\\\server\\times\""},
    };
    for (const auto& each : cases) {
        const ShellTarget report = ReportTarget("user1-Time.xml", "DESKTOP-7", each.shared);
        EXPECT_EQ(report.target, folder.Path() + "Report.hta");
        EXPECT_EQ(report.parameters, each.parameters) << each.shared;
    }
}

TEST_F(LinksTest, UpdatePageAddressIsBuiltFromItsPiecesInOrder) {
    const std::string tail = ".update.php?program_version=1.01&report_version=" + std::string(UpdateToken);
    const std::string base = std::string(MakerSite) + "/ostrak/";
    for (const char* russian : {"Russian", "russian", "RUSSIAN", "rUsSiAn"}) {
        CurrentLanguage = russian;
        EXPECT_EQ(UpdatePageTarget().target, base + "ru" + tail) << russian;
    }
    for (const char* other : {"English", "Ukrainian", "", "Russian2", "Russia"}) {
        CurrentLanguage = other;
        EXPECT_EQ(UpdatePageTarget().target, base + "en" + tail) << other;
    }
    EXPECT_EQ(UpdateToken.size(), 58u);
    for (char c : UpdateToken) EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
    EXPECT_EQ(std::string(MakerSite).rfind("http://", 0), 0u);
}

TEST_F(LinksTest, HelpIsTheLanguagesFileOrElseTheProgramFolder) {
    EXPECT_EQ(HelpTarget().target, folder.Path());  // no language loaded
    WriteFileBytes(folder.Path("Lang.English.xml"),
                   "<Language><Dialog><HelpFile>Help.English.html</HelpFile></Dialog></Language>");
    LoadLanguage();
    EXPECT_EQ(HelpTarget().target, folder.Path() + "Help.English.html");
    EXPECT_EQ(HelpTarget().parameters, "");
}

}  // namespace

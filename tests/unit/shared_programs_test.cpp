// The shared programs list delivered beside the program: loaded as a user without a list of
// their own loads it, it splits the titles of common Windows programs into a clear application
// and document.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/program_paths.h"
#include "tracking/programs_list.h"
#include "tracking/sampler.h"

namespace {

struct SplitCase {
    const char* title;
    const char* app;
    const char* doc;
};

class SharedProgramsTest : public testing::Test {
protected:
    void SetUp() override {
        ProgramDir = std::string(OSTRAK_TEST_DATA) + "/../../delivered/";
        UserName = "a user without a list of their own";
        ProgramList.clear();
        LoadProgramList();
    }
    void TearDown() override {
        ProgramList.clear();
        ProgramDir.clear();
        UserName.clear();
    }

    static void ExpectSplits(const std::vector<SplitCase>& cases) {
        for (const SplitCase& example : cases) {
            const TitleSplit split = SplitTitle(example.title, ProgramList, "");
            EXPECT_EQ(split.app, example.app) << '"' << example.title << '"';
            EXPECT_EQ(split.doc, example.doc) << '"' << example.title << '"';
        }
    }
};

TEST_F(SharedProgramsTest, LoadsAsAListOfPatternsThePagesCanShowAndEachCanWin) {
    ASSERT_GE(ProgramList.size(), 20u);
    std::set<std::string> seen;
    for (std::size_t i = 0; i < ProgramList.size(); ++i) {
        const std::string& pattern = ProgramList[i];
        ASSERT_FALSE(pattern.empty());
        EXPECT_TRUE(seen.insert(pattern).second) << "twice: " << pattern;
        EXPECT_LE(pattern.size(), 254u) << pattern;
        EXPECT_TRUE(pattern.front() != ' ' && pattern.back() != ' ') << '"' << pattern << '"';
        // A pattern found inside a later one would take every title the later one names.
        for (std::size_t later = i + 1; later < ProgramList.size(); ++later)
            EXPECT_EQ(ProgramList[later].find(pattern), std::string::npos)
                << '"' << pattern << "\" comes before \"" << ProgramList[later] << '"';
    }
}

TEST_F(SharedProgramsTest, BrowsersNameThemselvesWhateverThePageIsAbout) {
    ExpectSplits({
        {"Wikipedia, the free encyclopedia - Google Chrome", "Google Chrome", "Wikipedia, the free encyclopedia"},
        {"Inbox (3) - jane@example.com - Gmail - Google Chrome", "Google Chrome", "Inbox (3) - jane@example.com - Gmail"},
        // A page about an office program still belongs to the browser.
        {"Microsoft Word - Wikipedia - Google Chrome", "Google Chrome", "Microsoft Word - Wikipedia"},
        {"Mozilla Firefox", "Mozilla Firefox", ""},
        // Firefox puts an em dash before its name; that is no title separator, so it stays.
        {"Excel functions \x97 Mozilla Firefox", "Mozilla Firefox", "Excel functions \x97"},
        // Edge's zero-width space, as the ANSI title shows it.
        {"New tab - Profile 1 - Microsoft? Edge", "Microsoft? Edge", "New tab - Profile 1"},
        {"Bing - Microsoft Edge", "Microsoft Edge", "Bing"},
        {"Google - Internet Explorer", "Internet Explorer", "Google"},
        {"Speed Dial - Opera", "Opera", "Speed Dial"},
    });
}

TEST_F(SharedProgramsTest, MailAndOfficeProgramsOfEveryVersionGiveTheDocument) {
    ExpectSplits({
        {"Inbox - Mozilla Thunderbird", "Mozilla Thunderbird", "Inbox"},
        {"Inbox - jane@example.com - Outlook", "Outlook", "Inbox - jane@example.com"},
        {"Inbox - Microsoft Outlook", "Microsoft Outlook", "Inbox"},
        {"Report.docx - Word", "Word", "Report.docx"},
        {"Document1 - Microsoft Word", "Microsoft Word", "Document1"},
        {"Budget 2024.xlsx - Excel", "Excel", "Budget 2024.xlsx"},
        {"Microsoft Excel - Book1", "Microsoft Excel", "Book1"},
        {"Quarterly review.pptx - PowerPoint", "PowerPoint", "Quarterly review.pptx"},
        {"Meeting notes - OneNote", "OneNote", "Meeting notes"},
        {"Untitled 1 - LibreOffice Writer", "LibreOffice Writer", "Untitled 1"},
        {"prices.ods - LibreOffice Calc", "LibreOffice Calc", "prices.ods"},
        {"invoice.pdf - Adobe Acrobat Reader (64-bit)", "Adobe Acrobat Reader", "invoice.pdf"},
        {"contract.pdf - Adobe Acrobat Pro DC (64-bit)", "Adobe Acrobat", "contract.pdf"},
    });
}

TEST_F(SharedProgramsTest, EditorsExplorerAndConsolesGiveTheFileOrFolder) {
    ExpectSplits({
        {"main.cpp - ostrak - Visual Studio Code", "Visual Studio Code", "main.cpp - ostrak"},
        {"Ostrak - Microsoft Visual Studio", "Microsoft Visual Studio", "Ostrak"},
        {"C:\\Users\\jane\\todo.txt - Notepad++", "Notepad++", "C:\\Users\\jane\\todo.txt"},
        {"notes.txt - Notepad", "Notepad", "notes.txt"},
        {"app.py - Sublime Text (UNREGISTERED)", "Sublime Text", "app.py"},
        {"letter.rtf - WordPad", "WordPad", "letter.rtf"},
        {"Untitled - Paint", "Paint", "Untitled"},
        {"Downloads - File Explorer", "File Explorer", "Downloads"},
        {"Administrator: Command Prompt", "Command Prompt", "Administrator"},
        {"Windows PowerShell", "Windows PowerShell", ""},
    });
}

TEST_F(SharedProgramsTest, ShortNamesInsideDocumentNamesDoNotClaimTheTitle) {
    ExpectSplits({
        {"Word list.txt - Notepad", "Notepad", "Word list.txt"},
        // Word, the commonest word of them, comes last among the short names.
        {"Word count.xlsx - Excel", "Excel", "Word count.xlsx"},
        {"Outlook rules - OneNote", "OneNote", "Outlook rules"},
        {"Paint colours.pptx - PowerPoint", "PowerPoint", "Paint colours.pptx"},
        // Nothing known: the whole title is the application.
        {"Calculator", "Calculator", ""},
    });
}

}  // namespace

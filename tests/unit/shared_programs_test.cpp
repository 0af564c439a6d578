// The shared programs list delivered beside the program: loaded as a user without a list of
// their own loads it, it splits the titles of common Windows programs into a clear application
// and document.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/program_paths.h"
#include "tests/unit/test_files.h"
#include "tracking/private_list.h"
#include "tracking/programs_list.h"
#include "tracking/sampler.h"

namespace {

struct SplitCase {
    std::string title;
    std::string app;
    std::string doc;
};

class SharedProgramsTest : public testing::Test {
protected:
    void SetUp() override {
        ProgramDir = std::string(OSTRAK_TEST_DATA) + "/../../delivered/";
        UserName = "a user without a list of their own";
        LoadSharedList();
    }
    static void LoadSharedList() {
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
            const TitleSplit split = SplitWindowTitle(example.title, ProgramList, "");
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

// Titles as today's programs write them, under UTF-8 (the program's code page), each with the
// application and document a person would write down.
TEST_F(SharedProgramsTest, RealTitlesSplitAsAPersonReadsThem) {
    NarrowCodePageScope utf8(kCodePageUtf8);
    LoadSharedList();
    const std::string em = "\xE2\x80\x94", en = "\xE2\x80\x93", circle = "\xE2\x97\x8F";
    // Edge writes a zero-width space after "Microsoft"; the log keeps its name as written.
    const std::string edge = "Microsoft\xE2\x80\x8B Edge";
    const std::string order = "\xD0\x97\xD0\xB0\xD0\xBA\xD0\xB0\xD0\xB7";                      // "Заказ", ends in D0 B7
    const std::string news = "\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8";       // "Новости"
    const std::string report = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.docx";               // "Отчёт.docx"
    const std::string notes = "\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8.txt";  // "Заметки.txt"
    // Windows in Russian: Notepad, the Explorer and the console under their Russian names.
    const std::string notepadRu = "\xD0\x91\xD0\xBB\xD0\xBE\xD0\xBA\xD0\xBD\xD0\xBE\xD1\x82";    // "Блокнот"
    const std::string untitled = "\xD0\x91\xD0\xB5\xD0\xB7\xD1\x8B\xD0\xBC\xD1\x8F\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB9";     // "Безымянный"
    const std::string explorerRu = "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB2\xD0\xBE\xD0\xB4\xD0\xBD\xD0\xB8\xD0\xBA";   // "Проводник"
    const std::string downloads = "\xD0\x97\xD0\xB0\xD0\xB3\xD1\x80\xD1\x83\xD0\xB7\xD0\xBA\xD0\xB8";    // "Загрузки"
    const std::string consoleRu = "\xD0\x9A\xD0\xBE\xD0\xBC\xD0\xB0\xD0\xBD\xD0\xB4\xD0\xBD\xD0\xB0\xD1\x8F \xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xBA\xD0\xB0";    // "Командная строка"
    const std::string elevatedRu = "\xD0\x90\xD0\xB4\xD0\xBC\xD0\xB8\xD0\xBD\xD0\xB8\xD1\x81\xD1\x82\xD1\x80\xD0\xB0\xD1\x82\xD0\xBE\xD1\x80: ";   // "Администратор: "
    ExpectSplits({
        // Browsers, with several profiles; a page about a program is still the browser's.
        {"Wikipedia, the free encyclopedia - Google Chrome", "Google Chrome", "Wikipedia, the free encyclopedia"},
        {"Inbox (3) - jane@example.com - Gmail - Google Chrome", "Google Chrome", "Inbox (3) - jane@example.com - Gmail"},
        {"Microsoft Word - Wikipedia - Google Chrome", "Google Chrome", "Microsoft Word - Wikipedia"},
        {"(2) YouTube - Google Chrome", "Google Chrome", "YouTube"},
        {order + " - Google Chrome", "Google Chrome", order},
        {"New tab - Personal - " + edge, edge, "New tab - Personal"},
        {"Bing and 4 more pages - Work - " + edge, edge, "Bing and 4 more pages - Work"},
        {"Outlook - [InPrivate] - " + edge, edge, "Outlook - [InPrivate]"},
        {"Bing - Microsoft Edge", "Microsoft Edge", "Bing"},
        {"MDN Web Docs " + em + " Mozilla Firefox", "Mozilla Firefox", "MDN Web Docs"},
        {"Excel functions " + em + " Mozilla Firefox Private Browsing", "Mozilla Firefox", "Excel functions"},
        {news + " " + em + " Mozilla Firefox", "Mozilla Firefox", news},
        {"Mozilla Firefox", "Mozilla Firefox", ""},
        {"Debugger " + em + " Firefox Developer Edition", "Firefox Developer Edition", "Debugger"},
        {"Google - Internet Explorer", "Internet Explorer", "Google"},
        {"Speed Dial - Opera", "Opera", "Speed Dial"},
        {"New Tab - Brave", "Brave", "New Tab"},
        {"Start Page - Vivaldi", "Vivaldi", "Start Page"},
        // Chats and meetings: each chat is a document of its program.
        {"Chat | Jane Roe | Microsoft Teams", "Microsoft Teams", "Chat | Jane Roe"},
        {"Activity | Microsoft Teams", "Microsoft Teams", "Activity"},
        {"Weekly sync | Microsoft Teams", "Microsoft Teams", "Weekly sync"},
        {"Slack | general | Acme", "Slack", "general | Acme"},
        {"Slack | Jane Roe | Acme", "Slack", "Jane Roe | Acme"},
        {"Zoom Meeting", "Zoom Meeting", ""},
        {"Zoom Workplace", "Zoom Workplace", ""},
        {"#general | Acme Guild - Discord", "Discord", "#general | Acme Guild"},
        {"Discord", "Discord", ""},
        {"Telegram", "Telegram", ""},
        {"Telegram (5)", "Telegram", ""},
        {"WhatsApp", "WhatsApp", ""},
        {"(3) WhatsApp", "WhatsApp", ""},
        {"Spotify", "Spotify", ""},
        // Paused, Spotify names its plan, which stays as the document.
        {"Spotify Premium", "Spotify", "Premium"},
        // Mail, office programs and PDF readers, with the bitness after the name.
        {"Inbox - Mozilla Thunderbird", "Mozilla Thunderbird", "Inbox"},
        {"Mail - Jane Roe - Outlook", "Outlook", "Mail - Jane Roe"},
        {"Inbox - Microsoft Outlook", "Microsoft Outlook", "Inbox"},
        {"Report.docx - Word", "Word", "Report.docx"},
        {report + " - Word", "Word", report},
        {"Document1 - Microsoft Word", "Microsoft Word", "Document1"},
        {"Budget 2024.xlsx - Excel", "Excel", "Budget 2024.xlsx"},
        {"Word count.xlsx - Excel", "Excel", "Word count.xlsx"},
        {"Microsoft Excel - Book1", "Microsoft Excel", "Book1"},
        {"Quarterly review.pptx - PowerPoint", "PowerPoint", "Quarterly review.pptx"},
        {"Paint colours.pptx - PowerPoint", "PowerPoint", "Paint colours.pptx"},
        {"Outlook rules - OneNote", "OneNote", "Outlook rules"},
        {"Untitled 1 - LibreOffice Writer", "LibreOffice Writer", "Untitled 1"},
        {"prices.ods - LibreOffice Calc", "LibreOffice Calc", "prices.ods"},
        {"invoice.pdf - Adobe Acrobat Reader (64-bit)", "Adobe Acrobat Reader", "invoice.pdf"},
        {"contract.pdf - Adobe Acrobat Pro (64-bit)", "Adobe Acrobat", "contract.pdf"},
        {"manual.pdf - SumatraPDF", "SumatraPDF", "manual.pdf"},
        // Editors, with and without unsaved changes.
        {"main.cpp - ostrak - Visual Studio Code", "Visual Studio Code", "main.cpp - ostrak"},
        {circle + " main.cpp - ostrak - Visual Studio Code", "Visual Studio Code", "main.cpp - ostrak"},
        {"Ostrak - Microsoft Visual Studio", "Microsoft Visual Studio", "Ostrak"},
        {"Ostrak (Debugging) - Microsoft Visual Studio (Administrator)", "Microsoft Visual Studio", "Ostrak (Debugging)"},
        {"notes.txt - Notepad", "Notepad", "notes.txt"},
        {"*notes.txt - Notepad", "Notepad", "notes.txt"},
        {"*" + notes + " - Notepad", "Notepad", notes},
        {"Word list.txt - Notepad", "Notepad", "Word list.txt"},
        {"*C:\\Users\\jane\\todo.txt - Notepad++", "Notepad++", "C:\\Users\\jane\\todo.txt"},
        {"app.py - Sublime Text (UNREGISTERED)", "Sublime Text", "app.py"},
        {"letter.rtf - WordPad", "WordPad", "letter.rtf"},
        {"Meeting notes - Work - Obsidian v1.5.12", "Obsidian", "Meeting notes - Work"},
        {"Landing page " + en + " Figma", "Figma", "Landing page"},
        {"Untitled - Paint", "Paint", "Untitled"},
        {"photo.png - Paint", "Paint", "photo.png"},
        {"IMG_0042.jpg - Photos", "Photos", "IMG_0042.jpg"},
        // The Explorer and the consoles, elevated or not.
        {"Downloads - File Explorer", "File Explorer", "Downloads"},
        {"Command Prompt", "Command Prompt", ""},
        {"Administrator: Command Prompt", "Command Prompt", ""},
        {"Command Prompt - ping example.com", "Command Prompt", "ping example.com"},
        {"Administrator: Windows PowerShell", "Windows PowerShell", ""},
        {"Windows PowerShell", "Windows PowerShell", ""},
        {untitled + " " + em + " " + notepadRu, notepadRu, untitled},
        {downloads + " - " + explorerRu, explorerRu, downloads},
        {elevatedRu + consoleRu, consoleRu, ""},
        // Programs whose title is their name alone need no pattern.
        {"Settings", "Settings", ""},
        {"Calculator", "Calculator", ""},
    });
}

// Before the manifest's UTF-8 (Windows before 1903) the list and the titles are in the ANSI
// code page: Edge's zero-width space shows as a question mark in both, and the dashes are bytes.
TEST_F(SharedProgramsTest, UnderALegacyCodePageTheSameProgramsAreFound) {
    NarrowCodePageScope cp1251(1251);
    LoadSharedList();
    ExpectSplits({
        {"New tab - Personal - Microsoft? Edge", "Microsoft? Edge", "New tab - Personal"},
        {"Excel functions \x97 Mozilla Firefox", "Mozilla Firefox", "Excel functions"},
        {"\xC7\xE0\xEA\xE0\xE7 - Google Chrome", "Google Chrome", "\xC7\xE0\xEA\xE0\xE7"},
        {"\x95 notes.txt - Notepad", "Notepad", "notes.txt"},
        {"Administrator: Command Prompt", "Command Prompt", ""},
    });
}

// The shared private patterns name the private windows of the browsers whose titles say so,
// and no ordinary window of theirs.
TEST_F(SharedProgramsTest, ThePrivatePatternsTakePrivateBrowserWindowsOnly) {
    NarrowCodePageScope utf8(kCodePageUtf8);
    LoadPrivateList();
    ASSERT_FALSE(PrivateListFailsClosed());
    const std::string em = "\xE2\x80\x94", edge = "Microsoft\xE2\x80\x8B Edge";
    auto isPrivate = [](const std::string& title) {
        for (const std::string& pattern : PrivateList)
            if (title.find(pattern) != std::string::npos) return true;
        return false;
    };
    const std::vector<std::string> privateTitles = {
        "Outlook - [InPrivate] - " + edge, "New InPrivate tab - [InPrivate] - " + edge,
        "Bank " + em + " Mozilla Firefox Private Browsing", "Mozilla Firefox Private Browsing",
        "Debugger " + em + " Firefox Developer Edition Private Browsing"};
    const std::vector<std::string> ordinaryTitles = {
        "New tab - Personal - " + edge, "InPrivate browsing - Microsoft Support - " + edge,
        "Private Browsing " + em + " Mozilla Firefox", "Firefox Private Browsing - Google Chrome",
        "Private Browsing - Mozilla Firefox Help - Google Chrome"};
    for (const std::string& title : privateTitles) EXPECT_TRUE(isPrivate(title)) << title;
    for (const std::string& title : ordinaryTitles) EXPECT_FALSE(isPrivate(title)) << title;
    PrivateList.clear();
}

}  // namespace

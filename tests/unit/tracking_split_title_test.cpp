#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/test_files.h"
#include "tracking/sampler.h"

namespace {

struct SplitCase {
    std::string title;
    std::string app;
    std::string doc;
};

void ExpectSplits(const std::vector<std::string>& patterns, const std::vector<SplitCase>& cases) {
    for (const SplitCase& example : cases) {
        const TitleSplit split = SplitTitle(example.title, patterns, "Inactive");
        EXPECT_EQ(split.app, example.app) << '"' << example.title << '"';
        EXPECT_EQ(split.doc, example.doc) << '"' << example.title << '"';
    }
}

const std::vector<std::string> kEditorAndStudio = {"Editor", "Studio"};

TEST(SplitTitleTest, FirstPatternInListOrderNamesTheApplication) {
    ExpectSplits(kEditorAndStudio, {
        {"notes.txt - Editor", "Editor", "notes.txt"},
        {"Editor - notes.txt", "Editor", "notes.txt"},
        {"Studio: main.cpp", "Studio", "main.cpp"},
        {"main.cpp - Studio", "Studio", "main.cpp"},
        {"Studio Editor", "Editor", "Studio"},
        {"notes.txt - Editor - extra", "Editor", "notes.txt"},
        {"a Editor b Editor c", "Editor", "a"},
        {"editor help", "editor help", ""},
        {"Editor", "Editor", ""},
        {"", "Inactive", ""},
    });
}

TEST(SplitTitleTest, SeparatorsAreTrimmedOnlyAtTheCut) {
    ExpectSplits(kEditorAndStudio, {
        {"Editor :-<> notes", "Editor", "notes"},
        {"notes -:<>  Editor", "Editor", "notes"},
        {"Editor | notes", "Editor", "notes"},
        {"Chat | Jane | Editor", "Editor", "Chat | Jane"},
        {"Editor ; notes", "Editor", "; notes"},
        {"Editor\t- notes", "Editor", "\t- notes"},
        {"Editor - notes - ", "Editor", "notes - "},
        {" - notes - Editor", "Editor", " - notes"},
        {"Editor - - -", "Editor", ""},
        {"Editor.exe", "Editor", ".exe"},
    });
}

// The dashes and the middle dot are one character each whatever the code page, and are trimmed
// only as that character: under UTF-8 their legacy bytes end other letters ("\xD0\x96\xD0\x97\xD0\xB7").
TEST(SplitTitleTest, DashesAndTheMiddleDotAreTrimmedAsWholeCharactersOfTheCodePage) {
    const std::string em = "\xE2\x80\x94", en = "\xE2\x80\x93", dot = "\xC2\xB7";
    const std::string zheZeZe = "\xD0\x96\xD0\x97\xD0\xB7";  // their last bytes are 0x96, 0x97, 0xB7
    {
        NarrowCodePageScope utf8(kCodePageUtf8);
        ExpectSplits(kEditorAndStudio, {
            {"MDN Web Docs " + em + " Editor", "Editor", "MDN Web Docs"},
            {"Landing page " + en + " Editor", "Editor", "Landing page"},
            {"Editor " + dot + " notes", "Editor", "notes"},
            {"Editor" + em + en + dot + "|notes", "Editor", "notes"},
            {zheZeZe + " - Editor", "Editor", zheZeZe},
            {zheZeZe + "Editor", "Editor", zheZeZe},
            {"notes \x97 Editor", "Editor", "notes \x97"},
        });
    }
    NarrowCodePageScope cp1251(1251);
    ExpectSplits(kEditorAndStudio, {
        {"Excel functions \x97 Editor", "Editor", "Excel functions"},
        {"Landing page \x96 Editor", "Editor", "Landing page"},
        {"Editor \xB7 notes", "Editor", "notes"},
        {"\xC6\xC7\xE7 Editor", "Editor", "\xC6\xC7\xE7"},  // the same three letters in 1251
        // The UTF-8 bytes of an em dash are three letters here, none a separator.
        {"notes " + em + " Editor", "Editor", "notes " + em},
    });
}

TEST(SplitTitleTest, EmptyListsPatternsAndOverlapsFollowTheListAsGiven) {
    ExpectSplits({}, {{"notes.txt - Editor", "notes.txt - Editor", ""}});
    ExpectSplits({"", "Visual", "Visual Studio", "Visual"},
                 {{"main.cpp - Visual Studio", "Visual", "main.cpp"}, {"plain", "plain", ""}});
}

TEST(SplitTitleTest, NonAsciiBytesAreMatchedByteForByte) {
    const std::string notepad = "\xC1\xEB\xEE\xEA\xED\xEE\xF2";  // "Блокнот" in Windows-1251
    const std::string notes = "\xC7\xE0\xEF\xE8\xF1\xEA\xE8";
    ExpectSplits({notepad}, {
        {notes + " - " + notepad, notepad, notes},
        {"\xE1\xEB\xEE\xEA\xED\xEE\xF2", "\xE1\xEB\xEE\xEA\xED\xEE\xF2", ""},  // lower-case first letter
    });
}

TEST(SplitTitleTest, LongPatternsAndDocumentsAreCutTo254Characters) {
    const std::string pattern(260, 'P');
    ExpectSplits({pattern}, {{pattern + " - doc", std::string(254, 'P'), "doc"}});
    ExpectSplits({"Editor"}, {{"Editor" + std::string(300, 'd'), "Editor", std::string(254, 'd')}});
    ExpectSplits({}, {{std::string(300, 't'), std::string(255, 't'), ""}});
}

// What the sampler records: marks and prefixes that are not part of the name go, the rest of
// the title splits as above.
TEST(SplitWindowTitleTest, UnsavedMarksUnreadCountsAndTheElevatedPrefixAreLeftOut) {
    const std::string circle = "\xE2\x97\x8F", bullet = "\xE2\x80\xA2";
    const std::vector<std::string> patterns = {"Command Prompt", "Editor"};
    const std::vector<SplitCase> cases = {
        {"*notes.txt - Editor", "Editor", "notes.txt"},
        {"* notes.txt - Editor", "Editor", "notes.txt"},
        {"notes.txt* - Editor", "Editor", "notes.txt"},
        {"Editor - *notes.txt", "Editor", "notes.txt"},
        {"(3) Inbox - Editor", "Editor", "Inbox"},
        {"Editor (12)", "Editor", ""},
        // Only one mark goes, and a year is no count.
        {"**notes - Editor", "Editor", "*notes"},
        {"(2024) Plan - Editor", "Editor", "(2024) Plan"},
        {"(3)Inbox - Editor", "Editor", "(3)Inbox"},
        {"Administrator: Command Prompt", "Command Prompt", ""},
        {"Administrator: Command Prompt - ping host", "Command Prompt", "ping host"},
        {"Administrator: Ubuntu", "Ubuntu", ""},
        {"Administrator: ", "Administrator: ", ""},
        {"Notes of the Administrator: Editor", "Editor", "Notes of the Administrator"},
        // Without a pattern the whole title is the application, marks and all.
        {"*notes.txt - Unknown", "*notes.txt - Unknown", ""},
        {"\"Quoted\"\tname - Editor", "Editor", "'Quoted' name"},
        {"", "Inactive", ""},
    };
    for (int codePage : {kCodePageUtf8, 1251}) {
        NarrowCodePageScope scope(codePage);
        std::vector<SplitCase> all = cases;
        if (codePage == kCodePageUtf8) {
            all.push_back({circle + " main.cpp - Editor", "Editor", "main.cpp"});
            all.push_back({bullet + "main.cpp - Editor", "Editor", "main.cpp"});
            // "Администратор: " before a console that no pattern names.
            all.push_back({"\xD0\x90\xD0\xB4\xD0\xBC\xD0\xB8\xD0\xBD\xD0\xB8\xD1\x81\xD1\x82\xD1\x80\xD0\xB0\xD1\x82\xD0\xBE\xD1\x80: cmd",
                           "cmd", ""});
        } else {
            all.push_back({"\x95 main.cpp - Editor", "Editor", "main.cpp"});
            all.push_back({"\xC0\xE4\xEC\xE8\xED\xE8\xF1\xF2\xF0\xE0\xF2\xEE\xF0: cmd", "cmd", ""});
        }
        for (const SplitCase& example : all) {
            const TitleSplit split = SplitWindowTitle(example.title, patterns, "Inactive");
            EXPECT_EQ(split.app, example.app) << codePage << " \"" << example.title << '"';
            EXPECT_EQ(split.doc, example.doc) << codePage << " \"" << example.title << '"';
        }
    }
}

}  // namespace

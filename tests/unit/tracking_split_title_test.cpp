#include "tests/unit/tracking_fakes.h"

namespace {

struct SplitCase {
    const char* title;
    const char* app;
    const char* doc;
};

class SplitTitleTest : public TrackingTest {
protected:
    void SetUp() override {
        TrackingTest::SetUp();
        ProgramList = {"Editor", "Studio"};
    }
    void ExpectSplits(const std::vector<SplitCase>& cases) {
        for (const SplitCase& example : cases) {
            CurrentApp = CurrentDoc = "stale";
            SplitTitle(example.title);
            EXPECT_EQ(CurrentApp, example.app) << '"' << example.title << '"';
            EXPECT_EQ(CurrentDoc, example.doc) << '"' << example.title << '"';
        }
    }
};

TEST_F(SplitTitleTest, FirstPatternInListOrderNamesTheApplication) {
    ExpectSplits({
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

TEST_F(SplitTitleTest, OnlyTheFiveSeparatorsAreTrimmedAndOnlyAtTheCut) {
    ExpectSplits({
        {"Editor :-<> notes", "Editor", "notes"},
        {"notes -:<>  Editor", "Editor", "notes"},
        {"Editor | notes", "Editor", "| notes"},
        {"Editor\t- notes", "Editor", "\t- notes"},
        {"Editor - notes - ", "Editor", "notes - "},
        {" - notes - Editor", "Editor", " - notes"},
        {"Editor - - -", "Editor", ""},
        {"Editor.exe", "Editor", ".exe"},
    });
}

TEST_F(SplitTitleTest, EmptyListsPatternsAndOverlapsFollowTheListAsGiven) {
    ProgramList.clear();
    ExpectSplits({{"notes.txt - Editor", "notes.txt - Editor", ""}});
    ProgramList = {"", "Visual", "Visual Studio", "Visual"};
    ExpectSplits({{"main.cpp - Visual Studio", "Visual", "main.cpp"}, {"plain", "plain", ""}});
}

TEST_F(SplitTitleTest, NonAsciiBytesAreMatchedByteForByte) {
    const std::string notepad = "\xC1\xEB\xEE\xEA\xED\xEE\xF2";  // "Блокнот" in Windows-1251
    const std::string notes = "\xC7\xE0\xEF\xE8\xF1\xEA\xE8";
    ProgramList = {notepad};
    SplitTitle(notes + " - " + notepad);
    EXPECT_EQ(CurrentApp, notepad);
    EXPECT_EQ(CurrentDoc, notes);
    SplitTitle("\xE1\xEB\xEE\xEA\xED\xEE\xF2");  // lower-case first letter
    EXPECT_EQ(CurrentApp, "\xE1\xEB\xEE\xEA\xED\xEE\xF2");
}

TEST_F(SplitTitleTest, LongPatternsAndDocumentsAreCutTo254Characters) {
    std::string pattern(260, 'P');
    ProgramList = {pattern};
    SplitTitle(pattern + " - doc");
    EXPECT_EQ(CurrentApp, std::string(254, 'P'));
    EXPECT_EQ(CurrentDoc, "doc");

    ProgramList = {"Editor"};
    SplitTitle("Editor" + std::string(300, 'd'));
    EXPECT_EQ(CurrentDoc, std::string(254, 'd'));

    ProgramList.clear();
    SplitTitle(std::string(300, 't'));
    EXPECT_EQ(CurrentApp, std::string(255, 't'));
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(SplitTitleTest, OnlyTheFiveSeparatorsAreTrimmedAndOnlyAtTheCut) {
    ExpectSplits(kEditorAndStudio, {
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

}  // namespace

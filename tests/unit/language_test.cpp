// The language: lookup of a text by its key, loading the file the settings name, and the two
// language files delivered with the program.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/program_paths.h"
#include "localization/language.h"
#include "settings/in_memory_registry.h"
#include "settings/settings.h"
#include "tests/unit/test_files.h"
#include "base/code_page.h"

namespace {

// Narrow text is in code page 1251 natively; the test sources are UTF-8.
std::string Cyrillic(const char* utf8) {
    return EncodeFromUtf8(1251, utf8);
}

class TranslateTest : public ::testing::Test {
protected:
    void TearDown() override { FreeLanguage(); }

    static void UseDocument(const std::string& bytes) {
        LanguageDocument = CreateXmlDocument();
        ASSERT_TRUE(LanguageDocument->LoadXml(bytes)) << bytes;
    }
};

TEST_F(TranslateTest, WithoutADocumentEveryKeyIsEmpty) {
    FreeLanguage();
    EXPECT_EQ(Translate("Dialog/Ok"), "");
    EXPECT_EQ(Translate("WhereShort1"), "");
}

TEST_F(TranslateTest, ASectionKeyFindsItsItemUnderThatSectionAtAnyDepth) {
    UseDocument("<Lang><Outer><Inner><Dialog><Ok>OK</Ok></Dialog></Inner></Outer>"
                "<Menu><Exit>Exit</Exit></Menu></Lang>");
    EXPECT_EQ(Translate("Dialog/Ok"), "OK");
    EXPECT_EQ(Translate("Menu/Exit"), "Exit");
    // The item under another section, or the section alone, is not the key.
    EXPECT_EQ(Translate("Menu/Ok"), "");
    EXPECT_EQ(Translate("Inner/Ok"), "");
    // Names compare with their letter case.
    EXPECT_EQ(Translate("dialog/ok"), "");
}

TEST_F(TranslateTest, TheFirstMatchInDocumentOrderWinsEvenWhenItLiesDeeper) {
    UseDocument("<Lang><Deep><Dialog><Ok>first</Ok><Ok>second</Ok></Dialog></Deep>"
                "<Dialog><Ok>third</Ok></Dialog></Lang>");
    EXPECT_EQ(Translate("Dialog/Ok"), "first");
}

TEST_F(TranslateTest, AKeyWithoutSectionFindsItsElementAnywhere) {
    UseDocument("<Lang><Dialog><WhereShort2>doc</WhereShort2></Dialog>"
                "<A><B><C><WhereShort1>app</WhereShort1></C></B></A><WhereShort1>later</WhereShort1></Lang>");
    EXPECT_EQ(Translate("WhereShort1"), "app");
    EXPECT_EQ(Translate("WhereShort2"), "doc");
}

TEST_F(TranslateTest, TheTextIsTheFirstChildsValueOrNothing) {
    UseDocument("<Lang><Dialog>"
                "<Empty/><Open></Open><Blank>   </Blank>"
                "<Markup><b>bold</b> after</Markup>"
                "<Spaced>Version </Spaced>"
                "<Escaped>Save &amp; exit</Escaped>"
                "</Dialog></Lang>");
    EXPECT_EQ(Translate("Dialog/Empty"), "");
    EXPECT_EQ(Translate("Dialog/Open"), "");
    EXPECT_EQ(Translate("Dialog/Blank"), "");
    EXPECT_EQ(Translate("Dialog/Markup"), "");
    // A separator at the edge belongs to the text: the version is appended to it.
    EXPECT_EQ(Translate("Dialog/Spaced"), "Version ");
    EXPECT_EQ(Translate("Dialog/Escaped"), "Save & exit");
}

TEST_F(TranslateTest, TextsThatAreNotKeysFindNothing) {
    UseDocument("<Lang><Save>x</Save><as>y</as><http>z</http><host><path>w</path></host>"
                "<Dialog><Ok>OK</Ok></Dialog></Lang>");
    for (const char* text : {"", "Save as", "1.01", "http://host/path", "/Dialog/Ok", "Dialog/", "Dialog//Ok",
                             "Dialog/Ok/", "Dialog Ok", "Dialog/Ok[", "Dialog/Ok]", "Dialog/Ok and Ok", "(Ok)",
                             "Ok\"", "*", "..", "@Ok"}) {
        EXPECT_EQ(Translate(text), "") << text;
    }
    EXPECT_EQ(Translate("Dialog/Ok"), "OK");
}

TEST_F(TranslateTest, TextsComeBackInTheAnsiCodePage) {
    UseDocument("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Lang><Dialog><Cancel>\xD0\x9E\xD1\x82\xD0\xBC\xD0\xB5"
                "\xD0\xBD\xD0\xB0</Cancel></Dialog></Lang>");
    EXPECT_EQ(Translate("Dialog/Cancel"), Cyrillic("Отмена"));
}

// Files in a fresh program folder, the language named in an in-memory registry.
class LoadLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetRegistryBackend(&registry_);
        ProgramDir = folder_.Path();
        CurrentLanguage.clear();
    }
    void TearDown() override {
        FreeLanguage();
        CurrentLanguage.clear();
        ProgramDir.clear();
        SetRegistryBackend(nullptr);
    }

    void WriteLanguage(const std::string& name, const std::string& bytes) {
        WriteFileBytes(folder_.Path("Lang." + name + ".xml"), bytes);
    }

    static std::string WithInactive(const std::string& text) {
        return "<Lang><Common><Inactive>" + text + "</Inactive></Common><Dialog><Ok>OK</Ok></Dialog></Lang>";
    }

    InMemoryRegistry registry_;
    TemporaryFolder folder_;
};

TEST_F(LoadLanguageTest, WithNothingStoredEnglishIsLoadedAndStored) {
    WriteLanguage("English", WithInactive("Idle"));
    LoadLanguage();
    EXPECT_EQ(CurrentLanguage, "English");
    EXPECT_EQ(Translate("Common/Inactive"), "Idle");
    EXPECT_EQ(ReadSettingText("Options", "Lang", "none"), "English");
}

TEST_F(LoadLanguageTest, TheStoredLanguageIsReadFromTheProgramFolder) {
    WriteLanguage("English", WithInactive("Idle"));
    WriteLanguage("Russian", WithInactive("\xD0\x91\xD0\xB5\xD0\xB7\xD0\xB4\xD0\xB5\xD0\xB9\xD1\x81\xD1\x82\xD0\xB2"
                                          "\xD0\xB8\xD0\xB5"));
    WriteSettingText("Options", "Lang", "Russian");
    LoadLanguage();
    EXPECT_EQ(CurrentLanguage, "Russian");
    EXPECT_EQ(Translate("Common/Inactive"), Cyrillic("Бездействие"));
}

TEST_F(LoadLanguageTest, AMissingOrBrokenFileLeavesEveryTextEmpty) {
    WriteLanguage("English", WithInactive("Idle"));
    LoadLanguage();
    ASSERT_EQ(Translate("Common/Inactive"), "Idle");

    WriteSettingText("Options", "Lang", "Klingon");
    LoadLanguage();
    EXPECT_NE(LanguageDocument, nullptr);
    EXPECT_EQ(CurrentLanguage, "Klingon") << "the stored name, whether or not its file exists";
    EXPECT_EQ(Translate("Dialog/Ok"), "");

    WriteLanguage("Broken", "<Lang><Common><Inactive>Idle</Inactive></Common>");
    WriteSettingText("Options", "Lang", "Broken");
    LoadLanguage();
    EXPECT_EQ(Translate("Common/Inactive"), "");
}

TEST_F(LoadLanguageTest, FreeLanguageDropsTheDocumentAndKeepsTheLanguageName) {
    WriteLanguage("English", WithInactive("Idle"));
    LoadLanguage();
    FreeLanguage();
    EXPECT_EQ(LanguageDocument, nullptr);
    EXPECT_EQ(Translate("Dialog/Ok"), "");
    EXPECT_EQ(CurrentLanguage, "English");
}

// Every key the program looks up, in one list for both delivered files.
const char* const AllKeys[] = {
    "Common/Inactive",       "Common/Options",         "Dialog/Ok",               "Dialog/Cancel",
    "Dialog/Add",            "Dialog/Del",             "Dialog/Up",               "Dialog/Down",
    "Dialog/General",        "Dialog/Applications",    "Dialog/Projects",         "Dialog/Help",
    "Dialog/HelpFile",       "Menu/Report",            "Menu/Exit",               "Page1/Lang",
    "Page1/Startup",         "Page1/Hint1",            "Page1/Hint2",             "Page1/Away",
    "Page1/AwayNever",       "Page1/AwayMinutes",      "Page1/Timeline",          "Page2/Hint1",
    "Page3/Hint1",           "Page3/Hint2",            "PopupFilter/Hint1",       "PopupFilter/Hint2",
    "PopupFilter/Hint3",     "PopupFilter/WhereLong1", "PopupFilter/WhereLong2",  "PopupFilter/CaptionAdd",
    "PopupFilter/CaptionEdit", "PopupProgram/Hint1",   "PopupProgram/Link1",      "PopupProgram/CaptionAdd",
    "PopupProgram/CaptionEdit", "PopupProject/Hint1",  "PopupProject/CaptionAdd", "PopupProject/CaptionEdit",
    "WhereShort1",           "WhereShort2",            "Common/SaveFailed",       "Common/NoWriteAccess",
    "Common/DiskFull",       "Common/FileInUse",       "Common/WriteFailed",      "Tray/AwayOffer",
    "Tray/AwayOfferNoDocument", "Page1/MediaPresence", "Tray/NotRecording",    "Tray/OtherWriter",
    "Tray/SideFileWaiting",  "Tray/TimelineNotSaved",  "Common/OtherSession",     "Tray/PatternsOffer",
    // The tray menu's privacy controls.
    "Menu/Pause", "Menu/Pause15Minutes", "Menu/Pause1Hour", "Menu/PauseUntilResumed", "Menu/Resume",
    "Menu/Forget", "Menu/Forget5Minutes", "Menu/Forget1Hour", "Menu/ForgetToday", "Menu/CountAbsence",
    // Forget and the last absence: their confirmations and outcomes.
    "Tray/ForgetMinutes", "Tray/ForgetHour", "Tray/ForgetToday", "Tray/NothingToForget", "Tray/CountAbsence",
    "Tray/CountAbsenceNoDocument", "Tray/NoAbsence", "Tray/TakeBackNotNow", "Tray/TakeBackFailed",
    "Tray/TakeBackTimelineLater",
    // The Privacy page and its pattern editor.
    "Dialog/Privacy", "Page4/Hint1", "Page4/RecordDocuments", "Page4/Never", "PopupPrivate/Hint1",
    "PopupPrivate/CaptionAdd", "PopupPrivate/CaptionEdit",
    // Private windows.
    "Common/Private", "Tray/PrivateListHeld", "Tray/PrivateListDamaged",
    // The tip while paused.
    "Tray/PausedUntil", "Tray/PausedUntilResumed",
    "Tray/SharedCopyKept", "Tray/SharedFolderMissing", "Tray/SharedCopyNotWritten", "Page1/SharedFolder",
    "Page1/Browse", "Page1/SharedOff", "Page1/BrowseTitle",
};

std::string DeliveredFile(const std::string& name) {
    return std::string(OSTRAK_TEST_DATA) + "/../../delivered/" + name;
}

// The keys a file holds: every element that holds text, named by its parent and itself, or
// by itself alone when that is one of the keys without a section. The Report section holds
// the report application's own texts, which its own tests check.
std::set<std::string> KeysHeld(const XmlDocument& document, const std::set<std::string>& known) {
    std::set<std::string> keys;
    // Each element waiting to be read, with its parent's name.
    std::vector<std::pair<XmlNode, std::string>> pending{{document.DocumentElement(), ""}};
    while (!pending.empty()) {
        const auto [element, parentName] = pending.back();
        pending.pop_back();
        for (XmlNode child = element.FirstChild(); child; child = child.NextSibling()) {
            const bool reportSection = element == document.DocumentElement() && child.Name() == "Report";
            if (child.Kind() == XmlNodeKind::Element && !reportSection) pending.push_back({child, element.Name()});
            if (child.Kind() != XmlNodeKind::Text) continue;
            const std::string name = element.Name();
            keys.insert(known.count(name) ? name : parentName + "/" + name);
        }
    }
    return keys;
}

class DeliveredLanguageTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { SetRegistryBackend(&registry_); }
    void TearDown() override {
        FreeLanguage();
        CurrentLanguage.clear();
        ProgramDir.clear();
        SetRegistryBackend(nullptr);
    }

    InMemoryRegistry registry_;
};

TEST_P(DeliveredLanguageTest, HoldsEveryKeyWithATextAndNothingElse) {
    LanguageDocument = CreateXmlDocument();
    ASSERT_TRUE(LanguageDocument->Load(DeliveredFile(std::string("Lang.") + GetParam() + ".xml")));
    for (const char* key : AllKeys) EXPECT_NE(Translate(key), "") << key;
    const std::set<std::string> expected(std::begin(AllKeys), std::end(AllKeys));
    EXPECT_EQ(expected.size(), 95u);
    EXPECT_EQ(KeysHeld(*LanguageDocument, expected), expected);
}

TEST_P(DeliveredLanguageTest, LoadsAsTheStoredLanguageAndNamesItsHelpFile) {
    ProgramDir = DeliveredFile("");
    WriteSettingText("Options", "Lang", GetParam());
    LoadLanguage();
    EXPECT_EQ(Translate("Dialog/HelpFile"), std::string("Help.") + GetParam() + ".html");
    EXPECT_EQ(CurrentLanguage, GetParam());
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, DeliveredLanguageTest, ::testing::Values("English", "Russian"));

TEST(DeliveredLanguages, TheVersionLineReadsNaturally) {
    LanguageDocument = CreateXmlDocument();
    ASSERT_TRUE(LanguageDocument->Load(DeliveredFile("Lang.English.xml")));
    EXPECT_EQ(Translate("Page1/Hint1") + "1.01", "Version 1.01");
    ASSERT_TRUE(LanguageDocument->Load(DeliveredFile("Lang.Russian.xml")));
    EXPECT_EQ(Translate("Page1/Hint1") + "1.01", Cyrillic("Версия 1.01"));
    FreeLanguage();
}

TEST(DeliveredLanguages, TheRussianFileIsWindows1251AndSaysSo) {
    const std::string bytes = ReadFileBytes(DeliveredFile("Lang.Russian.xml"));
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>";
    EXPECT_EQ(bytes.substr(0, declaration.size()), declaration);
    // "Отмена" as single bytes of code page 1251, not as UTF-8.
    EXPECT_NE(bytes.find("<Cancel>\xCE\xF2\xEC\xE5\xED\xE0</Cancel>"), std::string::npos);
    std::string ignored;
    EXPECT_FALSE(DecodeToUtf8(kCodePageUtf8, bytes, ignored));
}

}  // namespace

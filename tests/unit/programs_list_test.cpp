#include <algorithm>

#include "tests/unit/tracking_fakes.h"

namespace {

using Patterns = std::vector<std::string>;

class ProgramsListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramDir = folder.Dir();
        UserName = "user1";
    }
    void TearDown() override {
        ProgramDir.clear();
        UserName.clear();
        ProgramList.clear();
    }

    std::string UserFile() const { return folder.File("user1-Programs.xml"); }
    std::string SharedFile() const { return folder.File("Programs.xml"); }

    static std::string ListFile(const Patterns& patterns) {
        std::string text = "<List>";
        for (const std::string& pattern : patterns) text += "<Pattern>" + pattern + "</Pattern>";
        return text + "</List>";
    }

    static Patterns Reloaded() {
        ProgramList.clear();
        LoadProgramList();
        return ProgramList;
    }

    TemporaryFolder folder;
};

TEST_F(ProgramsListTest, TheUserFileComesFirstAndLoadingAppends) {
    WriteFileBytes(SharedFile(), ListFile({"Shared"}));
    WriteFileBytes(UserFile(), ListFile({"Mine", "Also mine"}));
    ProgramList = {"already there"};
    LoadProgramList();
    EXPECT_EQ(ProgramList, (Patterns{"already there", "Mine", "Also mine"}));
}

TEST_F(ProgramsListTest, WithoutAUserFileTheSharedOneIsReadAndNeverWritten) {
    WriteFileBytes(SharedFile(), ListFile({"Shared", "Editor"}));
    EXPECT_EQ(Reloaded(), (Patterns{"Shared", "Editor"}));
    EXPECT_FALSE(ProgramListIsOwn());

    ProgramList = {"Editor"};
    SaveProgramList();
    EXPECT_EQ(ReadFileBytes(SharedFile()), ListFile({"Shared", "Editor"}));
    EXPECT_EQ(Reloaded(), (Patterns{"Editor"})) << "from now on the user's own file is read";
}

TEST_F(ProgramsListTest, OnlyAUserFileThatFailsToLoadFallsBack) {
    WriteFileBytes(SharedFile(), ListFile({"Shared"}));
    WriteFileBytes(UserFile(), "<List/>");
    EXPECT_EQ(Reloaded(), Patterns{}) << "an empty list is no failure";
    EXPECT_TRUE(ProgramListIsOwn());

    WriteFileBytes(UserFile(), "<List><Pattern>Mine</Pattern>");
    EXPECT_EQ(Reloaded(), (Patterns{"Shared"}));
    EXPECT_FALSE(ProgramListIsOwn()) << "a damaged own list is not the list in use";

    WriteFileBytes(SharedFile(), "not xml");
    ProgramList = {"kept"};
    LoadProgramList();
    EXPECT_EQ(ProgramList, (Patterns{"kept"})) << "no usable file leaves the list as it was";
}

// Hand-edited patterns that no longer parse are kept under a dated name, not overwritten.
TEST_F(ProgramsListTest, ADamagedUserFileIsSetAsideBeforeTheNextSaveWrites) {
    const std::string damaged = "<List><Pattern>Mine</Pattern>";
    WriteFileBytes(SharedFile(), ListFile({"Shared"}));
    WriteFileBytes(UserFile(), damaged);
    EXPECT_EQ(Reloaded(), (Patterns{"Shared"}));
    EXPECT_EQ(ReadFileBytes(UserFile()), damaged) << "loading changes nothing";

    ProgramList = {"Edited"};
    EXPECT_TRUE(SaveProgramList());
    std::vector<std::string> asides;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Dir()))
        if (entry.path().filename().string().rfind("user1-Programs.unreadable-", 0) == 0) asides.push_back(entry.path().string());
    ASSERT_EQ(asides.size(), 1u);
    EXPECT_EQ(ReadFileBytes(asides[0]), damaged);
    EXPECT_EQ(Reloaded(), (Patterns{"Edited"}));
    EXPECT_TRUE(SaveProgramList());
    EXPECT_EQ(folder.FileCount(), 3u) << "a readable file is simply replaced";
}

// A link to itself exists, yet no open of it succeeds: as a file another program holds.
TEST_F(ProgramsListTest, AUserFileHeldAtTheLoadIsWaitedForAndNeverSetAsideOrWrittenOver) {
    WriteFileBytes(SharedFile(), ListFile({"Shared"}));
    std::filesystem::create_symlink(UserFile(), UserFile());
    EXPECT_EQ(Reloaded(), (Patterns{"Shared"})) << "the shared patterns apply meanwhile";
    EXPECT_TRUE(ProgramListIsHeld());
    EXPECT_FALSE(ProgramListIsOwn());
    EXPECT_FALSE(ReopenHeldProgramList());

    ProgramList = {"Edited"};
    EXPECT_EQ(SaveProgramList().failure, SaveFailure::FileInUse);
    EXPECT_TRUE(std::filesystem::is_symlink(UserFile())) << "neither written over nor set aside";
    EXPECT_EQ(folder.FileCount(), 2u);

    // Let go of just before the next save: the file wins over what was edited meanwhile.
    std::filesystem::remove(UserFile());
    WriteFileBytes(UserFile(), ListFile({"Mine", "Also mine"}));
    EXPECT_EQ(SaveProgramList().failure, SaveFailure::FileInUse);
    EXPECT_EQ(ProgramList, (Patterns{"Mine", "Also mine"}));
    EXPECT_EQ(ReadFileBytes(UserFile()), ListFile({"Mine", "Also mine"}));
    EXPECT_FALSE(ProgramListIsHeld());
    EXPECT_TRUE(ProgramListIsOwn());
    ProgramList.push_back("More");
    EXPECT_TRUE(SaveProgramList());
    EXPECT_EQ(Reloaded(), (Patterns{"Mine", "Also mine", "More"}));
    EXPECT_EQ(folder.FileCount(), 2u) << "nothing was set aside";
}

TEST_F(ProgramsListTest, EveryPatternAnywhereIsReadInDocumentOrder) {
    WriteFileBytes(UserFile(),
               "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n"
               "<!-- edited by hand -->\n"
               "<Programs version=\"2\">\n"
               "  <Pattern>one</Pattern>\n"
               "  <Group><Pattern>two</Pattern><Deeper><Pattern>three</Pattern></Deeper></Group>\n"
               "  <Pattern/>\n"
               "  <Pattern><b>bold</b></Pattern>\n"
               "  <pattern>lower case is another name</pattern>\n"
               "  <Pattern> four &amp; more </Pattern>\n"
               "  <Other>not a pattern</Other>\n"
               "</Programs>");
    EXPECT_EQ(Reloaded(), (Patterns{"one", "two", "three", " four & more "}));
}

TEST_F(ProgramsListTest, SaveWritesNPlusThreeLines) {
    ProgramList = {"Editor", "Studio", "a < b"};
    SaveProgramList();
    std::string bytes = ReadFileBytes(UserFile());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n') + 1, 3 + 3) << bytes;
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n<List>\n"
                          "   <Pattern>Editor</Pattern>\n   <Pattern>Studio</Pattern>\n   <Pattern>a ",
                          0),
              0u)
        << bytes;
    EXPECT_EQ(bytes.substr(bytes.size() - 8), "\n</List>");

    ProgramList.clear();
    SaveProgramList();
    bytes = ReadFileBytes(UserFile());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1) << "an empty list gives two lines: " << bytes;
    EXPECT_EQ(Reloaded(), Patterns{});
}

TEST_F(ProgramsListTest, OrderDuplicatesAndSpecialCharactersSurviveARoundTrip) {
    const Patterns patterns = {"Studio", "Editor", "Studio", "a < b & \"c\" 'd' >",
                               "\xC1\xEB\xEE\xEA\xED\xEE\xF2", std::string(300, 'x'), "  padded  "};
    ProgramList = patterns;
    SaveProgramList();
    EXPECT_NE(ReadFileBytes(UserFile()).find("\xC1\xEB\xEE\xEA\xED\xEE\xF2"), std::string::npos)
        << "the file is in Windows-1251";
    EXPECT_EQ(Reloaded(), patterns);

    ProgramList = {"one", "   ", "two"};
    SaveProgramList();
    EXPECT_EQ(Reloaded(), (Patterns{"one", "two"})) << "a blank pattern is gone after the next load";
}

TEST_F(ProgramsListTest, UsersKeepSeparateFiles) {
    for (const char* user : {"user1", "user2", ""}) {
        UserName = user;
        ProgramList = {std::string("list of ") + user};
        SaveProgramList();
    }
    EXPECT_TRUE(FileExists(folder.File("-Programs.xml")));
    UserName = "user2";
    EXPECT_EQ(Reloaded(), (Patterns{"list of user2"}));
    UserName = "user1";
    EXPECT_EQ(Reloaded(), (Patterns{"list of user1"}));
}

// Shipped patterns offered to a user with a list of their own, and where a click puts them.
TEST_F(ProgramsListTest, NewSharedPatternsAreOfferedOnceAndTakeTheirPlaceInTheSharedOrder) {
    const struct {
        const char* name;
        Patterns shared;
        Patterns own;
        Patterns offeredBefore;
        Patterns offer;
        Patterns merged;
    } rows[] = {
        {"nothing new", {"A", "B"}, {"B", "x", "A"}, {}, {}, {"B", "x", "A"}},
        {"before the next shared one the user holds", {"N1", "A", "N2", "N3", "B", "N4"}, {"x", "A", "y", "B", "z"}, {},
         {"N1", "N2", "N3", "N4"}, {"x", "N1", "A", "y", "N2", "N3", "B", "z", "N4"}},
        {"the user's own order stays", {"A", "N", "B"}, {"B", "A"}, {}, {"N"}, {"N", "B", "A"}},
        {"before the first of duplicates, each new one once", {"N", "A", "N"}, {"A", "x", "A"}, {}, {"N"},
         {"N", "A", "x", "A"}},
        {"an empty own list", {"A", "B"}, {}, {}, {"A", "B"}, {"A", "B"}},
        {"offered before, taken or not", {"N1", "A", "N2"}, {"A"}, {"N1", "N2"}, {}, {"A"}},
        {"only what is new since", {"N1", "A", "N2"}, {"A"}, {"N1"}, {"N2"}, {"A", "N2"}},
        {"deleted by the user after an offer", {"A", "B"}, {"B"}, {"A", "B"}, {}, {"B"}},
    };
    for (const auto& row : rows) {
        std::vector<std::uint32_t> fingerprints;
        for (const std::string& pattern : row.offeredBefore) fingerprints.push_back(PatternFingerprint(pattern));
        const Patterns offer = SharedPatternsToOffer(row.shared, row.own, fingerprints);
        EXPECT_EQ(offer, row.offer) << row.name;
        EXPECT_EQ(AddSharedPatterns(row.own, row.shared, offer), row.merged) << row.name;
    }
    EXPECT_EQ(AddSharedPatterns({"A"}, {"N", "A"}, {"N", "A", "elsewhere"}), (Patterns{"N", "A"}))
        << "nothing the user holds or the shared list lacks is added";
}

}  // namespace

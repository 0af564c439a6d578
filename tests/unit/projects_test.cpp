// Projects and filters through their file: lenient reading, the exact written form, round trips.
#include <gtest/gtest.h>

#include "base/program_paths.h"
#include "projects/projects.h"
#include "tests/unit/test_files.h"

namespace {

class ProjectsTest : public testing::Test {
protected:
    void SetUp() override {
        ProgramDir = folder.Path();
        UserName = "user1";
        ProjectList.clear();
        FilterList.clear();
    }
    void TearDown() override {
        ProgramDir.clear();
        UserName.clear();
        ProjectList.clear();
        FilterList.clear();
    }

    void Reload() {
        ProjectList.clear();
        FilterList.clear();
        LoadProjects();
    }

    std::string UserFile() const { return folder.Path("user1-Projects.xml"); }
    std::string SharedFile() const { return folder.Path("Projects.xml"); }

    TemporaryFolder folder;
};

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>";

TEST_F(ProjectsTest, WrittenFileHasProjectsThenFiltersOneLineEach) {
    ProjectList = {{"Website", 2}, {"Book \"draft\" & notes", 5}};
    FilterList = {{"Browser", 2, 0}, {"chapter", 5, 1}, {"orphan", 9, 7}};
    EXPECT_TRUE(SaveProjects("20261207-0905"));
    EXPECT_EQ(ReadFileBytes(UserFile()),
              std::string(kDeclaration) +
                  "\n<List>\n   <Project id=\"2\">Website</Project>\n   <Project id=\"5\">Book \"draft\" &amp; notes</Project>\n"
                  "   <Filter project=\"2\" where=\"0\">Browser</Filter>\n   <Filter project=\"5\" where=\"1\">chapter</Filter>\n"
                  "   <Filter project=\"9\" where=\"7\">orphan</Filter>\n</List>");
    EXPECT_FALSE(std::filesystem::exists(SharedFile()));
    ProgramDir = folder.Path("gone/");
    EXPECT_FALSE(SaveProjects("20261207-0905")) << "a folder that is gone cannot take the file";
    ProgramDir = folder.Path();

    // Order, ids, references and where-kinds come back as they were, unknown ones included.
    Reload();
    ASSERT_EQ(ProjectList.size(), 2u);
    EXPECT_EQ(ProjectList[1].name, "Book \"draft\" & notes");
    EXPECT_EQ(ProjectList[1].id, 5);
    ASSERT_EQ(FilterList.size(), 3u);
    EXPECT_EQ(FilterList[2].text, "orphan");
    EXPECT_EQ(FilterList[2].project, 9);
    EXPECT_EQ(FilterList[2].where, 7);
}

TEST_F(ProjectsTest, EmptyListsWriteTwoLinesAndReadBackEmpty) {
    SaveProjects("20261207-0905");
    EXPECT_EQ(ReadFileBytes(UserFile()), std::string(kDeclaration) + "\n<List/>");
    WriteFileBytes(SharedFile(), "<List><Project id=\"1\">Shared</Project></List>");
    Reload();  // an empty per-user file is still the user's: the shared one is not read
    EXPECT_TRUE(ProjectList.empty());
    EXPECT_TRUE(FilterList.empty());
}

TEST_F(ProjectsTest, SharedFileServesUntilTheUserHasOne) {
    WriteFileBytes(SharedFile(), "<List><Project id=\"1\">Shared</Project><Filter project=\"1\" where=\"0\">x</Filter></List>");
    LoadProjects();
    ASSERT_EQ(ProjectList.size(), 1u);
    EXPECT_EQ(ProjectList[0].name, "Shared");
    ProjectList[0].name = "Mine";
    SaveProjects("20261207-0905");
    Reload();
    EXPECT_EQ(ProjectList[0].name, "Mine");

    WriteFileBytes(UserFile(), "<List><Project id=\"1\">broken");  // damaged: the shared one stands in
    Reload();
    EXPECT_EQ(ProjectList[0].name, "Shared");
}

TEST_F(ProjectsTest, ReadingIsLenientAboutOrderDepthRootAndValues) {
    const std::string longName(300, 'n');
    WriteFileBytes(UserFile(),
                   "<?xml version=\"1.0\" encoding=\"Windows-1251\"?><Anything>"
                   "<Filter project=\"3\" where=\"1\">early \xef\xf0\xee\xe5\xea\xf2</Filter>"
                   "<Group><Deep><Project id=\"3\">" + longName + "</Project></Deep></Group>"
                   "<Project id=\"oops\">No number</Project><Project id=\"4\"/><Filter>bare</Filter></Anything>");
    LoadProjects();
    ASSERT_EQ(ProjectList.size(), 3u);
    EXPECT_EQ(ProjectList[0].name, std::string(254, 'n'));
    EXPECT_EQ(ProjectList[0].id, 3);
    EXPECT_EQ(ProjectList[1].id, 0);  // not a number
    EXPECT_EQ(ProjectList[2].name, "");  // no text at all
    ASSERT_EQ(FilterList.size(), 2u);
    EXPECT_EQ(FilterList[0].text, "early \xef\xf0\xee\xe5\xea\xf2");
    EXPECT_EQ(FilterList[0].where, 1);
    EXPECT_EQ(FilterList[1].project, 0);

    // The next save writes the canonical form: projects first, then filters.
    SaveProjects("20261207-0905");
    EXPECT_EQ(ReadFileBytes(UserFile()),
              std::string(kDeclaration) + "\n<List>\n   <Project id=\"3\">" + std::string(254, 'n') +
                  "</Project>\n   <Project id=\"0\">No number</Project>\n   <Project id=\"4\"/>\n"
                  "   <Filter project=\"3\" where=\"1\">early \xef\xf0\xee\xe5\xea\xf2</Filter>\n"
                  "   <Filter project=\"0\" where=\"0\">bare</Filter>\n</List>");
}

TEST_F(ProjectsTest, ADamagedUserFileIsSetAsideBeforeTheNextSaveWrites) {
    const std::string damaged = "<List><Project id=\"1\">Mine</Project>";
    WriteFileBytes(UserFile(), damaged);
    Reload();
    EXPECT_TRUE(ProjectList.empty());
    ProjectList = {{"Edited", 1}};
    EXPECT_TRUE(SaveProjects("20261207-0905"));
    int asides = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        if (entry.path().filename().string().rfind("user1-Projects.unreadable-", 0) != 0) continue;
        EXPECT_EQ(ReadFileBytes(entry.path().string()), damaged);
        ++asides;
    }
    EXPECT_EQ(asides, 1);
    Reload();
    ASSERT_EQ(ProjectList.size(), 1u);
    EXPECT_EQ(ProjectList[0].name, "Edited");
}

// A link to itself exists, yet no open of it succeeds: as a file another program holds.
TEST_F(ProjectsTest, AUserFileHeldAtTheLoadIsRetriedAndOnlySetAsideWhenReadAndFoundDamaged) {
    const std::string shared = "<List><Project id=\"1\">Shared</Project><Filter project=\"1\" where=\"0\">x</Filter></List>";
    WriteFileBytes(SharedFile(), shared);
    std::filesystem::create_symlink(UserFile(), UserFile());
    Reload();
    ASSERT_EQ(ProjectList.size(), 1u);
    EXPECT_EQ(ProjectList[0].name, "Shared") << "the shared projects apply meanwhile";
    EXPECT_TRUE(ProjectsAreHeld());
    ProjectList[0].name = "Edited";
    EXPECT_EQ(SaveProjects("20261207-0905").failure, SaveFailure::FileInUse);
    EXPECT_TRUE(std::filesystem::is_symlink(UserFile())) << "neither written over nor set aside";
    EXPECT_EQ(ReadFileBytes(SharedFile()), shared);

    std::filesystem::remove(UserFile());
    WriteFileBytes(UserFile(), "<List><Project id=\"2\">Mine</Project><Filter project=\"2\" where=\"1\">y</Filter></List>");
    EXPECT_TRUE(ReopenHeldProjects());
    EXPECT_FALSE(ProjectsAreHeld());
    EXPECT_FALSE(ReopenHeldProjects()) << "opened once";
    ASSERT_EQ(ProjectList.size(), 1u);
    EXPECT_EQ(ProjectList[0].name, "Mine");
    ASSERT_EQ(FilterList.size(), 1u);
    EXPECT_EQ(FilterList[0].text, "y");
    EXPECT_EQ(FilterList[0].where, 1);

    // Held at the load, then found damaged once it opens: set aside before the next save writes.
    std::filesystem::remove(UserFile());
    std::filesystem::create_symlink(UserFile(), UserFile());
    Reload();
    std::filesystem::remove(UserFile());
    const std::string damaged = "<List><Project id=\"2\">Mine";
    WriteFileBytes(UserFile(), damaged);
    EXPECT_FALSE(ReopenHeldProjects());
    EXPECT_FALSE(ProjectsAreHeld());
    EXPECT_EQ(ProjectList[0].name, "Shared");
    EXPECT_TRUE(SaveProjects("20261207-0905"));
    EXPECT_EQ(ReadFileBytes(folder.Path("user1-Projects.unreadable-20261207-0905.xml")), damaged);
}

TEST_F(ProjectsTest, NothingToLoadLeavesTheListsAsTheyWere) {
    ProjectList = {{"kept", 1}};
    LoadProjects();  // neither file exists
    ASSERT_EQ(ProjectList.size(), 1u);
    EXPECT_EQ(ProjectList[0].name, "kept");
}

}  // namespace

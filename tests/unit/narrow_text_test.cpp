// The one cut to a byte limit: never through a character of UTF-8 narrow text, whether the
// program cuts or the platform already did, at every limit the program cuts to.
#include <gtest/gtest.h>

#include <string>

#include "projects/projects.h"
#include "settings/in_memory_registry.h"
#include "settings/settings.h"
#include "tests/unit/tracking_fakes.h"

namespace {

TEST(CutLength, StepsBackToACharacterBoundaryOnlyInUtf8) {
    const std::string cyrillic = "\xD0\x96\xD0\x96";         // two letters of two bytes
    const std::string chinese = "a\xE4\xB8\xAD";             // "a" and a three-byte letter
    const std::string emoji = "\xF0\x9F\x98\x80z";           // a four-byte character, then "z"
    const std::string stray = "\x80\x80\x80\x80\x80";        // continuation bytes with no lead
    // What a platform call leaves when it cut a text to its buffer inside a character.
    const std::string cutCyrillic = "\xD0\x96\xD0";
    const std::string cutChinese = "a\xE4\xB8";
    const std::string cutEmoji = "ab\xF0\x9F\x98";
    const struct {
        const std::string& text;
        std::size_t limit;
        bool utf8;
        std::size_t expected;
    } cases[] = {
        {cyrillic, 4, true, 4},     {cyrillic, 3, true, 2},     {cyrillic, 1, true, 0},
        {chinese, 3, true, 1},      {chinese, 2, true, 1},      {emoji, 4, true, 4},
        {emoji, 3, true, 0},        {stray, 2, true, 2},        {cyrillic, 3, false, 3},
        {chinese, 2, false, 2},     {emoji, 10, true, 5},       {cutCyrillic, 255, true, 2},
        {cutChinese, 255, true, 1}, {cutEmoji, 255, true, 2},   {cutChinese, 255, false, 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutLength(c.text, c.limit, c.utf8), c.expected)
            << "limit " << c.limit << (c.utf8 ? " in UTF-8" : " single-byte") << ", " << c.text.size() << " bytes";
}

std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

// Every portable place that cuts narrow text, with UTF-8 as the code page and a character
// across the limit: each keeps whole characters only.
using CutPlacesTest = TrackingTest;

TEST_F(CutPlacesTest, EveryLimitKeepsUtf8CharactersWhole) {
    NarrowCodePageScope utf8(kCodePageUtf8);
    const std::string zhe = "\xD0\x96";                  // two bytes
    const std::string smile = "\xF0\x9F\x98\x80";        // four bytes
    const std::string long200 = Repeat(zhe, 200);        // 400 bytes
    const std::string pattern = "a" + Repeat(zhe, 127);  // 255 bytes: whole as a title, not as a name

    // The idle name, cut as a whole title (255 bytes).
    OpenTracker();
    SetInactiveName(long200);
    windows.titles[0x100] = "";
    SampleWindow(0x100, 1000);

    // Titles that the platform cuts to 255 bytes inside a character, and a pattern cut to a
    // name (254 bytes).
    ProgramList = {pattern};
    const struct {
        std::string title;
        std::string app;
    } titles[] = {
        {long200, Repeat(zhe, 127)},
        {std::string(253, 'x') + smile, std::string(253, 'x')},
        {pattern, "a" + Repeat(zhe, 126)},
    };
    std::uint32_t tick = 2000;
    for (const auto& c : titles) {
        windows.titles[tick] = c.title;
        SampleWindow(tick, tick);
        tick += 1000;
    }
    SampleWindow(0x100, tick);
    EXPECT_EQ(Credited(Repeat(zhe, 127)), 2) << "the idle name and the longest title, a second each";
    for (const auto& c : titles) EXPECT_GE(Credited(c.app), 1) << c.title.size() << " bytes";

    // A project name from the file, and the default of a setting.
    WriteFileBytes(folder.File("user1-Projects.xml"), "<List><Project id=\"1\">" + pattern + "</Project></List>");
    LoadProjects();
    ASSERT_EQ(ProjectList.size(), 1u);
    EXPECT_EQ(ProjectList[0].name, "a" + Repeat(zhe, 126));
    ProjectList.clear();

    InMemoryRegistry registry;
    SetRegistryBackend(&registry);
    EXPECT_EQ(ReadSettingText("Options", "Lang", long200), Repeat(zhe, 127));
    SetRegistryBackend(nullptr);
}

}  // namespace

// The one cut to a byte limit: never through a character of UTF-8 narrow text.
#include <gtest/gtest.h>

#include <string>

#include "base/narrow_text.h"

namespace {

TEST(CutLength, StepsBackToACharacterBoundaryOnlyInUtf8) {
    const std::string cyrillic = "\xD0\x96\xD0\x96";         // two letters of two bytes
    const std::string chinese = "a\xE4\xB8\xAD";             // "a" and a three-byte letter
    const std::string emoji = "\xF0\x9F\x98\x80z";           // a four-byte character, then "z"
    const std::string stray = "\x80\x80\x80\x80\x80";        // continuation bytes with no lead
    const struct {
        const std::string& text;
        std::size_t limit;
        bool utf8;
        std::size_t expected;
    } cases[] = {
        {cyrillic, 4, true, 4},  {cyrillic, 3, true, 2},  {cyrillic, 1, true, 0},
        {chinese, 3, true, 1},   {chinese, 2, true, 1},   {emoji, 4, true, 4},
        {emoji, 3, true, 0},     {stray, 2, true, 2},     {cyrillic, 3, false, 3},
        {chinese, 2, false, 2},  {emoji, 10, true, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutLength(c.text, c.limit, c.utf8), c.expected)
            << "limit " << c.limit << (c.utf8 ? " in UTF-8" : " single-byte") << ", " << c.text.size() << " bytes";
}

}  // namespace

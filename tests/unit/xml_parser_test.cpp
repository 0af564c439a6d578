// Loading: encodings, what is well-formed, and hostile input that must fail cleanly.
#include <gtest/gtest.h>

#include "tests/unit/test_files.h"
#include "xmlstore/xml_document.h"

namespace {

bool Loads(std::string_view text) { return CreateXmlDocument()->LoadXml(text); }

std::string RootText(std::string_view text) {
    auto document = CreateXmlDocument();
    if (!document->LoadXml(text)) return "<failed>";
    XmlNode child = document->DocumentElement().FirstChild();
    return child ? child.Value() : "<none>";
}

TEST(XmlLoad, EncodingsByByteOrderMarkAndDeclaration) {
    // "Я" as it stands in each encoding; the narrow result is Windows-1251 here.
    EXPECT_EQ(RootText("<r>\xd0\xaf</r>"), "\xdf");
    EXPECT_EQ(RootText("\xEF\xBB\xBF<r>\xd0\xaf</r>"), "\xdf");
    EXPECT_EQ(RootText("<?xml version=\"1.0\" encoding=\"Windows-1251\"?><r>\xdf</r>"), "\xdf");
    EXPECT_EQ(RootText("<?xml version='1.0' encoding='windows-1252'?><r>caf\xe9</r>"), "caf?");
    EXPECT_EQ(RootText(std::string("\xFF\xFE<\0r\0>\0/\x04<\0/\0r\0>\0", 18)), "\xdf");
    EXPECT_EQ(RootText(std::string("\xFE\xFF\0<\0r\0>\x04/\0<\0/\0r\0>", 18)), "\xdf");
    EXPECT_EQ(RootText("<?xml version=\"1.0\" encoding=\"x-unknown\"?><r>a</r>"), "<failed>");
    EXPECT_EQ(RootText("<r>\xdf</r>"), "<failed>");  // not UTF-8, and no declaration says otherwise
    EXPECT_EQ(RootText("<r>\xc0\xaf</r>"), "<failed>");  // an overlong form
    EXPECT_EQ(RootText(std::string("\xFF\xFE<\0r\0>\0\x00\xD8<\0/\0r\0>\0", 18)), "<failed>");  // lone surrogate
}

TEST(XmlLoad, Utf8IsCheckedWhereverACharacterFallsInTheText) {
    // The check takes the text many bytes at a time: each case at every position of a block.
    const struct {
        const char* bytes;
        bool valid;
    } cases[] = {
        {"\xd0\xaf\xd0\xaf\xd0\xaf\xd0\xaf\xd0\xaf\xd0\xaf\xd0\xaf\xd0\xaf\xd0\xaf", true},  // nine "Я", across blocks
        {"a\xe2\x84\x96\xf0\x9f\x98\x80", true},                                               // three and four bytes
        {"\xd0\xd0\xaf", false},                                                                // a lead without its continuation
        {"\xd0", false},                                                                          // the same before the quote
        {"\xaf\xd0\xaf", false},                                                                // a continuation without its lead
        {"\xd0\xaf\xaf", false},                                                                // one continuation too many
        {"\xc1\xbf", false},                                                                     // an overlong form
        {"\xed\xa0\x80", false},                                                                // a surrogate
    };
    for (const auto& test : cases) {
        for (std::size_t shift = 0; shift < 20; ++shift) {
            const std::string text = "<r a=\"" + std::string(shift, 'x') + test.bytes + "\"/>";
            EXPECT_EQ(Loads(text), test.valid) << test.bytes << " after " << shift;
        }
    }
}

TEST(XmlLoad, AttributeValuesEndWhereverTheirStopFalls) {
    // The value scan takes many bytes at a time (the sanitizer build runs its portable twin):
    // each byte that stops it at every position of a block.
    const struct {
        const char* inside;
        const char* read;  // null: the document does not load
    } cases[] = {
        {"", ""},
        {"&amp;z", "&z"},
        {"\tz", " z"},
        {"\xdfz", "\xdfz"},  // beyond ASCII: "Я" in the file's code page, decoded
        {"'z", "'z"},
        {"<", nullptr},
        {"\x01", nullptr},
    };
    for (const auto& test : cases) {
        for (std::size_t shift = 0; shift < 20; ++shift) {
            const std::string before(shift, 'x');
            auto document = CreateXmlDocument();
            const bool loaded = document->LoadXml("<?xml version=\"1.0\" encoding=\"Windows-1251\"?><r a=\"" + before +
                                                  test.inside + "\" b=\"1\"/>");
            ASSERT_EQ(loaded, test.read != nullptr) << test.inside << " after " << shift;
            if (!loaded) continue;
            std::string a, b;
            EXPECT_TRUE(document->DocumentElement().GetAttribute("a", a));
            EXPECT_TRUE(document->DocumentElement().GetAttribute("b", b));
            EXPECT_EQ(a, before + test.read) << shift;
            EXPECT_EQ(b, "1") << test.inside << " after " << shift;
        }
    }
}

TEST(XmlLoad, ReferencesLineEndsAndSections) {
    EXPECT_EQ(RootText("<r>&lt;&gt;&amp;&apos;&quot;&#65;&#x42;&#x44f;</r>"), "<>&'\"AB\xff");
    EXPECT_EQ(RootText("<r>a\r\nb\rc</r>"), "a\nb\nc");
    EXPECT_EQ(RootText("<r><![CDATA[<not> & markup]]></r>"), "<not> & markup");
    EXPECT_EQ(RootText("<!DOCTYPE r SYSTEM \"r.dtd\"><r>x</r>"), "x");
    EXPECT_EQ(RootText("<?xml version=\"1.0\"?>\n<!-- c --><?pi data?><r>x</r><!-- after -->"), "x");
    EXPECT_EQ(RootText("<r>   </r>"), "<none>");

    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml("<r a=\"x\ty\r\nz\" b='\"' c=\"'\"/>"));
    std::string value;
    document->DocumentElement().GetAttribute("a", value);
    EXPECT_EQ(value, "x y z");
    document->DocumentElement().GetAttribute("b", value);
    EXPECT_EQ(value, "\"");
}

TEST(XmlLoad, MalformedInputFailsAndLeavesAnEmptyDocument) {
    const char* malformed[] = {
        "", "   ", "text", "<r>", "<r></s>", "<r><a></r></a>", "<r/><s/>", "<r/>tail", "<r a=1/>",
        "<r a=\"1\" a=\"2\"/>", "<r a=\"<\"/>", "<r>&unknown;</r>", "<r>&#0;</r>", "<r>&#xD800;</r>",
        "<r>&#1114112;</r>", "<r>&amp</r>", "<r><!-- a -- b --></r>", "<r><![CDATA[open</r>",
        "<r>\x01</r>", "<r a=\"1\"b=\"2\"/>", "<1r/>", "<r><?xml version=\"1.0\"?></r>", "<r", "<r/", "</r>",
        "<r><!DOCTYPE r></r>", "<!DOCTYPE r [<!ELEMENT r ANY>]><r/>", "<?xml version=\"1.0\"?><?xml version=\"1.0\"?><r/>",
        "<r>\0</r>"};
    for (const char* text : malformed) {
        auto document = CreateXmlDocument();
        ASSERT_TRUE(document->LoadXml("<previous/>"));
        EXPECT_FALSE(document->LoadXml(text)) << text;
        EXPECT_FALSE(document->DocumentElement()) << text;
        EXPECT_FALSE(document->AsNode().FirstChild()) << text;
    }
    // Truncation at every point of a valid log fails, never crashes.
    const std::string log = "<?xml version=\"1.0\"?><Ostrak><Date y=\"2026\"><App name=\"a&amp;b\" time=\"3\"/></Date></Ostrak>";
    for (std::size_t length = 0; length < log.size(); ++length) EXPECT_FALSE(Loads(log.substr(0, length))) << length;
    EXPECT_TRUE(Loads(log));
}

TEST(XmlLoad, MissingFileFails) {
    TemporaryFolder folder;
    auto document = CreateXmlDocument();
    EXPECT_FALSE(document->Load(folder.Path("absent.xml")));
    EXPECT_FALSE(document->DocumentElement());
}

TEST(XmlHostile, DeepNestingIsRefused) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    for (int i = 0; i < 100000; ++i) deep += "</a>";
    EXPECT_FALSE(Loads(deep));

    // A depth well within the limit loads, saves and goes away without deep recursion.
    std::string nested;
    for (int i = 0; i < 4000; ++i) nested += "<a>";
    nested += "x";
    for (int i = 0; i < 4000; ++i) nested += "</a>";
    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml(nested));
    auto again = CreateXmlDocument();
    EXPECT_TRUE(again->LoadXml(FormatXmlDocument(*document)));
    EXPECT_EQ(again->AsNode().SelectNodes("//a").size(), 4000u);
}

TEST(XmlHostile, EntityExpansionIsRefused) {
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
    for (int i = 1; i < 10; ++i)
        bomb += "<!ENTITY lol" + std::to_string(i) + " \"" + std::string(10, '&') + "\">";
    bomb += "]><lolz>&lol9;</lolz>";
    EXPECT_FALSE(Loads(bomb));
    EXPECT_FALSE(Loads("<lolz>&lol9;</lolz>"));
}

TEST(XmlHostile, HugeAttributeLoadsWithBoundedMemory) {
    const std::size_t size = 50u << 20;
    std::string text = "<r a=\"";
    text.append(size, 'x');
    text += "\"/>";
    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml(text));
    std::string value;
    ASSERT_TRUE(document->DocumentElement().GetAttribute("a", value));
    EXPECT_EQ(value.size(), size);
    EXPECT_LT(document->MemoryUsed(), size + size / 4);
}

TEST(XmlHostile, ManyAttributesStayFast) {
    std::string text = "<r";
    for (int i = 0; i < 200000; ++i) text += " a" + std::to_string(i) + "=\"1\"";
    EXPECT_TRUE(Loads(text + "/>"));
    EXPECT_FALSE(Loads(text + " a77=\"2\"/>"));  // a duplicate far down the list is still found
}

}  // namespace

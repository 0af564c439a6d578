// The DOM and its queries, as the time log, the lists and the language files use them.
#include <gtest/gtest.h>

#include "tests/unit/test_files.h"
#include "base/code_page.h"
#include "xmlstore/xml_document.h"

namespace {

std::unique_ptr<XmlDocument> Parse(std::string_view text) {
    auto document = CreateXmlDocument();
    EXPECT_TRUE(document->LoadXml(text)) << text;
    return document;
}

std::vector<std::string> Names(const std::vector<XmlNode>& nodes, const char* attribute) {
    std::vector<std::string> names;
    for (const XmlNode& node : nodes) {
        std::string value;
        node.GetAttribute(attribute, value);
        names.push_back(value);
    }
    return names;
}

TEST(XmlAttributes, AbsentIsNotEmptyAndOrderIsFirstSet) {
    auto document = Parse("<r a=\"\" b=\"2\"/>");
    XmlNode root = document->DocumentElement();
    std::string value = "unchanged";
    EXPECT_TRUE(root.GetAttribute("a", value));
    EXPECT_EQ(value, "");
    value = "unchanged";
    EXPECT_FALSE(root.GetAttribute("c", value));
    EXPECT_EQ(value, "unchanged");

    root.SetAttribute("c", "3");
    root.SetAttribute("a", "replaced, and longer than before");
    std::vector<std::string> order;
    for (XmlAttribute attribute = root.FirstAttribute(); attribute; attribute = attribute.Next())
        order.push_back(attribute.Name() + "=" + attribute.Value());
    EXPECT_EQ(order, (std::vector<std::string>{"a=replaced, and longer than before", "b=2", "c=3"}));

    EXPECT_FALSE(root.SetAttribute("not a name", "x"));
    EXPECT_FALSE(document->AsNode().SetAttribute("a", "x"));  // only elements have attributes
}

TEST(XmlAttributes, ValuesReadBackUnchanged) {
    const std::string values[] = {"say \"hi\"", "it's", "a < b & c > d", "tab\there", "two\nlines", "cr\rlf\r\n",
                                  "  padded  ", ""};
    auto document = CreateXmlDocument();
    ASSERT_TRUE(document->LoadXml("<r/>"));
    XmlNode root = document->DocumentElement();
    for (std::size_t i = 0; i < std::size(values); ++i) root.SetAttribute("v" + std::to_string(i), values[i]);
    auto again = Parse(FormatXmlDocument(*document));
    for (std::size_t i = 0; i < std::size(values); ++i) {
        std::string value;
        ASSERT_TRUE(again->DocumentElement().GetAttribute("v" + std::to_string(i), value));
        EXPECT_EQ(value, values[i]);
    }
}

TEST(XmlAttributes, IntegerConversion) {
    auto document = Parse(
        "<r a=\"42\" b=\" -17 \" c=\"+5\" d=\"2147483647\" e=\"-2147483648\" f=\"2147483648\" g=\"12x\" h=\"\" "
        "i=\"1.5\" j=\"-\" k=\"99999999999999999999\"/>");
    XmlNode root = document->DocumentElement();
    std::int32_t value = 0;
    EXPECT_TRUE(root.AttributeToInt32("a", value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(root.AttributeToInt32("b", value));
    EXPECT_EQ(value, -17);
    EXPECT_TRUE(root.AttributeToInt32("c", value));
    EXPECT_EQ(value, 5);
    EXPECT_TRUE(root.AttributeToInt32("d", value));
    EXPECT_EQ(value, 2147483647);
    EXPECT_TRUE(root.AttributeToInt32("e", value));
    EXPECT_EQ(value, -2147483647 - 1);
    for (const char* bad : {"f", "g", "h", "i", "j", "k", "missing"}) EXPECT_FALSE(root.AttributeToInt32(bad, value)) << bad;

    root.SetAttribute("time", std::int64_t{-3});
    EXPECT_TRUE(root.AttributeToInt32("time", value));
    EXPECT_EQ(value, -3);
}

TEST(XmlTree, AppendKeepsOrderAndRefusesWhatWouldBreakTheTree) {
    auto document = Parse("<List/>");
    auto other = Parse("<Other/>");
    XmlNode root = document->AsNode().FirstChild();
    ASSERT_EQ(root.Name(), "List");
    XmlNode first = document->CreateElement("Pattern");
    XmlNode text = document->CreateTextNode("Editor");
    EXPECT_TRUE(first.AppendChild(text));
    EXPECT_TRUE(root.AppendChild(first));
    EXPECT_TRUE(root.AppendChild(document->CreateElement("Pattern")));
    EXPECT_EQ(root.FirstChild(), first);
    EXPECT_EQ(first.FirstChild().Value(), "Editor");

    EXPECT_FALSE(root.AppendChild(first));                           // already placed
    EXPECT_FALSE(root.AppendChild(other->CreateElement("Pattern")));  // another document's node
    EXPECT_FALSE(document->AsNode().AppendChild(document->CreateElement("Second")));
    EXPECT_FALSE(text.AppendChild(document->CreateElement("x")));  // text holds no children
    XmlNode loose = document->CreateElement("loose");
    EXPECT_FALSE(loose.AppendChild(loose));
    EXPECT_FALSE(document->CreateElement("no spaces"));
    EXPECT_FALSE(document->CreateElement(""));
}

TEST(XmlTree, StoredTextCannotHoldWhatXmlCannotCarry) {
    auto document = Parse("<r/>");
    XmlNode text = document->CreateTextNode(std::string("a\x01" "b\x1f" "c", 5));
    EXPECT_EQ(text.Value(), "a b c");
    document->DocumentElement().SetAttribute("name", "tab\tbell\x07");
    std::string value;
    document->DocumentElement().GetAttribute("name", value);
    EXPECT_EQ(value, "tab\tbell ");
    EXPECT_TRUE(Parse(FormatXmlDocument(*document)));

    // Narrow text in UTF-8 can hold U+FFFF and U+FFFE, which no XML file can.
    NarrowCodePageScope utf8(kCodePageUtf8);
    document->DocumentElement().SetAttribute("title", "x\xef\xbf\xbfy\xef\xbf\xbe");
    document->DocumentElement().GetAttribute("title", value);
    EXPECT_EQ(value, "x y ");
    EXPECT_FALSE(document->CreateElement("x\xef\xbf\xbf"));
    EXPECT_TRUE(Parse(FormatXmlDocument(*document)));
}

TEST(XmlAttributes, ReplacedValuesShrinkAndGrowAndSaveAsSet) {
    // Inline (up to eight bytes) and kept elsewhere in the arena, replaced by shorter and longer.
    const char* const values[] = {"a value kept out of line", "shorter but out of line", "tiny",
                                  "a good deal longer than any value before it", ""};
    auto document = Parse("<r/>");
    XmlNode root = document->DocumentElement();
    for (const char* value : values) {
        ASSERT_TRUE(root.SetAttribute("v", value));
        std::string read;
        ASSERT_TRUE(root.GetAttribute("v", read));
        EXPECT_EQ(read, value);
        auto again = Parse(FormatXmlDocument(*document));
        ASSERT_TRUE(again->DocumentElement().GetAttribute("v", read));
        EXPECT_EQ(read, value);
    }
}

TEST(XmlQueries, DescendantsByNameInDocumentOrder) {
    auto document = Parse(
        "<Root><Pattern>a</Pattern><Group><Pattern>b</Pattern><Deep><Pattern>c</Pattern></Deep></Group>"
        "<Pattern/><Pattern>d</Pattern></Root>");
    std::vector<XmlNode> patterns = document->AsNode().SelectNodes("//Pattern");
    ASSERT_EQ(patterns.size(), 5u);
    EXPECT_EQ(patterns[0].FirstChild().Value(), "a");
    EXPECT_EQ(patterns[2].FirstChild().Value(), "c");
    EXPECT_FALSE(patterns[3].FirstChild());
    // "//" searches the whole document even from an inner context.
    EXPECT_EQ(patterns[1].SelectNodes("//Pattern").size(), 5u);
    EXPECT_TRUE(document->AsNode().SelectNodes("//Missing").empty());
}

TEST(XmlQueries, LanguageKeysMatchParentAndChildAtAnyDepth) {
    auto document = Parse(
        "<Language><Texts><Dialog><Ok>OK</Ok><Ok>second</Ok></Dialog></Texts>"
        "<Other><WhereShort1>app</WhereShort1></Other><Ok>not under Dialog</Ok><Dialog><Cancel/></Dialog></Language>");
    XmlNode root = document->AsNode();
    EXPECT_EQ(root.SelectSingleNode("//Dialog/Ok").FirstChild().Value(), "OK");
    EXPECT_EQ(root.SelectSingleNode("//WhereShort1").FirstChild().Value(), "app");
    EXPECT_TRUE(root.SelectSingleNode("//Dialog/Cancel"));
    EXPECT_FALSE(root.SelectSingleNode("//Dialog/Cancel").FirstChild());
    EXPECT_FALSE(root.SelectSingleNode("//Texts/Ok"));
}

TEST(XmlQueries, TimeLogForms) {
    auto document = Parse(
        "<Ostrak><Date y=\"2026\" m=\"1\" d=\"7\"/><Date y=\"2026\" m=\"12\" d=\"7\" id=\"first\">"
        "<App name=\"Editor\"><Doc name=\"a &amp; b\"/></App><App name=\"editor\"/></Date>"
        "<Date y=\"2026\" m=\"12\" d=\"7\" id=\"second\"/><Date y=\"2026\" m=\"012\" d=\"7\"/></Ostrak>");
    XmlNode root = document->AsNode().SelectSingleNode("Ostrak");
    ASSERT_TRUE(root);
    EXPECT_FALSE(root.SelectSingleNode("Ostrak"));  // a child step, not a search
    XmlNode day = document->AsNode().SelectSingleNode("//Date[@y=\"2026\" and @m=\"12\" and @d=\"7\"]");
    std::string id;
    ASSERT_TRUE(day.GetAttribute("id", id));
    EXPECT_EQ(id, "first");
    EXPECT_EQ(document->AsNode().SelectNodes("//Date[@y='2026' and @m='12' and @d='7']").size(), 2u);
    EXPECT_EQ(Names(day.SelectNodes("App[@name = \"Editor\"]"), "name"), std::vector<std::string>{"Editor"});
    EXPECT_EQ(Names(day.SelectNodes("App[@name = \"editor\"]"), "name"), std::vector<std::string>{"editor"});
    XmlNode app = day.SelectSingleNode("App[@name = \"Editor\"]");
    EXPECT_TRUE(app.SelectSingleNode("Doc[@name = \"a & b\"]"));
    EXPECT_FALSE(app.SelectSingleNode("Doc[@name = \"a &amp; b\"]"));
    EXPECT_FALSE(root.SelectSingleNode("App[@name = \"Editor\"]"));  // not a child of the root
}

TEST(XmlQueries, TextOutsideTheFormsFindsNothing) {
    auto document = Parse("<Save><as/></Save>");
    XmlNode root = document->AsNode();
    for (const char* text : {"Save as", "1.01", "http://x/y", "", "//", "/Save", "Save/", "//Save//as", "Save[",
                             "Save[@a]", "Save[@a=\"1\"", "Save[@a=\"1\" or @b=\"2\"]", "*", "..", "Save | as",
                             "//Save[@a=\"1\"]extra", "x:y", "Save[@a=\"x\" andnot]"}) {
        EXPECT_FALSE(root.SelectSingleNode(text)) << text;
        EXPECT_TRUE(root.SelectNodes(text).empty()) << text;
    }
    EXPECT_TRUE(root.SelectSingleNode("//Save/as"));
    EXPECT_FALSE(XmlNode().SelectSingleNode("//Save"));
}

// A document holds what 32-bit offsets address; the tests lower that to 16 MiB.
constexpr std::uint64_t kSmallLimit = 16u << 20;

std::string ManyElements(int count) {
    std::string text = "<r>";
    for (int i = 0; i < count; ++i) text += "<e name=\"a name longer than inline\"/>";
    return text + "</r>";
}

TEST(XmlArenaLimit, ADocumentBeyondReachDoesNotLoad) {
    const std::string large = ManyElements(300000);
    ScopedArenaLimit limit(kSmallLimit);
    auto document = CreateXmlDocument();
    EXPECT_FALSE(document->LoadXml(large));
    EXPECT_FALSE(document->DocumentElement());
    EXPECT_TRUE(document->LoadXml(ManyElements(1000)));
}

TEST(XmlArenaLimit, AFullDocumentRefusesNewNodesAndStaysWhole) {
    ScopedArenaLimit limit(kSmallLimit);
    auto document = Parse("<r/>");
    XmlNode root = document->DocumentElement();
    XmlNode last;
    int made = 0;
    for (XmlNode element; (element = document->CreateElement("e")); last = element, ++made) {
        ASSERT_TRUE(root.AppendChild(element));
        ASSERT_TRUE(element.SetAttribute("name", "a name longer than inline"));
    }
    EXPECT_GT(made, 10000);
    EXPECT_FALSE(document->CreateTextNode("text"));
    // The elements it has still take their attributes, so a credit never stops half done.
    EXPECT_TRUE(last.SetAttribute("time", "an attribute longer than inline"));

    const std::string saved = FormatXmlDocument(*document);
    auto again = CreateXmlDocument();
    xmldom::SetArenaLimit(0);
    ASSERT_TRUE(again->LoadXml(saved));
    EXPECT_EQ(FormatXmlDocument(*again), saved);
    EXPECT_EQ(again->DocumentElement().SelectNodes("e").size(), static_cast<std::size_t>(made));
}

TEST(XmlNarrowText, AnsiCodePageRoundTrips) {
    ASSERT_EQ(NarrowCodePage(), 1251);
    const std::string cyrillic = "\xcf\xf0\xe8\xe2\xe5\xf2 \xb9 1";  // "Привет № 1" in Windows-1251
    auto document = Parse("<r/>");
    XmlNode root = document->DocumentElement();
    root.SetAttribute("name", cyrillic);
    std::string value;
    root.GetAttribute("name", value);
    EXPECT_EQ(value, cyrillic);
    EXPECT_TRUE(document->AsNode().SelectSingleNode("//r[@name=\"" + cyrillic + "\"]"));
    EXPECT_EQ(NarrowToUtf8(cyrillic), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xe2\x84\x96 1");
    EXPECT_EQ(Utf8ToNarrow("\xe6\x97\xa5-\xd0\xaf"), "?-\xdf");  // a character 1251 lacks becomes '?'
    EXPECT_EQ(CodePageName(1251), "Windows-1251");
    EXPECT_EQ(CodePageName(1252), "windows-1252");
    EXPECT_EQ(CodePageFromName("WINDOWS-1252"), 1252);
    EXPECT_EQ(CodePageFromName("iso-8859-1"), 28591);
    EXPECT_EQ(CodePageFromName("klingon"), 0);
}

TEST(XmlNarrowText, InvalidUtf8NarrowTextLosesOnlyItsBadBytes) {
    NarrowCodePageScope utf8(kCodePageUtf8);
    const std::string replaced = "\xEF\xBF\xBD";
    const struct {
        std::string narrow;
        std::string utf8;
    } cases[] = {
        // A title cut inside its last character, by a program or the platform.
        {"\xD0\x9E\xD1\x82\xD1", "\xD0\x9E\xD1\x82" + replaced},
        {"a\xE6\x97 \xE6\x97\xA5", "a" + replaced + " \xE6\x97\xA5"},
        // A stray byte of another code page among good characters.
        {"caf\xE9 \xF0\x9F\x98\x80", "caf" + replaced + " \xF0\x9F\x98\x80"},
        {"\xFF\xFE", replaced + replaced},
        // Forms that look like UTF-8 but are not: overlong, a surrogate, past U+10FFFF.
        {"\xC0\xAFx\xED\xA0\x80y\xF4\x90\x80\x80", replaced + replaced + "x" + replaced + replaced + replaced +
                                                         "y" + replaced + replaced + replaced + replaced},
    };
    for (const auto& c : cases) EXPECT_EQ(NarrowToUtf8(c.narrow), c.utf8) << c.narrow;
}

}  // namespace

#include "platform/XmlDom.h"
#include "platform/XmlTextWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string RoundTripText(std::u16string_view text, bool asCData)
{
    CXmlDocument out;
    CXmlNode root = out.CreateDocumentElement(u"r");
    if (asCData)
        root.SetCData(text);
    else
        root.SetText(text);
    CXmlDocument in;
    std::string error;
    EXPECT_TRUE(in.Load(out.Serialize(), XmlLineEnds::Normalise, &error)) << error;
    return in.DocumentElement().Text();
}

} // namespace

TEST(XmlDom, SerialisesWithoutIndentationAndKeepsAttributeOrder)
{
    CXmlDocument document;
    document.AppendProcessingInstruction(u"xml", u"version=\"1.0\" encoding=\"UTF-8\"");
    CXmlNode root = document.CreateDocumentElement(u"QXSync");
    root.SetAttribute(u"z", u"1")
        .SetAttribute(u"a", 7u)
        .SetAttributeBool(u"m", true)
        .SetAttributeBool(u"b", false);
    root.SetAttribute(u"z", u"2"); // replacing keeps the place
    root.AppendElement(u"list").AppendElement(u"item").SetText(u"x < y & \"q\"");
    root.AppendElement(u"empty");

    EXPECT_EQ(document.Serialize(), u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                    u"<QXSync z=\"2\" a=\"7\" m=\"true\" b=\"false\">"
                                    u"<list><item>x &lt; y &amp; \"q\"</item></list><empty/></QXSync>");
}

TEST(XmlDom, InstructionAppendedAfterTheRootStillComesFirst)
{
    CXmlDocument document;
    document.CreateDocumentElement(u"r");
    document.AppendProcessingInstruction(u"xml", u"version=\"1.0\"");
    EXPECT_EQ(document.SerializeUtf8(), "<?xml version=\"1.0\"?><r/>");
}

TEST(XmlDom, TextRoundTripsThroughOurWriterAndParser)
{
    const std::u16string cases[] = {
        u"line one\r\nline two\r\n",
        u"\r\n",
        u"lone\rCR and lone\nLF",
        u" ",
        u"\n",
        u"tab\there",
        u"ends ]]> in the middle",
        u"\u00e4\u20ac\U0001F600",
        u"&amp; stays literal",
    };
    for (const std::u16string& text : cases) {
        EXPECT_EQ(RoundTripText(text, false), text);
        EXPECT_EQ(RoundTripText(text, true), text) << "as CDATA";
    }
}

TEST(XmlDom, AttributeValuesKeepLineBreaksAndTabs)
{
    CXmlDocument out;
    out.CreateDocumentElement(u"r").SetAttribute(u"v", u"a\r\nb\tc\"d");
    CXmlDocument in;
    ASSERT_TRUE(in.LoadUtf8(out.SerializeUtf8()));
    EXPECT_EQ(in.DocumentElement().Attribute(u"v"), u"a\r\nb\tc\"d");
}

TEST(XmlDom, LoadNormalisesLineEndsUnlessToldToKeepThem)
{
    CXmlDocument document;
    ASSERT_TRUE(document.LoadUtf8("<r>a\r\nb</r>"));
    EXPECT_EQ(document.DocumentElement().Text(), u"a\nb");
    ASSERT_TRUE(document.LoadUtf8("<r>a\r\nb</r>", XmlLineEnds::Keep));
    EXPECT_EQ(document.DocumentElement().Text(), u"a\r\nb");
}

TEST(XmlDom, ReadsChildrenAttributesAndText)
{
    CXmlDocument document;
    ASSERT_TRUE(document.Load(u"<r><s n='1'/>t<s n='2'><![CDATA[c]]>d</s><x/></r>"));
    const CXmlNode root = document.DocumentElement();
    EXPECT_EQ(root.Name(), u"r");
    EXPECT_EQ(root.ChildCount(), 4u);
    EXPECT_EQ(root.Child(1).Text(), u"");
    EXPECT_TRUE(root.Child(4).IsNull());
    EXPECT_EQ(root.ChildElements().size(), 3u);
    const auto selected = root.SelectNodes(u"s");
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[1].Attribute(u"n"), u"2");
    EXPECT_EQ(selected[1].Text(), u"cd");
    EXPECT_EQ(root.Text(), u"t");
    EXPECT_FALSE(selected[0].Attribute(u"missing").has_value());
    EXPECT_TRUE(root.FirstChildElement(u"none").IsNull());
    EXPECT_EQ(root.FirstChildElement(u"x").Name(), u"x");
}

TEST(XmlDom, BadDocumentsAreRefusedAndLeaveTheDocumentEmpty)
{
    const std::string cases[] = {
        "",           "   ", "not xml",  "<?xml version=\"1.0\"?>",
        "<a><b></a>", "<a>", "<a/><b/>", std::string("<a>x\0y</a>", 10),
        "<1a/>",
    };
    for (const std::string& text : cases) {
        CXmlDocument document;
        ASSERT_TRUE(document.LoadUtf8("<old/>"));
        std::string error;
        EXPECT_FALSE(document.LoadUtf8(text, XmlLineEnds::Normalise, &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_TRUE(document.DocumentElement().IsNull()) << text;
        EXPECT_EQ(document.SerializeUtf8(), "") << text;
    }
}

TEST(XmlDom, NeverExpandsCustomEntities)
{
    CXmlDocument document;
    ASSERT_TRUE(
        document.LoadUtf8("<!DOCTYPE r [<!ENTITY e \"EXPANDED\"><!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
                          "<r a=\"&e;\">&e;&x;&lt;&#65;</r>"));
    const CXmlNode root = document.DocumentElement();
    EXPECT_EQ(root.Text(), u"&e;&x;<A");
    EXPECT_EQ(root.Attribute(u"a"), u"&e;");
}

TEST(XmlDom, NullNodesAnswerEmptyAndIgnoreWrites)
{
    CXmlNode node;
    EXPECT_TRUE(node.IsNull());
    EXPECT_EQ(node.Name(), u"");
    EXPECT_EQ(node.ChildCount(), 0u);
    EXPECT_TRUE(node.AppendElement(u"x").IsNull());
    node.SetAttribute(u"a", u"b").SetText(u"t");
    EXPECT_FALSE(node.Attribute(u"a").has_value());
}

TEST(XmlDom, DeepDocumentsDoNotExhaustTheStack)
{
    std::string text;
    constexpr int kDepth = 200000;
    for (int i = 0; i < kDepth; ++i)
        text += "<a>";
    for (int i = 0; i < kDepth; ++i)
        text += "</a>";
    CXmlDocument document;
    ASSERT_TRUE(document.LoadUtf8(text));
    EXPECT_EQ(document.SerializeUtf8().size(), text.size() - 3 /* innermost "<a></a>" becomes "<a/>" */);
}

TEST(XmlDom, TextWriterWritesWhatTheTreeSerialiserWrites)
{
    const std::u16string awkward = u"a<b>&\"c\"\r\n\tGrü\u00dfe 😀 ]]>";
    CXmlDocument document;
    document.AppendProcessingInstruction(u"xml", u"version=\"1.0\"");
    CXmlNode root = document.CreateDocumentElement(u"root");
    root.SetAttribute(u"a", awkward).SetAttribute(u"b", u"");
    root.AppendElement(u"empty");
    root.AppendElement(u"full").SetAttribute(u"c", u"1").SetText(awkward);

    std::string text;
    CXmlTextWriter writer(text);
    writer.ProcessingInstruction("xml", "version=\"1.0\"");
    writer.StartElement("root");
    writer.Attribute("a", awkward);
    writer.Attribute("b", u"");
    writer.StartElement("empty");
    writer.EndElement();
    writer.StartElement("full");
    writer.Attribute("c", u"1");
    writer.Text(awkward);
    writer.EndElement();
    writer.EndElement();
    EXPECT_EQ(text, document.SerializeUtf8());
}

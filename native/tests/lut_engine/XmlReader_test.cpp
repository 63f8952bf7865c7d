#include "lut_engine/XmlReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AllocationRecord.h"
#include "lut_engine/ProcessListMessages.h"

namespace {

namespace msg = kv::messages;
using Index = kv::XmlDocument::Index;

// Reads from a heap block of exactly the text's length, no terminator, so
// that a read past the end is caught by the sanitizers.
bool readExact(const std::string& text, kv::XmlDocument& doc, std::string* error, std::unique_ptr<char[]>& block) {
    block = std::make_unique<char[]>(text.size() + 1);
    std::copy(text.begin(), text.end(), block.get());
    return kv::ReadXml(std::string_view(block.get(), text.size()), doc, error);
}

std::vector<std::string> segments(const kv::XmlDocument& doc, Index e) {
    std::vector<std::string> out;
    for (Index s = doc.FirstSegment(e); s != kv::XmlDocument::kNone; s = doc.NextSegment(s)) {
        out.emplace_back(doc.Segment(s));
    }
    return out;
}

TEST(XmlReader, ReadsElementsAttributesAndTextInOrder) {
    const std::string text =
        "<?xml version='1.0' encoding=\"UTF-8\" standalone='no'?>\n"
        "<!-- before -->\n<?tool run?>\n"
        "<root a=\"1\" b='two &amp; &quot;three&quot;' p:c=\"x\tline\r\nend\">\n"
        "  <first/><second k = 'v' >text</second>\n"
        "  <third><inner/></third>\n"
        "</root >\n<!-- after -->\n";
    kv::XmlDocument doc;
    std::unique_ptr<char[]> block;
    std::string error;
    ASSERT_TRUE(readExact(text, doc, &error, block)) << error;
    const Index root = doc.Root();
    EXPECT_EQ(doc.Name(root), "root");
    ASSERT_EQ(doc.AttributeCount(root), 3u);
    EXPECT_EQ(doc.AttributeName(root, 1), "b");
    EXPECT_EQ(doc.AttributeValue(root, 1), "two & \"three\"");
    // The prefix stays in the name; white space in a value becomes spaces,
    // a CRLF one space.
    EXPECT_EQ(doc.AttributeName(root, 2), "p:c");
    EXPECT_EQ(doc.AttributeValue(root, 2), "x line end");
    std::vector<std::string> children;
    for (Index c = doc.FirstChild(root); c != kv::XmlDocument::kNone; c = doc.NextSibling(c)) {
        children.emplace_back(doc.Name(c));
    }
    EXPECT_EQ(children, (std::vector<std::string>{"first", "second", "third"}));
    const Index second = doc.NextSibling(doc.FirstChild(root));
    EXPECT_EQ(doc.Text(second), "text");
    EXPECT_EQ(doc.AttributeValue(second, 0), "v");
    EXPECT_EQ(doc.Name(doc.FirstChild(doc.NextSibling(second))), "inner");
    EXPECT_TRUE(doc.TextIsBlank(root));
    EXPECT_FALSE(doc.TextIsBlank(second));
    EXPECT_EQ(doc.ElementCount(), 5u);
}

// Each reference, each CDATA section and each run between markup is a
// segment of its own; line ends read as "\n" everywhere.
TEST(XmlReader, KeepsTextInTheSegmentsItWasWrittenIn) {
    const struct {
        std::string content;
        std::vector<std::string> segments;
    } cases[] = {
        {"1 2", {"1 2"}},
        {"1<!-- c -->2", {"1", "2"}},
        {"1&#46;5", {"1", ".", "5"}},
        {"a&lt;&gt;&amp;&apos;&quot;b", {"a", "<", ">", "&", "'", "\"", "b"}},
        {"<![CDATA[<x> & ]]]]>tail", {"<x> & ]]", "tail"}},
        {"a<?pi x?>b<![CDATA[]]>c", {"a", "b", "c"}},
        {"l1\r\nl2\rl3\n&#13;", {"l1\nl2\nl3\n", "\r"}},
        {"<![CDATA[a\r\nb]]>", {"a\nb"}},
        {"&#65;&#x42;&#xe9;&#x10FFFF;&#0000067;", {"A", "B", "\xC3\xA9", "\xF4\x8F\xBF\xBF", "C"}},
        {"<child>inner</child>", {}},
        {"x<child>inner</child>y", {"x", "y"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        kv::XmlDocument doc;
        std::unique_ptr<char[]> block;
        std::string error;
        ASSERT_TRUE(readExact("<r>" + c.content + "</r>", doc, &error, block)) << error;
        EXPECT_EQ(segments(doc, doc.Root()), c.segments);
    }
}

TEST(XmlReader, AcceptsWhatXmlAllows) {
    const std::string cases[] = {
        "<r/>",
        "\xEF\xBB\xBF<r/>",
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>",
        "<?xml version=\"1.1\"?>\n<r/>\n\n",
        "<?xml version = '1.0' encoding = 'iso-8859-1' ?><r>caf\xE9</r>",
        "<?xml version=\"1.0\" encoding=\"US-ASCII\"?><r>plain</r>",
        "<r a=\">\" b='\"'/>",
        "<r>a > b ]] > c</r>",
        "<!----><r><!-- a - b --></r><!-- x -->",
        "<?xml-stylesheet href=\"s\"?><r/>",
        "<r>\xE2\x82\xAC \xF0\x9F\x8E\xA8 \xC2\x85</r>",
        "<r:x xmlns:r=\"u\"><r:y/></r:x>",
        "<_a.b-c1 _d.e-f2=\"\"/>",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        kv::XmlDocument doc;
        std::unique_ptr<char[]> block;
        std::string error;
        EXPECT_TRUE(readExact(text, doc, &error, block)) << error;
    }
}

TEST(XmlReader, RefusesWhatIsNotWellFormed) {
    const struct {
        std::string text;
        std::string_view message;
    } cases[] = {
        {"", msg::kXmlNoRoot},
        {"  \n<!-- only -->", msg::kXmlNoRoot},
        {"text<r/>", msg::kXmlOutsideRoot},
        {"<r/>text", msg::kXmlOutsideRoot},
        {"<r/><r/>", msg::kXmlOutsideRoot},
        {"<r/>&amp;", msg::kXmlOutsideRoot},
        {"<r>", msg::kXmlUnclosed},
        {"<r><a></r>", msg::kXmlMismatchedEndTag},
        {"<r", msg::kXmlMalformedTag},
        {"< r/>", msg::kXmlMalformedTag},
        {"<r></ r>", msg::kXmlMalformedTag},
        {"<1r/>", msg::kXmlMalformedTag},
        {"<r a=\"1\"b=\"2\"/>", msg::kXmlMalformedTag},
        {"<r a/>", msg::kXmlMalformedTag},
        {"<r a=1/>", msg::kXmlMalformedTag},
        {"<r a=\"<\"/>", msg::kXmlMalformedTag},
        {"<r a=\"1\" a=\"2\"/>", msg::kXmlDuplicateAttribute},
        {"<r>a & b</r>", msg::kXmlBadReference},
        {"<r>&foo;</r>", msg::kXmlBadReference},
        {"<r a=\"&#x41\"/>", msg::kXmlBadReference},
        {"<r>&#;</r>", msg::kXmlBadReference},
        {"<r>&#12a;</r>", msg::kXmlBadReference},
        {"<r>&#0;</r>", msg::kXmlBadCharReference},
        {"<r>&#xD800;</r>", msg::kXmlBadCharReference},
        {"<r>&#x110000;</r>", msg::kXmlBadCharReference},
        {"<r>&#99999999999;</r>", msg::kXmlBadCharReference},
        {"<r>a ]]> b</r>", msg::kXmlCDataEndInText},
        {"<r><![CDATA[open</r>", msg::kXmlMalformedCData},
        {"<r><!-- a -- b --></r>", msg::kXmlMalformedComment},
        {"<r><!-- a ---></r>", msg::kXmlMalformedComment},
        {"<r><? x?></r>", msg::kXmlMalformedInstruction},
        {"<r><?pi-x?></r><?pix", msg::kXmlMalformedInstruction},
        {"<r><?XML x?></r>", msg::kXmlMisplacedDeclaration},
        {"\n<?xml version=\"1.0\"?><r/>", msg::kXmlMisplacedDeclaration},
        {"<?xml encoding=\"UTF-8\"?><r/>", msg::kXmlBadDeclaration},
        {"<?xml version=\"1.0\" standalone=\"maybe\"?><r/>", msg::kXmlBadDeclaration},
        {"<?xml encoding=\"UTF-8\" version=\"1.0\"?><r/>", msg::kXmlBadDeclaration},
        {"<?xml version=\"1.0\"<r/>", msg::kXmlBadDeclaration},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><r/>", msg::kXmlUnknownEncoding},
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><r/>", msg::kXmlUnknownEncoding},
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>", msg::kXmlUnknownEncoding},
        {"<!DOCTYPE r><r/>", msg::kXmlDoctype},
        {"<!DOCTYPE r [<!ENTITY e \"x\">]><r>&e;</r>", msg::kXmlDoctype},
        {"<r><!ELEMENT r></r>", msg::kXmlMalformedTag},
        {"<r>\x01</r>", msg::kXmlBadCharacter},
        {std::string("<r>\0</r>", 8), msg::kXmlBadCharacter},
        {"<?xml version=\"1.0\" encoding=\"US-ASCII\"?><r>caf\xC3\xA9</r>", msg::kXmlBadCharacter},
        {"<r>caf\xE9</r>", msg::kXmlNotUtf8},
        {"<r>\xC0\xAF</r>", msg::kXmlNotUtf8},
        {"<r>\xED\xA0\x80</r>", msg::kXmlNotUtf8},
        {"<r>\xF4\x90\x80\x80</r>", msg::kXmlNotUtf8},
        {"<r>\xEF\xBF\xBE</r>", msg::kXmlBadCharacter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        kv::XmlDocument doc;
        std::unique_ptr<char[]> block;
        std::string error;
        EXPECT_FALSE(readExact(c.text, doc, &error, block));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(doc.Root(), kv::XmlDocument::kNone);
    }
}

std::string nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<e>";
    for (int i = 0; i < depth; ++i) text += "</e>";
    return text;
}

std::string withAttributes(size_t n) {
    std::string text = "<r";
    for (size_t i = 0; i < n; ++i) text += " a" + std::to_string(i) + "=\"\"";
    return text + "/>";
}

TEST(XmlReader, KeepsToItsLimits) {
    kv::XmlDocument doc;
    std::string error;
    EXPECT_TRUE(kv::ReadXml(nested(kv::kMaxXmlDepth), doc, &error)) << error;
    EXPECT_FALSE(kv::ReadXml(nested(kv::kMaxXmlDepth + 1), doc, &error));
    EXPECT_EQ(error, msg::kXmlTooDeep);
    EXPECT_TRUE(kv::ReadXml(withAttributes(kv::kMaxXmlAttributesPerElement), doc, &error)) << error;
    EXPECT_FALSE(kv::ReadXml(withAttributes(kv::kMaxXmlAttributesPerElement + 1), doc, &error));
    EXPECT_EQ(error, msg::kXmlTooManyAttributes);

    std::string many = "<r>";
    for (size_t i = 1; i < kv::kMaxXmlElements; ++i) many += "<a/>";
    EXPECT_TRUE(kv::ReadXml(many + "</r>", doc, &error)) << error;
    EXPECT_EQ(doc.ElementCount(), kv::kMaxXmlElements);
    EXPECT_FALSE(kv::ReadXml(many + "<a/></r>", doc, &error));
    EXPECT_EQ(error, msg::kXmlTooManyNodes);
}

// What the reader allocates follows what the text holds, whatever the text
// is made of: no single allocation beyond a small multiple of its length.
TEST(XmlReader, AllocatesInProportionToTheText) {
    auto repeat = [](std::string_view unit, size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += unit;
        return s;
    };
    const std::string cases[] = {
        "<r>" + repeat("<a/>", 50000) + "</r>",
        "<r>" + repeat("&lt;", 50000) + "</r>",
        "<r>" + repeat("1<!---->", 30000) + "</r>",
        "<r>" + repeat("0.5 \r\n", 40000) + "</r>",
        "<r>" + repeat("<a b=\"&amp;\" c=\"\t\"/>", 10000) + "</r>",
        "<r>" + repeat("<a>", 63) + repeat("</a>", 63) + "</r>",
        repeat("<", 100000),
        "<r>" + repeat("<a/>", 50000),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 24));
        kv::XmlDocument doc;
        size_t largest = 0;
        {
            const kvtest::LargestAllocation record;
            kv::ReadXml(text, doc, nullptr);
            largest = record.bytes();
        }
        EXPECT_LE(largest, 16 * text.size());
    }
}

// Every prefix of a document is refused (save the whole), and reading it
// stays inside the text: the sanitizers check the exact-size blocks.
TEST(XmlReader, NeverReadsPastTheEndOfItsText) {
    const std::string text =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?><!--c--><r a='&#x41;&amp;'><b>1&#46;2</b><![CDATA[x]]><?p d?></r>";
    for (size_t n = 0; n < text.size(); ++n) {
        kv::XmlDocument doc;
        std::unique_ptr<char[]> block;
        std::string error;
        EXPECT_FALSE(readExact(text.substr(0, n), doc, &error, block)) << n;
        EXPECT_FALSE(error.empty());
    }
    kv::XmlDocument doc;
    std::unique_ptr<char[]> block;
    EXPECT_TRUE(readExact(text, doc, nullptr, block));
}

}  // namespace

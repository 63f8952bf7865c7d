#pragma once
// A small reader of XML documents, for the LUT files that are XML (CLF
// process lists, ASC CDL corrections). It keeps what those readers need:
// elements with their attributes and character data; comments and processing
// instructions are checked and dropped.
//
//   document  := BOM? XMLDecl? Misc* element Misc*
//   Misc      := Comment | PI | S
//   content   := (element | CharData | Reference | CDSect | PI | Comment)*
//
// Refused: document type declarations (and with them every entity beyond the
// five predefined ones), encodings other than UTF-8, US-ASCII and ISO-8859-1,
// characters XML does not allow, and anything not well-formed. Element and
// attribute names are kept as written, prefix included: there is no namespace
// processing, so callers match local names and check xmlns attributes
// themselves.
//
// Character data is kept in the segments it was written in: each run of
// plain text, each character or entity reference and each CDATA section is
// a segment of its own, in order. Readers of numbers treat the boundary
// between two segments as a separator, as other XML-based LUT readers do.
// Line ends are normalised to "\n" in text and attribute values, and white
// space in attribute values to " ", as XML requires. Text of an ISO-8859-1
// document is left in its bytes; character references are always UTF-8.
//
// The document refers to the text it was read from, which must outlive it.
// Memory grows only with what the text holds: a few words per element,
// attribute and segment (each needs at least a few bytes of text, and their
// counts are limited), and at most one copy of the text for references and
// line ends that had to be decoded.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The largest document read, the deepest nesting of elements (the root is
// at depth 1) and the most elements, attributes and text segments a document
// may hold: far beyond any LUT file, while keeping the tables of a crafted
// file within a few hundred MiB. Attributes per element are limited so that
// checking them for duplicates stays cheap.
inline constexpr size_t kMaxXmlBytes = size_t{256} << 20;
inline constexpr int kMaxXmlDepth = 64;
inline constexpr size_t kMaxXmlElements = size_t{1} << 20;
inline constexpr size_t kMaxXmlAttributes = size_t{1} << 20;
inline constexpr size_t kMaxXmlSegments = size_t{1} << 22;
inline constexpr size_t kMaxXmlAttributesPerElement = 256;

class XmlDocument {
public:
    using Index = uint32_t;
    static constexpr Index kNone = UINT32_MAX;

    // The root element; kNone for a document that was not read.
    Index Root() const { return elements_.empty() ? kNone : 0; }
    size_t ElementCount() const { return elements_.size(); }

    std::string_view Name(Index element) const { return elements_[element].name; }
    Index FirstChild(Index element) const { return elements_[element].firstChild; }
    Index NextSibling(Index element) const { return elements_[element].nextSibling; }

    size_t AttributeCount(Index element) const { return elements_[element].attributeCount; }
    std::string_view AttributeName(Index element, size_t i) const;
    std::string_view AttributeValue(Index element, size_t i) const;

    // The element's own character data, segment by segment (not its
    // children's): FirstSegment, then NextSegment until kNone.
    Index FirstSegment(Index element) const { return elements_[element].firstSegment; }
    Index NextSegment(Index segment) const { return segments_[segment].next; }
    std::string_view Segment(Index segment) const { return View(segments_[segment].text); }

    // All of the element's own character data, joined.
    std::string Text(Index element) const;
    // True when the element's own character data is only XML white space.
    bool TextIsBlank(Index element) const;

private:
    friend class XmlParser;

    // A piece of text: a view of the input, or of the decoded copies.
    struct Span {
        uint32_t offset = 0;
        uint32_t length = 0;
        bool decoded = false;
    };
    struct Element {
        std::string_view name;
        Index firstChild = kNone;
        Index nextSibling = kNone;
        Index firstSegment = kNone;
        Index lastSegment = kNone;
        uint32_t firstAttribute = 0;
        uint32_t attributeCount = 0;
    };
    struct Attribute {
        std::string_view name;
        Span value;
    };
    struct TextSegment {
        Span text;
        Index next = kNone;
    };

    std::string_view View(const Span& span) const {
        const char* base = span.decoded ? decoded_.data() : input_.data();
        return std::string_view(base + span.offset, span.length);
    }

    std::string_view input_;
    std::string decoded_;
    std::vector<Element> elements_;
    std::vector<Attribute> attributes_;
    std::vector<TextSegment> segments_;
};

// Reads `text` into `document`. Returns false for anything that is not a
// well-formed document within the limits above and, when `error` is given,
// assigns one of the fixed messages of ProcessListMessages.h to it; the
// document is then empty. Never throws for bad input and reads nothing
// beyond text.size().
bool ReadXml(std::string_view text, XmlDocument& document, std::string* error = nullptr);

// XML white space: space, tab, line feed, carriage return.
constexpr bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace kv

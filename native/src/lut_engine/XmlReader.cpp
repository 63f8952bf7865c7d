#include "lut_engine/XmlReader.h"

#include <algorithm>

#include "lut_engine/ProcessListMessages.h"
#include "lut_engine/XmlCharacters.h"

namespace kv {
namespace msg = messages;

std::string_view XmlDocument::AttributeName(Index element, size_t i) const {
    return attributes_[elements_[element].firstAttribute + i].name;
}

std::string_view XmlDocument::AttributeValue(Index element, size_t i) const {
    return View(attributes_[elements_[element].firstAttribute + i].value);
}

std::string XmlDocument::Text(Index element) const {
    std::string text;
    for (Index s = FirstSegment(element); s != kNone; s = NextSegment(s)) text += Segment(s);
    return text;
}

bool XmlDocument::TextIsBlank(Index element) const {
    for (Index s = FirstSegment(element); s != kNone; s = NextSegment(s)) {
        for (const char c : Segment(s)) {
            if (!IsXmlSpace(c)) return false;
        }
    }
    return true;
}

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Names: ASCII as XML defines them; any byte of a multi-byte character is
// taken as a name character (the text was checked to be valid beforehand).
bool IsNameStart(char c) { return IsAsciiLetter(c) || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

}  // namespace

// One pass over the text, building the document as it goes. Each method
// returns false after recording the first failure's message.
class XmlParser {
public:
    XmlParser(std::string_view text, XmlDocument& doc) : text_(text), doc_(doc) {}

    std::string_view Parse();

private:
    using Index = XmlDocument::Index;
    static constexpr Index kNone = XmlDocument::kNone;

    // An open element and its last child so far, for linking the next one.
    struct Open {
        Index element;
        Index lastChild;
    };

    bool Fail(std::string_view message) {
        if (error_.empty()) error_ = message;
        return false;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    bool LooksAt(std::string_view s) const { return text_.substr(pos_, s.size()) == s; }
    size_t SkipSpace() {
        const size_t start = pos_;
        while (pos_ < text_.size() && IsXmlSpace(text_[pos_])) ++pos_;
        return pos_ - start;
    }

    bool Declaration();
    bool Misc(bool& sawRoot);
    bool Name(std::string_view& name);
    bool Comment();
    bool ProcessingInstruction();
    bool CData();
    bool StartTag();
    bool EndTag();
    bool Attribute(std::string_view& name, XmlDocument::Span& value);
    bool Reference(std::string& out);
    bool TextRun();
    bool Content();

    XmlDocument::Span Keep(size_t begin, size_t end) const {
        return {static_cast<uint32_t>(begin), static_cast<uint32_t>(end - begin), false};
    }
    XmlDocument::Span KeepDecoded(size_t begin) const {
        return {static_cast<uint32_t>(begin), static_cast<uint32_t>(doc_.decoded_.size() - begin), true};
    }
    bool AddSegment(const XmlDocument::Span& span);

    std::string_view text_;
    size_t pos_ = 0;
    XmlDocument& doc_;
    XmlEncoding encoding_ = XmlEncoding::kUtf8;
    std::vector<Open> open_;
    std::string_view error_;
};

// The optional declaration, which only the very start of the text may hold:
//   '<?xml' S 'version' Eq Q VersionNum Q (S 'encoding' Eq Q EncName Q)?
//   (S 'standalone' Eq Q ('yes'|'no') Q)? S? '?>'
bool XmlParser::Declaration() {
    if (!LooksAt("<?xml") || pos_ + 5 >= text_.size() || !IsXmlSpace(text_[pos_ + 5])) return true;
    pos_ += 5;
    // Pseudo-attributes in their fixed order; the value's characters are
    // checked per pseudo-attribute.
    auto pseudo = [&](std::string_view name, std::string_view& value) {
        const size_t save = pos_;
        if (SkipSpace() == 0 || !LooksAt(name)) {
            pos_ = save;
            return false;
        }
        pos_ += name.size();
        SkipSpace();
        if (AtEnd() || text_[pos_] != '=') return Fail(msg::kXmlBadDeclaration);
        ++pos_;
        SkipSpace();
        if (AtEnd() || (text_[pos_] != '"' && text_[pos_] != '\'')) return Fail(msg::kXmlBadDeclaration);
        const char quote = text_[pos_++];
        const size_t end = text_.find(quote, pos_);
        if (end == std::string_view::npos) return Fail(msg::kXmlBadDeclaration);
        value = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        return true;
    };
    std::string_view version, encoding, standalone;
    if (!pseudo("version", version)) return Fail(msg::kXmlBadDeclaration);
    const bool versionOk = !version.empty() && std::all_of(version.begin(), version.end(), [](char c) {
        return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == ':' || c == '-';
    });
    if (!versionOk) return Fail(msg::kXmlBadDeclaration);
    if (pseudo("encoding", encoding)) {
        const bool nameOk = !encoding.empty() && IsAsciiLetter(encoding[0]) &&
                            std::all_of(encoding.begin(), encoding.end(), [](char c) {
                                return IsAsciiLetter(c) || IsDigit(c) || c == '.' || c == '_' || c == '-';
                            });
        if (!nameOk) return Fail(msg::kXmlBadDeclaration);
        if (EqualsNoCase(encoding, "UTF-8")) {
            encoding_ = XmlEncoding::kUtf8;
        } else if (EqualsNoCase(encoding, "US-ASCII")) {
            encoding_ = XmlEncoding::kUsAscii;
        } else if (EqualsNoCase(encoding, "ISO-8859-1")) {
            encoding_ = XmlEncoding::kLatin1;
        } else {
            return Fail(msg::kXmlUnknownEncoding);
        }
    } else if (!error_.empty()) {
        return false;
    }
    if (pseudo("standalone", standalone)) {
        if (standalone != "yes" && standalone != "no") return Fail(msg::kXmlBadDeclaration);
    } else if (!error_.empty()) {
        return false;
    }
    SkipSpace();
    if (!LooksAt("?>")) return Fail(msg::kXmlBadDeclaration);
    pos_ += 2;
    return true;
}

bool XmlParser::Name(std::string_view& name) {
    const size_t start = pos_;
    if (AtEnd() || !IsNameStart(text_[pos_])) return Fail(msg::kXmlMalformedTag);
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    name = text_.substr(start, pos_ - start);
    return true;
}

// '<!--' ((Char - '-') | ('-' (Char - '-')))* '-->'
bool XmlParser::Comment() {
    pos_ += 4;
    const size_t dashes = text_.find("--", pos_);
    if (dashes == std::string_view::npos) return Fail(msg::kXmlMalformedComment);
    if (dashes + 2 >= text_.size() || text_[dashes + 2] != '>') return Fail(msg::kXmlMalformedComment);
    pos_ = dashes + 3;
    return true;
}

// '<?' PITarget (S (Char* - (Char* '?>' Char*)))? '?>', the target not "xml"
// in any case (only the declaration at the start may be that).
bool XmlParser::ProcessingInstruction() {
    pos_ += 2;
    std::string_view target;
    if (AtEnd() || !IsNameStart(text_[pos_]) || !Name(target)) return Fail(msg::kXmlMalformedInstruction);
    if (EqualsNoCase(target, "xml")) return Fail(msg::kXmlMisplacedDeclaration);
    if (!LooksAt("?>") && SkipSpace() == 0) return Fail(msg::kXmlMalformedInstruction);
    const size_t end = text_.find("?>", pos_);
    if (end == std::string_view::npos) return Fail(msg::kXmlMalformedInstruction);
    pos_ = end + 2;
    return true;
}

// '<![CDATA[' (Char* - (Char* ']]>' Char*)) ']]>': one segment, line ends
// normalised.
bool XmlParser::CData() {
    pos_ += 9;
    const size_t end = text_.find("]]>", pos_);
    if (end == std::string_view::npos) return Fail(msg::kXmlMalformedCData);
    const std::string_view body = text_.substr(pos_, end - pos_);
    if (body.find('\r') == std::string_view::npos) {
        if (!AddSegment(Keep(pos_, end))) return false;
    } else {
        const size_t begin = doc_.decoded_.size();
        for (size_t i = 0; i < body.size(); ++i) {
            if (body[i] != '\r') {
                doc_.decoded_.push_back(body[i]);
            } else {
                doc_.decoded_.push_back('\n');
                if (i + 1 < body.size() && body[i + 1] == '\n') ++i;
            }
        }
        if (!AddSegment(KeepDecoded(begin))) return false;
    }
    pos_ = end + 3;
    return true;
}

// '&' Name ';' for the five predefined entities, '&#' digits ';' or
// '&#x' hex digits ';' for a character XML allows. Appends what it stands
// for to `out`.
bool XmlParser::Reference(std::string& out) {
    size_t p = pos_ + 1;
    if (p < text_.size() && text_[p] == '#') {
        const bool hex = p + 1 < text_.size() && text_[p + 1] == 'x';
        p += hex ? 2 : 1;
        const size_t first = p;
        uint32_t c = 0;
        for (; p < text_.size() && text_[p] != ';'; ++p) {
            const char d = Lower(text_[p]);
            uint32_t v = 0;
            if (IsDigit(d)) {
                v = static_cast<uint32_t>(d - '0');
            } else if (hex && d >= 'a' && d <= 'f') {
                v = static_cast<uint32_t>(d - 'a' + 10);
            } else {
                return Fail(msg::kXmlBadReference);
            }
            // Leading zeros may be many; the value may not pass U+10FFFF.
            c = c * (hex ? 16 : 10) + v;
            if (c > 0x10FFFF) return Fail(msg::kXmlBadCharReference);
        }
        if (p == first || p >= text_.size()) return Fail(msg::kXmlBadReference);
        if (!IsXmlChar(c)) return Fail(msg::kXmlBadCharReference);
        AppendUtf8(out, c);
        pos_ = p + 1;
        return true;
    }
    static constexpr std::string_view kNames[] = {"lt;", "gt;", "amp;", "apos;", "quot;"};
    static constexpr char kChars[] = {'<', '>', '&', '\'', '"'};
    for (size_t i = 0; i < std::size(kNames); ++i) {
        if (text_.substr(p, kNames[i].size()) == kNames[i]) {
            out.push_back(kChars[i]);
            pos_ = p + kNames[i].size();
            return true;
        }
    }
    return Fail(msg::kXmlBadReference);
}

bool XmlParser::AddSegment(const XmlDocument::Span& span) {
    if (span.length == 0) return true;
    if (doc_.segments_.size() >= kMaxXmlSegments) return Fail(msg::kXmlTooManyNodes);
    const Index s = static_cast<Index>(doc_.segments_.size());
    doc_.segments_.push_back({span, kNone});
    XmlDocument::Element& owner = doc_.elements_[open_.back().element];
    if (owner.lastSegment == kNone) {
        owner.firstSegment = s;
    } else {
        doc_.segments_[owner.lastSegment].next = s;
    }
    owner.lastSegment = s;
    return true;
}

// Character data up to the next "<" or "&": one segment, line ends
// normalised. "]]>" may not appear in it.
bool XmlParser::TextRun() {
    const size_t start = pos_;
    bool hasCr = false;
    while (pos_ < text_.size() && text_[pos_] != '<' && text_[pos_] != '&') {
        if (text_[pos_] == '>' && pos_ >= start + 2 && text_[pos_ - 1] == ']' && text_[pos_ - 2] == ']') {
            return Fail(msg::kXmlCDataEndInText);
        }
        hasCr |= text_[pos_] == '\r';
        ++pos_;
    }
    if (!hasCr) return AddSegment(Keep(start, pos_));
    const size_t begin = doc_.decoded_.size();
    for (size_t i = start; i < pos_; ++i) {
        if (text_[i] != '\r') {
            doc_.decoded_.push_back(text_[i]);
        } else {
            doc_.decoded_.push_back('\n');
            if (i + 1 < pos_ && text_[i + 1] == '\n') ++i;
        }
    }
    return AddSegment(KeepDecoded(begin));
}

// Name Eq AttValue, the value normalised: references decoded, each line end
// and each literal white-space character made one space.
bool XmlParser::Attribute(std::string_view& name, XmlDocument::Span& value) {
    if (!Name(name)) return false;
    SkipSpace();
    if (AtEnd() || text_[pos_] != '=') return Fail(msg::kXmlMalformedTag);
    ++pos_;
    SkipSpace();
    if (AtEnd() || (text_[pos_] != '"' && text_[pos_] != '\'')) return Fail(msg::kXmlMalformedTag);
    const char quote = text_[pos_++];
    const size_t end = text_.find(quote, pos_);
    if (end == std::string_view::npos) return Fail(msg::kXmlMalformedTag);
    const std::string_view raw = text_.substr(pos_, end - pos_);
    if (raw.find('<') != std::string_view::npos) return Fail(msg::kXmlMalformedTag);
    if (raw.find_first_of("&\t\n\r") == std::string_view::npos) {
        value = Keep(pos_, end);
        pos_ = end + 1;
        return true;
    }
    const size_t begin = doc_.decoded_.size();
    while (pos_ < end) {
        const char c = text_[pos_];
        if (c == '&') {
            // A reference's ";" lies before the closing quote, since neither
            // its name nor its digits may hold a quote.
            if (!Reference(doc_.decoded_)) return false;
            if (pos_ > end) return Fail(msg::kXmlBadReference);
            continue;
        }
        if (c == '\r' && pos_ + 1 < end && text_[pos_ + 1] == '\n') ++pos_;
        doc_.decoded_.push_back(IsXmlSpace(c) ? ' ' : c);
        ++pos_;
    }
    value = KeepDecoded(begin);
    pos_ = end + 1;
    return true;
}

// '<' Name (S Attribute)* S? ('/>' | '>'): adds the element under the open
// one (or as the root) and opens it unless it is empty.
bool XmlParser::StartTag() {
    ++pos_;
    std::string_view name;
    if (!Name(name)) return false;
    if (open_.size() >= static_cast<size_t>(kMaxXmlDepth)) return Fail(msg::kXmlTooDeep);
    if (doc_.elements_.size() >= kMaxXmlElements) return Fail(msg::kXmlTooManyNodes);
    const Index e = static_cast<Index>(doc_.elements_.size());
    XmlDocument::Element element;
    element.name = name;
    element.firstAttribute = static_cast<uint32_t>(doc_.attributes_.size());
    doc_.elements_.push_back(element);
    if (!open_.empty()) {
        Open& parent = open_.back();
        if (parent.lastChild == kNone) {
            doc_.elements_[parent.element].firstChild = e;
        } else {
            doc_.elements_[parent.lastChild].nextSibling = e;
        }
        parent.lastChild = e;
    }
    for (;;) {
        const size_t spaces = SkipSpace();
        if (AtEnd()) return Fail(msg::kXmlMalformedTag);
        if (text_[pos_] == '>' || LooksAt("/>")) break;
        if (spaces == 0) return Fail(msg::kXmlMalformedTag);
        std::string_view attrName;
        XmlDocument::Span value;
        if (!Attribute(attrName, value)) return false;
        XmlDocument::Element& self = doc_.elements_[e];
        if (self.attributeCount >= kMaxXmlAttributesPerElement) return Fail(msg::kXmlTooManyAttributes);
        if (doc_.attributes_.size() >= kMaxXmlAttributes) return Fail(msg::kXmlTooManyNodes);
        for (uint32_t a = 0; a < self.attributeCount; ++a) {
            if (doc_.attributes_[self.firstAttribute + a].name == attrName) return Fail(msg::kXmlDuplicateAttribute);
        }
        doc_.attributes_.push_back({attrName, value});
        ++self.attributeCount;
    }
    if (text_[pos_] == '>') {
        ++pos_;
        open_.push_back({e, kNone});
    } else {
        pos_ += 2;
    }
    return true;
}

// '</' Name S? '>', matching the open element's name.
bool XmlParser::EndTag() {
    pos_ += 2;
    std::string_view name;
    if (!Name(name)) return false;
    SkipSpace();
    if (AtEnd() || text_[pos_] != '>') return Fail(msg::kXmlMalformedTag);
    ++pos_;
    if (name != doc_.elements_[open_.back().element].name) return Fail(msg::kXmlMismatchedEndTag);
    open_.pop_back();
    return true;
}

// Everything from after the root's start tag to the end of the root.
bool XmlParser::Content() {
    while (!open_.empty()) {
        if (AtEnd()) return Fail(msg::kXmlUnclosed);
        const char c = text_[pos_];
        bool ok = true;
        if (c == '&') {
            const size_t begin = doc_.decoded_.size();
            ok = Reference(doc_.decoded_) && AddSegment(KeepDecoded(begin));
        } else if (c != '<') {
            ok = TextRun();
        } else if (LooksAt("</")) {
            ok = EndTag();
        } else if (LooksAt("<!--")) {
            ok = Comment();
        } else if (LooksAt("<![CDATA[")) {
            ok = CData();
        } else if (LooksAt("<?")) {
            ok = ProcessingInstruction();
        } else if (LooksAt("<!")) {
            ok = Fail(LooksAt("<!DOCTYPE") ? msg::kXmlDoctype : msg::kXmlMalformedTag);
        } else {
            ok = StartTag();
        }
        if (!ok) return false;
    }
    return true;
}

// White space, comments and processing instructions outside the root; the
// root itself when it comes.
bool XmlParser::Misc(bool& sawRoot) {
    while (SkipSpace(), !AtEnd()) {
        bool ok = true;
        if (LooksAt("<!--")) {
            ok = Comment();
        } else if (LooksAt("<?")) {
            ok = ProcessingInstruction();
        } else if (LooksAt("<!DOCTYPE")) {
            ok = Fail(msg::kXmlDoctype);
        } else if (text_[pos_] == '<' && !LooksAt("</") && !LooksAt("<!") && !sawRoot) {
            sawRoot = true;
            ok = StartTag() && Content();
        } else {
            ok = Fail(msg::kXmlOutsideRoot);
        }
        if (!ok) return false;
    }
    return true;
}

std::string_view XmlParser::Parse() {
    if (text_.size() > kMaxXmlBytes) return msg::kXmlTooLarge;
    const bool bom = text_.starts_with("\xEF\xBB\xBF");
    if (bom) text_.remove_prefix(3);
    doc_.input_ = text_;
    if (!Declaration()) return error_;
    if (bom && encoding_ != XmlEncoding::kUtf8) return msg::kXmlUnknownEncoding;
    if (const std::string_view bad = CheckXmlCharacters(text_, encoding_); !bad.empty()) return bad;
    open_.reserve(kMaxXmlDepth);
    bool sawRoot = false;
    if (!Misc(sawRoot)) return error_;
    if (!sawRoot) return msg::kXmlNoRoot;
    return {};
}

bool ReadXml(std::string_view text, XmlDocument& document, std::string* error) {
    document = XmlDocument();
    XmlParser parser(text, document);
    const std::string_view failure = parser.Parse();
    if (failure.empty()) return true;
    document = XmlDocument();
    return msg::Fail(error, failure);
}

}  // namespace kv

#pragma once
// The characters of an XML document: which code points XML allows, the
// encodings the reader takes, and UTF-8 encoding of character references.

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

enum class XmlEncoding { kUtf8, kUsAscii, kLatin1 };

// A code point XML allows: tab, line feed, carriage return, U+0020..U+D7FF,
// U+E000..U+FFFD, U+10000..U+10FFFF.
bool IsXmlChar(uint32_t c);

// Checks every character of the text: valid in its encoding (for UTF-8 the
// shortest form, no surrogates, nothing past U+10FFFF) and allowed by XML.
// Returns the failure's message, empty when all are fine.
std::string_view CheckXmlCharacters(std::string_view text, XmlEncoding encoding);

// Appends the UTF-8 form of a code point up to U+10FFFF.
void AppendUtf8(std::string& out, uint32_t c);

}  // namespace kv

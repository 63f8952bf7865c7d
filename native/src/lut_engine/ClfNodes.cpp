#include "lut_engine/ClfNodes.h"

#include <cmath>

#include "lut_engine/XmlNumbers.h"

namespace kv::clf {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

}  // namespace

bool NameIs(std::string_view name, std::string_view expected) {
    if (name.size() != expected.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (Lower(name[i]) != Lower(expected[i])) return false;
    }
    return true;
}

std::optional<std::string_view> FindAttribute(const XmlDocument& doc, Index element, std::string_view name) {
    std::optional<std::string_view> value;
    for (size_t i = 0; i < doc.AttributeCount(element); ++i) {
        if (NameIs(doc.AttributeName(element, i), name)) value = doc.AttributeValue(element, i);
    }
    return value;
}

Index FindChild(const XmlDocument& doc, Index element, std::string_view name, size_t* count) {
    Index found = XmlDocument::kNone;
    size_t n = 0;
    for (Index child = doc.FirstChild(element); child != XmlDocument::kNone; child = doc.NextSibling(child)) {
        if (NameIs(doc.Name(child), name)) {
            found = child;
            ++n;
        }
    }
    if (count != nullptr) *count = n;
    return found;
}

bool ReadOneNumber(std::string_view text, double& value) {
    size_t n = 0;
    return ForEachNumber(text, [&](double v) {
               value = v;
               return ++n == 1;
           }) &&
           n == 1;
}

bool ReadOneNumber(const XmlDocument& doc, Index element, double& value) {
    size_t n = 0;
    return ForEachNumber(doc, element, [&](double v) {
               value = v;
               return ++n == 1;
           }) &&
           n == 1;
}

bool ToFiniteFloat(double value, float& out) {
    out = static_cast<float>(value);
    return std::isfinite(out);
}

}  // namespace kv::clf

#pragma once
// The readers of CLF process nodes, shared by ClfFile.cpp (which checks the
// ProcessList and each node's bit depths, then hands each node here) and the
// node files. Not part of the engine's interface.
//
// CLF names are matched without regard to case, element and attribute names
// alike, and so are the words of attribute values (styles, bit depths,
// interpolations, "true"), as other CLF readers match them. Within a node,
// elements these readers do not know (descriptions, anything else) are
// skipped, and a later element or attribute of the same name replaces an
// earlier one; only Array must be one.

#include <optional>
#include <string_view>

#include "lut_engine/ProcessList.h"
#include "lut_engine/XmlReader.h"

namespace kv::clf {

using Index = XmlDocument::Index;

bool NameIs(std::string_view name, std::string_view expected);

// The value of the element's last attribute of that name, if any.
std::optional<std::string_view> FindAttribute(const XmlDocument& doc, Index element, std::string_view name);

// The element's last child of that name, kNone if none; `count`, when given,
// receives how many there are.
Index FindChild(const XmlDocument& doc, Index element, std::string_view name, size_t* count = nullptr);

// Exactly one number in an attribute value or an element's text.
bool ReadOneNumber(std::string_view text, double& value);
bool ReadOneNumber(const XmlDocument& doc, Index element, double& value);

// The value as the model's float, when it stays finite there.
bool ToFiniteFloat(double value, float& out);

// A node element and the scales its bit depths give its values: the largest
// code of an integer depth (255, 1023, 4095, 65535), 1 for 16f and 32f.
struct NodeContext {
    const XmlDocument& doc;
    Index node;
    double inScale;
    double outScale;
};

// Each reads one node into a step appended to `list`; on failure it returns
// the message and appends nothing.
std::string_view ReadMatrixNode(const NodeContext& node, ProcessList& list);
std::string_view ReadLut1DNode(const NodeContext& node, ProcessList& list);
std::string_view ReadLut3DNode(const NodeContext& node, ProcessList& list);
std::string_view ReadRangeNode(const NodeContext& node, ProcessList& list);
std::string_view ReadLogNode(const NodeContext& node, ProcessList& list);
std::string_view ReadExponentNode(const NodeContext& node, ProcessList& list);
std::string_view ReadAscCdlNode(const NodeContext& node, ProcessList& list);

}  // namespace kv::clf

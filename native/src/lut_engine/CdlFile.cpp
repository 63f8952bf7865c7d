#include "lut_engine/CdlFile.h"

#include <algorithm>
#include <vector>

#include "lut_engine/CdlValues.h"
#include "lut_engine/ProcessListMessages.h"
#include "lut_engine/XmlReader.h"

namespace kv {
namespace {

namespace msg = messages;
using Index = XmlDocument::Index;

// The corrections of the file in order, each inside a container element
// that may hold no text of its own.
std::string_view FindCorrections(const XmlDocument& doc, std::vector<Index>& corrections) {
    const Index root = doc.Root();
    const std::string_view kind = doc.Name(root);
    auto childrenNamed = [&](Index parent, std::string_view name, std::vector<Index>& out) {
        if (!doc.TextIsBlank(parent)) return false;
        for (Index c = doc.FirstChild(parent); c != XmlDocument::kNone; c = doc.NextSibling(c)) {
            if (doc.Name(c) == name) out.push_back(c);
        }
        return true;
    };
    if (kind == "ColorCorrection") {
        // Other readers would take a correction nested in this one for the
        // file's first: refused, so that no two readers differ.
        for (Index e = 1; e < doc.ElementCount(); ++e) {
            if (doc.Name(e) == "ColorCorrection") return msg::kCdlNestedCorrection;
        }
        corrections.push_back(root);
    } else if (kind == "ColorCorrectionCollection") {
        if (!childrenNamed(root, "ColorCorrection", corrections)) return msg::kXmlLutTextInContainer;
    } else if (kind == "ColorDecisionList") {
        std::vector<Index> decisions;
        if (!childrenNamed(root, "ColorDecision", decisions)) return msg::kXmlLutTextInContainer;
        for (const Index decision : decisions) {
            if (!childrenNamed(decision, "ColorCorrection", corrections)) return msg::kXmlLutTextInContainer;
        }
    } else {
        return msg::kCdlNotCdl;
    }
    if (corrections.empty()) return msg::kCdlNoCorrection;
    return {};
}

std::string_view IdOf(const XmlDocument& doc, Index correction) {
    for (size_t i = 0; i < doc.AttributeCount(correction); ++i) {
        if (doc.AttributeName(correction, i) == "id") return doc.AttributeValue(correction, i);
    }
    return {};
}

}  // namespace

bool ReadCdlFile(std::string_view text, ProcessList& list, CdlFileInfo* info, std::string* error) {
    list = ProcessList();
    XmlDocument doc;
    if (!ReadXml(text, doc, error)) return false;
    std::vector<Index> corrections;
    if (const auto failure = FindCorrections(doc, corrections); !failure.empty()) return msg::Fail(error, failure);
    CdlStep first;
    for (size_t i = 0; i < corrections.size(); ++i) {
        const Index correction = corrections[i];
        if (!doc.TextIsBlank(correction)) return msg::Fail(error, msg::kXmlLutTextInContainer);
        CdlStep step;
        step.style = CdlStyle::kFwdNoClamp;
        if (const auto failure = ReadCdlValues(doc, correction, CdlNameMatch::kExact, step); !failure.empty()) {
            return msg::Fail(error, failure);
        }
        if (i == 0) first = step;
    }
    // Ids name corrections for those who pick one: when given they must be
    // unique.
    std::vector<std::string_view> ids;
    for (const Index correction : corrections) {
        if (const std::string_view id = IdOf(doc, correction); !id.empty()) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end());
    if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) return msg::Fail(error, msg::kCdlDuplicateId);
    list.steps.emplace_back(first);
    list.format = "CDL";
    if (info != nullptr) {
        info->id = std::string(IdOf(doc, corrections[0]));
        info->corrections = corrections.size();
    }
    return true;
}

}  // namespace kv

// The CLF nodes whose values are an Array: Matrix, LUT1D and LUT3D.
//
// Bit depths scale values as other CLF readers do: a matrix maps input codes
// to output codes, so its coefficients are multiplied by inScale / outScale
// and its offsets divided by outScale; table values are output codes,
// divided by outScale (raw half values too, once read as halves). A table's
// input is always normalised, whatever its inBitDepth.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "lut_engine/ClfNodes.h"
#include "lut_engine/ProcessListMessages.h"
#include "lut_engine/TableValue.h"
#include "lut_engine/XmlNumbers.h"

namespace kv::clf {
namespace {

namespace msg = messages;

struct Dims {
    std::array<uint64_t, 4> n = {0, 0, 0, 0};
    size_t count = 0;
};

// The node's one Array and its dims: at most four whole numbers.
std::string_view FindArray(const NodeContext& node, Index& array, Dims& dims) {
    size_t arrays = 0;
    array = FindChild(node.doc, node.node, "Array", &arrays);
    if (FindChild(node.doc, node.node, "IndexMap") != XmlDocument::kNone) return msg::kClfIndexMap;
    if (arrays == 0) return msg::kClfNoArray;
    if (arrays > 1) return msg::kClfTwoArrays;
    const auto dim = FindAttribute(node.doc, array, "dim");
    if (!dim) return msg::kClfBadDim;
    const bool read = ForEachNumber(*dim, [&](double v) {
        if (dims.count == dims.n.size() || !(v >= 0.0 && v <= 1e9) || v != std::floor(v)) return false;
        dims.n[dims.count++] = static_cast<uint64_t>(v);
        return true;
    });
    return read ? std::string_view() : msg::kClfBadDim;
}

size_t TextLength(const XmlDocument& doc, Index element) {
    size_t length = 0;
    for (Index s = doc.FirstSegment(element); s != XmlDocument::kNone; s = doc.NextSegment(s)) {
        length += doc.Segment(s).size();
    }
    return length;
}

// Exactly `expected` numbers from the Array, each converted by
// convert(double, float&) (false refuses the value with `badValue`). Memory
// follows the text as much as the dims: a number takes at least two
// characters with its separator.
template <class Convert>
std::string_view ReadValues(const XmlDocument& doc, Index array, size_t expected, std::vector<float>& out,
                            std::string_view badValue, Convert convert) {
    out.clear();
    out.reserve(std::min(expected, TextLength(doc, array) / 2 + 1));
    bool converted = true;
    bool tooMany = false;
    const bool read = ForEachNumber(doc, array, [&](double v) {
        float f = 0.0f;
        tooMany = out.size() == expected;
        if (tooMany) return false;
        converted = convert(v, f);
        out.push_back(f);
        return converted;
    });
    if (!converted) return badValue;
    if (!read && !tooMany) return msg::kXmlLutBadNumber;
    if (out.size() != expected || tooMany) return msg::kClfWrongValueCount;
    return {};
}

float HalfToFloat(uint16_t h) {
    const uint32_t sign = static_cast<uint32_t>(h & 0x8000u) << 16;
    const uint32_t exponent = (h >> 10) & 0x1Fu;
    const uint32_t mantissa = h & 0x3FFu;
    if (exponent == 0) {
        const float magnitude = std::ldexp(static_cast<float>(mantissa), -24);
        return sign != 0 ? -magnitude : magnitude;
    }
    const uint32_t bits = exponent == 31 ? (sign | 0x7F800000u | (mantissa << 13))
                                         : (sign | ((exponent + 112) << 23) | (mantissa << 13));
    return std::bit_cast<float>(bits);
}

// An attribute that, when present, must be one word (any case).
bool AttributeIsOrAbsent(const NodeContext& node, std::string_view name, std::string_view word, bool& present) {
    const auto value = FindAttribute(node.doc, node.node, name);
    present = value.has_value();
    return !present || NameIs(*value, word);
}

}  // namespace

std::string_view ReadMatrixNode(const NodeContext& node, ProcessList& list) {
    Index array = XmlDocument::kNone;
    Dims dims;
    if (const auto failure = FindArray(node, array, dims); !failure.empty()) return failure;
    // "rows cols", or the older "rows cols rows".
    const uint64_t rows = dims.n[0], cols = dims.n[1];
    const bool shape = (rows == 3 && (cols == 3 || cols == 4)) || (rows == 4 && (cols == 4 || cols == 5));
    if (!shape || (dims.count != 2 && !(dims.count == 3 && dims.n[2] == rows))) return msg::kClfBadDim;
    std::vector<double> m;
    m.reserve(20);
    const size_t expected = rows * cols;
    const bool read = ForEachNumber(node.doc, array, [&](double v) {
        m.push_back(v);
        return m.size() <= expected;
    });
    if (!read && m.size() <= expected) return msg::kXmlLutBadNumber;
    if (m.size() != expected) return msg::kClfWrongValueCount;
    auto at = [&](uint64_t r, uint64_t c) { return m[r * cols + c]; };
    const double ratio = node.inScale / node.outScale;
    const bool hasOffset = cols == rows + 1;
    if (rows == 4) {
        // Alpha passes through: nothing flows into or out of it, its
        // coefficient is 1 once normalised and its offset 0.
        for (uint64_t i = 0; i < 3; ++i) {
            if (at(i, 3) != 0.0 || at(3, i) != 0.0) return msg::kClfMatrixAlpha;
        }
        if (at(3, 3) * ratio != 1.0 || (hasOffset && at(3, 4) != 0.0)) return msg::kClfMatrixAlpha;
    }
    MatrixStep step;
    for (uint64_t i = 0; i < 3; ++i) {
        for (uint64_t j = 0; j < 3; ++j) {
            if (!ToFiniteFloat(at(i, j) * ratio, step.m[3 * i + j])) return msg::kXmlLutNotFinite;
        }
        const double offset = hasOffset ? at(i, cols - 1) / node.outScale : 0.0;
        if (!ToFiniteFloat(offset, step.offset[i])) return msg::kXmlLutNotFinite;
    }
    list.steps.emplace_back(step);
    return {};
}

std::string_view ReadLut1DNode(const NodeContext& node, ProcessList& list) {
    bool linear = false, halfDomain = false, rawHalfs = false, hueAdjust = false;
    if (!AttributeIsOrAbsent(node, "interpolation", "linear", linear)) return msg::kClfBadInterpolation1D;
    if (!AttributeIsOrAbsent(node, "halfDomain", "true", halfDomain)) return msg::kClfBadTrue;
    if (!AttributeIsOrAbsent(node, "rawHalfs", "true", rawHalfs)) return msg::kClfBadTrue;
    if (!AttributeIsOrAbsent(node, "hueAdjust", "dw3", hueAdjust)) return msg::kClfBadHueAdjust;
    Index array = XmlDocument::kNone;
    Dims dims;
    if (const auto failure = FindArray(node, array, dims); !failure.empty()) return failure;
    if (dims.count != 2 || (dims.n[1] != 1 && dims.n[1] != 3)) return msg::kClfBadDim;
    const uint64_t length = dims.n[0];
    if (length < 2 || length > static_cast<uint64_t>(kMaxProcessLut1DSize)) return msg::kClfLut1DSize;
    if (halfDomain && length != 65536) return msg::kClfHalfDomainSize;
    const auto channels = static_cast<size_t>(dims.n[1]);
    std::vector<float> values;
    const double outScale = node.outScale;
    const auto failure = ReadValues(node.doc, array, length * channels, values, msg::kClfBadRawHalf,
                                    [&](double v, float& f) {
                                        if (rawHalfs) {
                                            if (!(v >= 0.0 && v <= 65535.0) || v != std::floor(v)) return false;
                                            v = HalfToFloat(static_cast<uint16_t>(v));
                                        }
                                        f = FiniteTableValue(static_cast<float>(v / outScale));
                                        return true;
                                    });
    if (!failure.empty()) return failure;
    Lut1DStep step;
    step.size = static_cast<int32_t>(length);
    step.halfDomain = halfDomain;
    step.hueAdjust = hueAdjust;
    if (channels == 3) {
        step.values = std::move(values);
    } else {
        step.values.resize(length * 3);
        for (size_t i = 0; i < length; ++i) std::fill_n(&step.values[3 * i], 3, values[i]);
    }
    list.steps.emplace_back(std::move(step));
    return {};
}

std::string_view ReadLut3DNode(const NodeContext& node, ProcessList& list) {
    Interpolation3D interpolation = Interpolation3D::kTrilinear;
    if (const auto value = FindAttribute(node.doc, node.node, "interpolation")) {
        if (NameIs(*value, "tetrahedral")) {
            interpolation = Interpolation3D::kTetrahedral;
        } else if (!NameIs(*value, "trilinear")) {
            return msg::kClfBadInterpolation3D;
        }
    }
    Index array = XmlDocument::kNone;
    Dims dims;
    if (const auto failure = FindArray(node, array, dims); !failure.empty()) return failure;
    const uint64_t n = dims.n[0];
    if (dims.count != 4 || dims.n[1] != n || dims.n[2] != n || dims.n[3] != 3) return msg::kClfBadDim;
    if (n < 2 || n > static_cast<uint64_t>(kMaxProcessLut3DSize)) return msg::kClfLut3DSize;
    std::vector<float> file;
    const double outScale = node.outScale;
    const auto failure = ReadValues(node.doc, array, n * n * n * 3, file, msg::kClfWrongValueCount,
                                    [&](double v, float& f) {
                                        f = FiniteTableValue(static_cast<float>(v / outScale));
                                        return true;
                                    });
    if (!failure.empty()) return failure;
    // The file lists nodes with blue varying fastest; the model wants red.
    Lut3DStep step;
    step.size = static_cast<int32_t>(n);
    step.interpolation = interpolation;
    step.values.resize(file.size());
    size_t k = 0;
    for (size_t r = 0; r < n; ++r) {
        for (size_t g = 0; g < n; ++g) {
            for (size_t b = 0; b < n; ++b, ++k) {
                std::copy_n(&file[3 * k], 3, &step.values[3 * (r + n * (g + n * b))]);
            }
        }
    }
    list.steps.emplace_back(std::move(step));
    return {};
}

}  // namespace kv::clf

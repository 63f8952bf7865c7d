#include "lut_engine/simd/RowTables.h"

#include <xmmintrin.h>

#include <bit>
#include <cstddef>

#include "lut_engine/ByteChannel.h"
#include "lut_engine/Code16Channel.h"
#include "lut_engine/LutSampling.h"

namespace kv {

namespace {

// Runs the scope in the default floating-point modes (rounding to nearest,
// denormal results and inputs kept), whatever the calling thread had, and
// puts the caller's modes back after it.
class DefaultFloatModes {
public:
    DefaultFloatModes() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ & ~(0x6000u | 0x8000u | 0x0040u)); }
    ~DefaultFloatModes() { _mm_setcsr(saved_); }
    DefaultFloatModes(const DefaultFloatModes&) = delete;
    DefaultFloatModes& operator=(const DefaultFloatModes&) = delete;

private:
    unsigned saved_;
};

void FillNodes(const Lut3D& lut, LutRowTables& t) {
    const size_t nodes = lut.data.size() / 3;
    t.nodes.assign(nodes * 4, 0.0f);
    for (size_t i = 0; i < nodes; ++i) {
        for (size_t k = 0; k < 3; ++k) t.nodes[4 * i + k] = lut.data[3 * i + k];
    }
}

void FillCurves(const Lut3D& lut, LutRowTables& t) {
    const size_t m = static_cast<size_t>(lut.shaperSize);
    const float* e = lut.shaper.data();
    for (size_t k = 0; k < 3; ++k) {
        t.curvePairs[k].resize(m - 1);
        for (size_t i = 0; i + 1 < m; ++i) {
            const uint64_t a = std::bit_cast<uint32_t>(e[3 * i + k]);
            const uint64_t b = std::bit_cast<uint32_t>(e[3 * i + 3 + k]);
            t.curvePairs[k][i] = a | (b << 32);
        }
    }
}

void FillCodeTables(const Lut3D& lut, LutRowTables& t) {
    const DefaultFloatModes modes;
    if (!t.nodes.empty() && lut.HasCompleteShaper()) {
        uint64_t* bytes[3];
        for (int k = 0; k < 3; ++k) {
            t.byteCells[k].resize(256);
            bytes[k] = t.byteCells[k].data();
        }
        FillCodeCells(lut, kByteScale, 256, bytes);
    }
    if (lut.HasCompleteShaper()) {
        for (int c = 0; c < 3; ++c) {
            t.code16Shaped[c].resize(65536);
            for (int32_t code = 0; code < 65536; ++code) {
                t.code16Shaped[c][static_cast<size_t>(code)] =
                    ShaperChannel(lut, static_cast<float>(code) * kCode16Scale, c);
            }
        }
    }
}

}  // namespace

void FillCodeCells(const Lut3D& lut, float scale, int32_t codes, uint64_t* const cells[3]) {
    const bool shapes = lut.shaperSize != 0;
    uint32_t stride = 16;
    for (int k = 0; k < 3; ++k) {
        for (int32_t code = 0; code < codes; ++code) {
            float v = static_cast<float>(code) * scale;
            if (shapes) v = ShaperChannel(lut, v, k);
            int32_t cell = 0;
            float fraction = 0.0f;
            detail::LutAxisPosition(v, lut.domainMin[k], lut.domainMax[k], lut.size, cell, fraction);
            const uint64_t offset = static_cast<uint32_t>(cell) * stride;
            cells[k][code] = offset | (static_cast<uint64_t>(std::bit_cast<uint32_t>(fraction)) << 32);
        }
        stride *= static_cast<uint32_t>(lut.size);
    }
}

size_t LutRowTables::Bytes() const {
    size_t bytes = sizeof(*this) + nodes.capacity() * sizeof(float);
    for (int k = 0; k < 3; ++k) {
        bytes += (curvePairs[k].capacity() + byteCells[k].capacity()) * sizeof(uint64_t) +
                 code16Shaped[k].capacity() * sizeof(float);
    }
    return bytes;
}

std::shared_ptr<const LutRowTables> BuildRowTables(const Lut3D& lut) {
    auto t = std::make_shared<LutRowTables>();
    t->cubeData = lut.data.data();
    t->cubeFloats = lut.data.size();
    t->shaperData = lut.shaper.data();
    t->shaperFloats = lut.shaper.size();
    if (lut.HasCompleteCube() && lut.size <= kMaxPaddedCubeSize) FillNodes(lut, *t);
    if (lut.HasCompleteShaper()) FillCurves(lut, *t);
    FillCodeTables(lut, *t);
    return t;
}

void PrepareRowTables(Lut3D& lut) {
    lut.rowTables = nullptr;
    if (lut.HasCompleteTables()) lut.rowTables = BuildRowTables(lut);
}

const LutRowTables* RowTablesOf(const Lut3D& lut) {
    const LutRowTables* t = lut.rowTables.get();
    if (t == nullptr || t->cubeData != lut.data.data() || t->cubeFloats != lut.data.size() ||
        t->shaperData != lut.shaper.data() || t->shaperFloats != lut.shaper.size()) {
        return nullptr;
    }
    return t;
}

size_t LutBytes(const Lut3D& lut) {
    size_t bytes = sizeof(lut) + lut.name.capacity() + lut.data.capacity() * sizeof(float) +
                   lut.shaper.capacity() * sizeof(float);
    if (lut.rowTables != nullptr) bytes += lut.rowTables->Bytes();
    return bytes;
}

}  // namespace kv

#pragma once
// Tables that the vectorised row operations read instead of a LUT's own,
// built once per LUT (when it enters the LUT cache) so that no band pays for
// them. Each holds the LUT's numbers in another layout, or results of the
// scalar routines, so the rows that read them give the same bits as the rows
// that do not.
//
// A LUT carries its tables in Lut3D::rowTables. They are tied to the vectors
// they were built from: a copy of the record (whose vectors live elsewhere)
// or a record whose tables changed size no longer finds them and reads its
// own tables, so build them only once the LUT is final.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "lut_engine/Lut3D.h"

namespace kv {

// Cubes up to this many nodes per axis get padded nodes (65^3 takes 4.4 MB);
// the rows gather from larger ones, whose cost is their cache misses.
inline constexpr int32_t kMaxPaddedCubeSize = 65;

struct LutRowTables {
    // The vectors these tables were built from.
    const float* cubeData = nullptr;
    size_t cubeFloats = 0;
    const float* shaperData = nullptr;
    size_t shaperFloats = 0;

    // N^3 nodes of four floats: node i's R, G, B at 4i, +0 at 4i + 3, so a
    // node is one aligned 16-byte load. Empty for cubes above the cap.
    std::vector<float> nodes;

    // Per channel k, entry pairs[k][i] holds curve entry i's value in its low
    // 32 bits and entry i + 1's in its high 32 bits (M - 1 pairs), so that
    // one 64-bit load fetches both ends of a curve segment. Empty without a
    // 1D stage.
    std::vector<uint64_t> curvePairs[3];

    // Code tables for the integer depths of a LUT with a 1D stage, computed
    // in the default floating-point modes (rounding to nearest, denormals
    // kept), the only modes in which a row may read them: with padded
    // nodes, the cells of every byte code times kByteScale as FillCodeCells
    // gives them, so that the 1D stage costs an 8-bit row nothing; and
    // ShaperChannel of every 16-bit code times kCode16Scale (65536 codes,
    // those above full scale included).
    std::vector<uint64_t> byteCells[3];
    std::vector<float> code16Shaped[3];

    // Bytes held, for the LUT cache's accounting.
    size_t Bytes() const;
};

// For channel k and every code c below `codes`, where the LUT's cube reads
// the code (times `scale`, through the 1D stage if the LUT has one): the
// cell's first node along axis k as a byte offset into the padded nodes in
// the low 32 bits, the fraction inside the cell in the high 32 bits, both as
// sampleTetra finds them, in the calling thread's floating-point modes. For
// a LUT with a cube.
void FillCodeCells(const Lut3D& lut, float scale, int32_t codes, uint64_t* const cells[3]);

// The tables for `lut` (which must pass HasCompleteTables()).
std::shared_ptr<const LutRowTables> BuildRowTables(const Lut3D& lut);

// Builds the tables and attaches them to `lut`.
void PrepareRowTables(Lut3D& lut);

// The tables attached to `lut` if they were built from its vectors as they
// are, otherwise null.
const LutRowTables* RowTablesOf(const Lut3D& lut);

// The bytes a LUT holds: its own tables and its row tables.
size_t LutBytes(const Lut3D& lut);

}  // namespace kv

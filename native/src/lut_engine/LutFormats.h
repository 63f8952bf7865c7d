#pragma once
// The LUT files "Change LUT" takes, one row each: how the dialog lists them,
// which extensions they have, and what the button and the log call them.
// Files whose extension no row has are read as .cube files.

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace kv {

enum class LutFileKind { kCube, k3dl, kClf, kCdl, kSpi1d, kSpi3d };

struct LutFileFormat {
    LutFileKind kind;
    std::string_view label;       // the kind as the button and the log name it ("CLF")
    std::string_view dialogName;  // the dialog's entry, before its patterns
    std::array<std::string_view, 3> extensions;  // with the dot, lower case; unused ones empty
};

// Every format, in the dialog's order.
std::span<const LutFileFormat> LutFileFormats();

// The format of a file by its name's extension (any case); .cube for a name
// without one of the table's extensions.
const LutFileFormat& LutFileFormatOf(std::string_view fileName);

// The name a picked file's LUT is stored under: the file name without its
// folder and, for a file read as a .cube, without its last extension
// ("night.grade.cube" gives "night.grade", as it always has); files of the
// other formats keep their extension ("grade.3dl"), so that the button shows
// the file's own name.
std::string LutNameFromPath(std::string_view path);

// Whether a stored name carries an extension of a format other than .cube:
// the button shows such a name as it is instead of adding ".cube".
bool HasOtherLutExtension(std::string_view name);

}  // namespace kv

#include "lut_engine/XmlNumbers.h"

#include "lut_engine/NumberText.h"

namespace kv {

bool ReadNumberToken(std::string_view token, double& value) {
    // ScanDouble skips leading white space, which a token never holds.
    size_t pos = 0;
    return ScanDouble(token, pos, value, FloatScan::LongestValidPrefix) && pos == token.size();
}

}  // namespace kv

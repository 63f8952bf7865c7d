// Decodes arbitrary name tokens. Beyond the sanitizers, checks that decoding
// never grows a token and that the writer's encoding of any name reads back
// as that name (but the lone "-", which stored texts share as the empty
// name's token).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lut_engine/LutText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view token(reinterpret_cast<const char*>(data), size);
    const std::string name = kv::PercentDecodeName(token);
    if (name.size() > token.size()) __builtin_trap();
    if (name != "-" && kv::PercentDecodeName(kv::PercentEncodeName(name)) != name) __builtin_trap();
    // The raw bytes taken as a name survive the round trip as well.
    if (token != "-" && kv::PercentDecodeName(kv::PercentEncodeName(token)) != token) __builtin_trap();
    return 0;
}

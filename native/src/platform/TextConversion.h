#pragma once
// UTF-8 <-> wide text (UTF-16 on Windows, UTF-32 on Linux). Invalid input
// never fails: each malformed UTF-8 sequence, lone surrogate or out-of-range
// code point becomes U+FFFD, as the Windows conversions do with flags 0.

#include <string>
#include <string_view>

namespace kv::platform {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace kv::platform

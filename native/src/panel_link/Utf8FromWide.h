#pragma once
// Paths reach the log as UTF-8.

#include <string>

#include "platform/TextConversion.h"

// WideCharToMultiByte to UTF-8 on Windows (flags 0: a lone surrogate becomes
// U+FFFD); an empty string gives an empty string.
inline std::string Utf8FromWide(const std::wstring& wide) { return kv::platform::Utf8FromWide(wide); }

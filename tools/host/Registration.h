#pragma once
// What the module tells a host through PluginDataEntryFunction2.

#include <cstdint>
#include <string>

#include "sdk/effect_sdk.h"

namespace kvtool {

struct Registration {
    int calls = 0;  // how often the module called back (it should be once)
    std::string name;
    std::string matchName;
    std::string category;
    std::string entryPoint;
    std::int32_t kind = 0;
    std::int32_t apiMajor = 0;
    std::int32_t apiMinor = 0;
    std::int32_t reservedInfo = 0;
    std::string supportUrl;
};

// Calls the module's registration entry with a callback that records the
// values and answers `answer`. Returns the entry's result.
A_Err Register(PluginDataEntryFunction2Ptr entry, SPBasicSuite* basic, const char* hostName, Registration& out,
               A_Err answer = 0);

std::string FourCCText(std::int32_t code);

}  // namespace kvtool

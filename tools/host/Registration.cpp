#include "host/Registration.h"

namespace kvtool {
namespace {

struct Capture {
    Registration* out;
    A_Err answer;
};

std::string Text(const A_u_char* s) { return s ? std::string(reinterpret_cast<const char*>(s)) : std::string(); }

A_Err RecordRegistration(PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* matchName,
                         const A_u_char* category, const A_u_char* entryPoint, A_long kind, A_long apiMajor,
                         A_long apiMinor, A_long reservedInfo, const A_u_char* supportUrl) {
    // The module must hand back the pointer it was given; anything else
    // is reported as a wrong call rather than followed.
    auto* capture = static_cast<Capture*>(inPtr);
    if (!capture) return PF_Err_BAD_CALLBACK_PARAM;
    Registration& r = *capture->out;
    ++r.calls;
    r.name = Text(name);
    r.matchName = Text(matchName);
    r.category = Text(category);
    r.entryPoint = Text(entryPoint);
    r.kind = kind;
    r.apiMajor = apiMajor;
    r.apiMinor = apiMinor;
    r.reservedInfo = reservedInfo;
    r.supportUrl = Text(supportUrl);
    return capture->answer;
}

}  // namespace

A_Err Register(PluginDataEntryFunction2Ptr entry, SPBasicSuite* basic, const char* hostName, Registration& out,
               A_Err answer) {
    Capture capture{&out, answer};
    return entry(&capture, RecordRegistration, basic, hostName, "1.0");
}

std::string FourCCText(std::int32_t code) {
    const auto u = static_cast<std::uint32_t>(code);
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((u >> shift) & 0xFF);
        s.push_back(c >= 32 && c < 127 ? c : '?');
    }
    return s;
}

}  // namespace kvtool

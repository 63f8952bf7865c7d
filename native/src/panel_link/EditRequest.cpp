#include "panel_link/EditRequest.h"

#include <charconv>
#include <cstdio>
#include <memory>

#include "panel_link/ButtonLabel.h"
#include "panel_link/Log.h"
#include "panel_link/ShowMessage.h"
#include "panel_link/UserDataPath.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/TextConversion.h"

namespace kv {

namespace {

constexpr wchar_t kNoMatchText[] =
    L"This LUT wasn't made in the Kromvale panel (or was made before Kromvale kept its matches), so there is no "
    L"match to open. Make one in the panel and press Apply.";

template <typename Integer>
void AppendDecimal(std::string& out, Integer value) {
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
}

}  // namespace

std::string EditRequestRecord(int32_t id, std::string_view name, int64_t atMilliseconds) {
    using namespace kv::platform;
    // A round trip through UTF-16/32 keeps valid UTF-8 as it is and replaces
    // what a JSON reader would refuse.
    const std::string validName = Utf8FromWide(WideFromUtf8(name));
    std::string record = "{\"id\":";
    AppendDecimal(record, id);
    record += ",\"name\":\"";
    AppendJsonString(record, validName);
    record += "\",\"at\":";
    AppendDecimal(record, atMilliseconds);
    record += "}\n";
    return record;
}

void RequestEditLut(const PF_InData* in_data, PF_ParamDef* params[]) {
    const std::shared_ptr<const Lut3D> lut = GetParamLut(in_data, params);
    // Ids 0 and below are what LUT text carries when no panel match stands behind it.
    if (lut == nullptr || lut->id <= 0) {
        LogPrintf("Edit LUT: no match ID");
        ShowMessage(kNoMatchText, false);
        return;
    }
    const std::string record = EditRequestRecord(lut->id, lut->name, platform::WallClockMilliseconds());
    // "wb" replaces an earlier request. The folder is not created here: the
    // command's first log line has done that. A file that cannot be opened is
    // skipped silently, and the request is still logged.
    if (std::FILE* file = platform::OpenSharedFile(GetUserDataPath(L"edit-request.json"), "wb")) {
        std::fwrite(record.data(), 1, record.size(), file);
        std::fclose(file);
    }
    LogPrintf("Edit LUT: requested match %ld (%s)", static_cast<long>(lut->id), lut->name.c_str());
}

}  // namespace kv

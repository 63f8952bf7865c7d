// The process-list stored form, both ways. An input whose first byte is
// even is LUT text: whatever ParseLutText accepts must be a process list
// the rows can evaluate, and must write back to the same text. An odd first
// byte builds a list from the bytes that follow (every kind, styles out of
// range folded in, raw float bits so that NaN and infinities come up),
// whose text must read back bit for bit.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzBytes.h"
#include "LutRoundTrip.h"
#include "lut_engine/ProcessList.h"
#include "lut_engine/ProcessListText.h"
#include "lut_engine/process/PreparedSteps.h"

namespace {

using kvfuzz::Bytes;

kv::ProcessStep StepFrom(Bytes& in) {
    switch (in.Byte() % 7) {
        case 0: {
            kv::MatrixStep s;
            in.Floats(s.m, 9);
            in.Floats(s.offset, 3);
            return s;
        }
        case 1: {
            const uint8_t flags = in.Byte();
            kv::RangeStep s{(flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, in.Float(), in.Float(), in.Float(),
                            in.Float()};
            return s;
        }
        case 2: {
            kv::LogStep s;
            s.style = static_cast<kv::LogStyle>(in.Byte() % 8);
            s.base = in.Float();
            for (kv::LogParams& p : s.channel) {
                p = {in.Float(), in.Float(), in.Float(), in.Float(), in.Float(), (in.Byte() & 1) != 0, in.Float()};
            }
            return s;
        }
        case 3: {
            kv::ExponentStep s;
            s.style = static_cast<kv::ExponentStyle>(in.Byte() % 10);
            in.Floats(s.exponent, 3);
            in.Floats(s.offset, 3);
            return s;
        }
        case 4: {
            kv::CdlStep s;
            s.style = static_cast<kv::CdlStyle>(in.Byte() % 4);
            in.Floats(s.slope, 3);
            in.Floats(s.offset, 3);
            in.Floats(s.power, 3);
            s.saturation = in.Float();
            return s;
        }
        case 5: {
            // Small tables: the form does not depend on size, and ten million
            // runs must finish; half-domain tables are always 65536 long.
            kv::Lut1DStep s;
            s.size = 2 + in.Byte() % 31;
            s.hueAdjust = (in.Byte() & 1) != 0;
            s.values.resize(static_cast<size_t>(s.size) * 3);
            for (float& v : s.values) v = in.Float();
            return s;
        }
        default: {
            kv::Lut3DStep s;
            s.size = 2 + in.Byte() % 3;
            s.interpolation = static_cast<kv::Interpolation3D>(in.Byte() % 2);
            const auto n = static_cast<size_t>(s.size);
            s.values.resize(n * n * n * 3);
            for (float& v : s.values) v = in.Float();
            return s;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == 0) {
        const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
        kv::Lut3D lut;
        std::string error;
        if (!kv::ParseLutText(text, lut, &error)) {
            kvfuzz::Check(!error.empty());
            return 0;
        }
        if (lut.process == nullptr) return 0;
        kvfuzz::Check(lut.HasProcessSteps() && kv::IsCompleteProcessList(*lut.process));
        const std::string again = kv::FormatLutText(lut, lut.id, lut.name);
        kv::Lut3D back;
        kvfuzz::Check(kv::ParseLutText(again, back, &error));
        kvfuzz::Check(kv::FormatLutText(back, back.id, back.name) == again);
        return 0;
    }
    Bytes in(data + 1, size - 1);
    kv::ProcessList list;
    list.format = "fuzz";
    const int count = 1 + in.Byte() % 8;
    for (int i = 0; i < count; ++i) list.steps.push_back(StepFrom(in));
    const std::string text = kv::FormatProcessListText(list, -3, "fuzz");
    kv::ProcessList back;
    int32_t id = 0;
    std::string name, error;
    kvfuzz::Check(kv::ParseProcessListText(text, back, id, name, &error));
    kvfuzz::Check(id == -3 && name == "fuzz" && back.format == "fuzz" && back.steps.size() == list.steps.size());
    kvfuzz::Check(kv::FormatProcessListText(back, id, name) == text);
    return 0;
}

// The stored form of a process list: every field of every step comes back
// with the same bits, and malformed text is refused with its fixed message
// without reading past its end or making room the text cannot fill.

#include "lut_engine/ProcessListText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "AllocationRecord.h"
#include "TestProcessLists.h"
#include "lut_engine/Base64.h"
#include "lut_engine/ReaderMessages.h"

namespace {

// Every field of a step as bits, walked here field by field rather than
// through the stored form's own code, so that a field both sides skipped
// would still show.
class FieldBits {
public:
    void Add(float f) { bits_.push_back(std::bit_cast<uint32_t>(f)); }
    void Add(bool b) { bits_.push_back(b ? 1u : 0u); }
    void Add(int32_t v) { bits_.push_back(static_cast<uint32_t>(v)); }
    template <class E>
        requires std::is_enum_v<E>
    void Add(E e) {
        Add(static_cast<int32_t>(e));
    }
    void Add(const float* f, size_t n) {
        for (size_t i = 0; i < n; ++i) Add(f[i]);
    }
    template <class... T>
    void All(const T&... fields) {
        (Add(fields), ...);
    }
    const std::vector<uint32_t>& Bits() const { return bits_; }

private:
    std::vector<uint32_t> bits_;
};

std::vector<uint32_t> BitsOf(const kv::ProcessStep& step) {
    FieldBits b;
    b.Add(static_cast<int32_t>(step.index()));
    std::visit(
        [&b](const auto& s) {
            using S = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<S, kv::MatrixStep>) {
                b.Add(s.m, 9);
                b.Add(s.offset, 3);
            } else if constexpr (std::is_same_v<S, kv::RangeStep>) {
                b.All(s.hasMin, s.hasMax, s.clamp, s.minIn, s.minOut, s.maxIn, s.maxOut);
            } else if constexpr (std::is_same_v<S, kv::LogStep>) {
                b.All(s.style, s.base);
                for (const kv::LogParams& p : s.channel) {
                    b.All(p.logSideSlope, p.logSideOffset, p.linSideSlope, p.linSideOffset, p.linSideBreak,
                          p.hasLinearSlope, p.linearSlope);
                }
            } else if constexpr (std::is_same_v<S, kv::ExponentStep>) {
                b.Add(s.style);
                b.Add(s.exponent, 3);
                b.Add(s.offset, 3);
            } else if constexpr (std::is_same_v<S, kv::CdlStep>) {
                b.Add(s.style);
                b.Add(s.slope, 3);
                b.Add(s.offset, 3);
                b.Add(s.power, 3);
                b.Add(s.saturation);
            } else if constexpr (std::is_same_v<S, kv::Lut1DStep>) {
                b.All(s.size, s.halfDomain, s.hueAdjust);
                b.Add(s.values.data(), s.values.size());
            } else {
                b.All(s.size, s.interpolation);
                b.Add(s.values.data(), s.values.size());
            }
        },
        step);
    return b.Bits();
}

::testing::AssertionResult SameSteps(const kv::ProcessList& want, const kv::ProcessList& got) {
    if (want.steps.size() != got.steps.size()) {
        return ::testing::AssertionFailure() << got.steps.size() << " steps, not " << want.steps.size();
    }
    for (size_t i = 0; i < want.steps.size(); ++i) {
        if (BitsOf(want.steps[i]) != BitsOf(got.steps[i])) {
            return ::testing::AssertionFailure() << "step " << i << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

// Parses a copy of `text` that ends where the heap block ends, so that a
// read past the end is an error under AddressSanitizer.
bool ParseExact(std::string_view text, kv::ProcessList& list, std::string* error) {
    const auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    int32_t id = 0;
    std::string name;
    return kv::ParseProcessListText(std::string_view(copy.get(), text.size()), list, id, name, error);
}

TEST(ProcessListText, EveryFieldOfEveryStepReadsBackWithItsBits) {
    kv::ProcessList list;
    list.format = "spi3d";
    for (const kvtest::NamedStep& s : kvtest::EveryStepKind()) list.steps.push_back(s.step);
    // Bits no arithmetic keeps: signed zero, the smallest subnormal, the
    // largest float, infinity and a signalling NaN's payload.
    kv::MatrixStep odd;
    const float special[] = {-0.0f,
                             std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::max(),
                             -std::numeric_limits<float>::infinity(),
                             std::bit_cast<float>(0x7FA00001u)};
    for (int i = 0; i < 12; ++i) (i < 9 ? odd.m[i] : odd.offset[i - 9]) = special[i % 5];
    list.steps.push_back(odd);
    kv::LogStep slope = kvtest::TestLog(kv::LogStyle::kCameraLogToLin, true);
    slope.channel[1].hasLinearSlope = false;  // each channel keeps its own flag
    list.steps.push_back(slope);
    ASSERT_LE(list.steps.size(), kv::kMaxProcessSteps);

    const std::string name = "Look 50% \xC3\xBC";
    const std::string text = kv::FormatProcessListText(list, std::numeric_limits<int32_t>::min(), name);
    ASSERT_EQ(text.rfind("KVLUT5 ", 0), 0u);
    kv::ProcessList back;
    int32_t id = 0;
    std::string backName;
    std::string error;
    ASSERT_TRUE(kv::ParseProcessListText(text, back, id, backName, &error)) << error;
    EXPECT_EQ(id, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(backName, name);
    EXPECT_EQ(back.format, "spi3d");
    EXPECT_TRUE(SameSteps(list, back));
}

// Bytes of a step, little-endian, as the stored form lays them out.
class StepBytes {
public:
    StepBytes& U8(int v) {
        bytes_.push_back(static_cast<unsigned char>(v));
        return *this;
    }
    StepBytes& U32(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) U8(static_cast<int>((v >> shift) & 0xFF));
        return *this;
    }
    StepBytes& Floats(int n, float v = 0.5f) {
        for (int i = 0; i < n; ++i) U32(std::bit_cast<uint32_t>(v));
        return *this;
    }
    StepBytes& Then(const StepBytes& more) {
        bytes_.insert(bytes_.end(), more.bytes_.begin(), more.bytes_.end());
        return *this;
    }
    std::string Text(std::string_view count, std::string_view head = "KVLUT5 7 look CLF ") const {
        std::string text(head);
        text += count;
        text += ' ';
        kv::AppendBase64(bytes_, text);
        return text;
    }

private:
    std::vector<unsigned char> bytes_;
};

StepBytes Matrix() { return StepBytes().U8(0).Floats(12); }
StepBytes LogWith(int style, int slopeGiven) {
    StepBytes b;
    b.U8(2).U8(style).Floats(1);
    for (int c = 0; c < 3; ++c) b.Floats(6).U8(slopeGiven);
    return b;
}

TEST(ProcessListText, RefusesMalformedTextWithItsMessage) {
    using namespace kv::messages;
    struct Case {
        const char* what;
        std::string text;
        std::string_view message;
    };
    const std::string matrix = Matrix().Text("1");
    const Case cases[] = {
        {"empty", "", kNotLut5},
        {"another magic", "KVLUT4" + matrix.substr(6), kNotLut5},
        {"no count", "KVLUT5 7 look CLF", kNotLut5},
        {"id not a number", Matrix().Text("1", "KVLUT5 x look CLF "), kNotLut5},
        {"id beyond 32 bits", Matrix().Text("1", "KVLUT5 2147483648 look CLF "), kNotLut5},
        {"format with a sign", Matrix().Text("1", "KVLUT5 7 look C-F "), kNotLut5},
        {"format of 17 letters", Matrix().Text("1", "KVLUT5 7 look ABCDEFGHIJKLMNOPQ "), kNotLut5},
        {"no steps", Matrix().Text("0"), kProcessStepCount},
        {"65 steps", Matrix().Text("65"), kProcessStepCount},
        {"unknown kind", StepBytes().U8(7).Floats(12).Text("1"), kProcessStepMalformed},
        {"range flags beyond clamp", StepBytes().U8(1).U8(8).Floats(4).Text("1"), kProcessStepMalformed},
        {"log style 8", LogWith(8, 0).Text("1"), kProcessStepMalformed},
        {"log slope flag 2", LogWith(7, 2).Text("1"), kProcessStepMalformed},
        {"exponent style 10", StepBytes().U8(3).U8(10).Floats(6).Text("1"), kProcessStepMalformed},
        {"CDL style 4", StepBytes().U8(4).U8(4).Floats(10).Text("1"), kProcessStepMalformed},
        {"1D flags 4", StepBytes().U8(5).U8(4).U32(2).Floats(6).Text("1"), kProcessStepMalformed},
        {"1D of one entry", StepBytes().U8(5).U8(0).U32(1).Floats(3).Text("1"), kProcessStepMalformed},
        {"1D of 65537 entries", StepBytes().U8(5).U8(0).U32(65537).Text("1"), kProcessStepMalformed},
        {"half domain of 4 entries", StepBytes().U8(5).U8(1).U32(4).Floats(12).Text("1"), kProcessStepMalformed},
        {"3D interpolation 2", StepBytes().U8(6).U8(2).U32(2).Floats(24).Text("1"), kProcessStepMalformed},
        {"3D of 130 nodes", StepBytes().U8(6).U8(1).U32(130).Text("1"), kProcessStepMalformed},
        {"two steps, one given", Matrix().Text("2"), kLutDataTruncated},
        {"matrix cut short", StepBytes().U8(0).Floats(11).Text("1"), kLutDataTruncated},
        {"3D cut short", StepBytes().U8(6).U8(1).U32(3).Floats(80).Text("1"), kLutDataTruncated},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kv::ProcessList list;
        std::string error;
        EXPECT_FALSE(ParseExact(c.text, list, &error));
        EXPECT_EQ(error, c.message);
        EXPECT_TRUE(list.steps.empty());
    }
    // The well-formed matrix itself reads, so the cases above fail for the
    // fault each one adds.
    kv::ProcessList list;
    EXPECT_TRUE(ParseExact(matrix, list, nullptr));
}

TEST(ProcessListText, ShortTextsNeverMakeRoomForTheTablesTheyClaim) {
    // 129^3 nodes claimed in a few bytes: refused before the 25 MB table
    // exists. Every prefix of a real text is refused (or, where only base64
    // padding is missing, reads back whole) and read within its end.
    const std::string claim = StepBytes().U8(6).U8(1).U32(129).Floats(3).Text("1");
    {
        kvtest::LargestAllocation largest;
        kv::ProcessList list;
        std::string error;
        EXPECT_FALSE(ParseExact(claim, list, &error));
        EXPECT_EQ(error, kv::messages::kLutDataTruncated);
        EXPECT_LT(largest.bytes(), 64u * 1024u);
    }
    kv::ProcessList small;
    small.format = "CLF";
    small.steps.push_back(kvtest::TestCdl(kv::CdlStyle::kRev));
    small.steps.push_back(kvtest::TestLut3D(3, kv::Interpolation3D::kTetrahedral));
    const std::string text = kv::FormatProcessListText(small, 1, "cut");
    for (size_t length = 0; length < text.size(); ++length) {
        kv::ProcessList list;
        std::string error;
        if (ParseExact(std::string_view(text).substr(0, length), list, &error)) {
            EXPECT_GE(length + 2, text.size()) << "a prefix of " << length << " characters read";
            EXPECT_TRUE(SameSteps(small, list));
        } else {
            EXPECT_FALSE(error.empty()) << length;
        }
    }
}

}  // namespace
